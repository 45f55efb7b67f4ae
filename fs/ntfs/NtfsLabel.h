// Sets the label of an NTFS volume: the $VOLUME_NAME of $Volume, written back with its mirror copy.
#pragma once

class ISectorDevice;

// 1 success; 0 when the volume is no readable NTFS volume, the label is not UTF-8 or longer than 128 UTF-16 units,
// or I/O fails. The label is UTF-8; an empty one clears the name.
int SetNtfsVolumeLabel(ISectorDevice& volume, long long sectorCount, const char* label);
