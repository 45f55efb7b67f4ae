# volmara_assemble(<out-var> <asm file> <symbol> [nasm defines...])
# Assembles a flat binary with nasm at build time and embeds it as `extern const unsigned char
# <symbol>[]` / `<symbol>_size`; <out-var> receives the generated source to add to a target.
find_program(NASM nasm REQUIRED)
function(volmara_assemble OUT_VAR ASM SYMBOL)
  set(bin ${CMAKE_CURRENT_BINARY_DIR}/${SYMBOL}.bin)
  set(cpp ${CMAKE_CURRENT_BINARY_DIR}/${SYMBOL}.cpp)
  set(defines)
  foreach(d ${ARGN})
    list(APPEND defines -D${d})
  endforeach()
  add_custom_command(
    OUTPUT ${cpp}
    COMMAND ${NASM} -f bin ${defines} -o ${bin} ${CMAKE_CURRENT_SOURCE_DIR}/${ASM}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${bin} -DOUTPUT=${cpp} -DSYMBOL=${SYMBOL}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedBinary.cmake
    DEPENDS ${ASM} ${PROJECT_SOURCE_DIR}/cmake/EmbedBinary.cmake
    COMMENT "Assembling ${SYMBOL}")
  set(${OUT_VAR} ${cpp} PARENT_SCOPE)
endfunction()
