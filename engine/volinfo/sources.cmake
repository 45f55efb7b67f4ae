# Volume-information reader: paths relative to engine/. Link the engine with libblkid (pkg-config blkid).
set(VOLMARA_VOLINFO_SOURCES
  VolumeInfo.cpp
  volinfo/ClusterChain.cpp
  volinfo/ExfatProbe.cpp
  volinfo/ExtProbe.cpp
  volinfo/FatLayout.cpp
  volinfo/FatProbe.cpp
  volinfo/LabelText.cpp
  volinfo/NtfsProbe.cpp
  volinfo/OtherProbe.cpp
  volinfo/SwapProbe.cpp
  volinfo/VolumeReader.cpp
)
