# cmake -DINPUT=file.bin -DOUTPUT=file.cpp -DSYMBOL=name -P EmbedBinary.cmake
# Writes a C++ source defining `extern const unsigned char SYMBOL[]` and `SYMBOL_size`.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" length)
math(EXPR size "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}" "// Generated from ${INPUT}; do not edit.\n#include <cstddef>\nextern const unsigned char ${SYMBOL}[] = {${bytes}};\nextern const std::size_t ${SYMBOL}_size = ${size};\n")
