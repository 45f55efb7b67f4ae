# Widget test sources: each view appends its test files (paths relative to tests/gui/).
list(APPEND VOLMARA_GUI_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/DiskMapTest.cpp
)
