# Widget sources: each view appends its files (as ${CMAKE_CURRENT_LIST_DIR}/File).
list(APPEND VOLMARA_WIDGET_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/KDiskMapPartitionItemModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KDiskMapPartitionItemModel.h
  ${CMAKE_CURRENT_LIST_DIR}/KActionPanel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KActionPanel.h
  ${CMAKE_CURRENT_LIST_DIR}/FileSystemColors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileSystemColors.h
  ${CMAKE_CURRENT_LIST_DIR}/SizeText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SizeText.h
  ${CMAKE_CURRENT_LIST_DIR}/KDiskMapItem.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KDiskMapItem.h
  ${CMAKE_CURRENT_LIST_DIR}/KDiskMap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KDiskMap.h
  ${CMAKE_CURRENT_LIST_DIR}/KLegendBar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KLegendBar.h
  ${CMAKE_CURRENT_LIST_DIR}/KApplyOperationsPendingDlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KApplyOperationsPendingDlg.h
  ${CMAKE_CURRENT_LIST_DIR}/KApplyOperationsPendingDlg.ui
  ${CMAKE_CURRENT_LIST_DIR}/KMessageBoxInteraction.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KMessageBoxInteraction.h
  ${CMAKE_CURRENT_LIST_DIR}/Artwork.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Artwork.h
)
