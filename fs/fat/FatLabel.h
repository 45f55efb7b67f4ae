// Sets the label of a FAT12/16/32 volume: the boot sector (and FAT32's backup boot sector) and the
// root directory's volume-label entry, which is created when missing and removed for an empty label.
#pragma once

class ISectorDevice;

// 1 success; 0 when the volume is no FAT volume, the root directory has no room (`noRoom` set then),
// or I/O fails. The label follows the FAT label rule; lower-case letters are stored in upper case.
int SetFatVolumeLabel(ISectorDevice& volume, long long sectorCount, const char* label, bool* noRoom = nullptr);
