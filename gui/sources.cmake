# Widget sources: each view appends its files (paths relative to gui/).
list(APPEND VOLMARA_WIDGET_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/KDiskMapPartitionItemModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KDiskMapPartitionItemModel.h
  ${CMAKE_CURRENT_LIST_DIR}/KActionPanel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KActionPanel.h
)
