# Volume-information reader tests: paths relative to tests/. They run mkfs.fat, mtools, mkntfs, mke2fs,
# mkswap and blkid (and mkfs.exfat, mkfs.btrfs, mkfs.xfs when installed) and skip the cases whose tools are missing.
set(VOLMARA_VOLINFO_TEST_SOURCES
  engine/VolumeInfoTest.cpp
)
