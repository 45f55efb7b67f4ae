// Sets the label of an Ext2/Ext3 volume (the superblock and its backup copies) or of a Linux swap
// area (the version-1 header).
#pragma once

class ISectorDevice;

// 1 success; 0 when the volume is not of that kind, the label is longer than 16 bytes, or I/O fails.
int SetExtVolumeLabel(ISectorDevice& volume, long long sectorCount, const char* label);
int SetSwapVolumeLabel(ISectorDevice& volume, long long sectorCount, const char* label);
