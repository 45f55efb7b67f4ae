// Sets the label of a Linux swap area: the name field of its version-1 header.
#pragma once

class ISectorDevice;

// 1 success; 0 when the area is no version-1 swap area, the label is longer than 16 bytes, or I/O fails.
int SetSwapVolumeLabel(ISectorDevice& volume, long long sectorCount, const char* label);
