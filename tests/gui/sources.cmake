# Widget test sources: each view appends its test files (as ${CMAKE_CURRENT_LIST_DIR}/File).
list(APPEND VOLMARA_GUI_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/PartitionListTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GermanLayoutTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ActionPanelTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DiskMapTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TranslationTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ApplyDialogTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ActionStateTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainFrameSupport.h
  ${CMAKE_CURRENT_LIST_DIR}/MainFrameTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScreenshotTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DiskMapProbe.h
  ${CMAKE_CURRENT_LIST_DIR}/MessageBoxAnswer.h
  ${CMAKE_CURRENT_LIST_DIR}/MessageBoxInteractionTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ArtworkTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StartupTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PendingListTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HandlerSupport.h
  ${CMAKE_CURRENT_LIST_DIR}/HandlersTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DynamicDiskTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DialogHandlersTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DialogScreenshotTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ResizeCtrlMouse.h
  ${CMAKE_CURRENT_LIST_DIR}/PartitionResizeCtrlTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MoveResizeDlgTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CreatePartitionDlgTest.cpp
)
# The format, label, letter, type-id, serial-number, cluster-size and wipe dialogs.
list(APPEND VOLMARA_GUI_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/DialogProbe.h
  ${CMAKE_CURRENT_LIST_DIR}/FormatDialogTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LabelDialogTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LetterDialogTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TypeIdDialogTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialNumberDialogTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ClusterSizeDialogTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WipeDialogTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AttributeDialogLayoutTest.cpp
)
# The wizards.
list(APPEND VOLMARA_GUI_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/MergeWizardTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CopyDiskTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CopyWizardTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CopyPartitionTest.cpp
)
# The disk tools.
list(APPEND VOLMARA_GUI_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/SurfaceScanSupport.h
  ${CMAKE_CURRENT_LIST_DIR}/SurfaceScanTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SurfaceScanLoopTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecoveryWizardTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileSystemToolsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PropertiesTest.cpp
)
# The side functions.
list(APPEND VOLMARA_GUI_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/SideFunctionsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ManualPicturesTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ExplorerDialogTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BootIniToolsTest.cpp
)
