// Sets the label of an Ext2/Ext3 volume: the superblock and its backup copies.
#pragma once

class ISectorDevice;

// 1 success; 0 when the volume is not Ext2/3, the label is longer than 16 bytes, or I/O fails.
int SetExtVolumeLabel(ISectorDevice& volume, long long sectorCount, const char* label);
