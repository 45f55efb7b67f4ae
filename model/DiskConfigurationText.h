// The disk-configuration text: every disk of a layout with its entries, free areas included, as the
// support export and the command-line tool write it.
#pragma once

#include <string>

class IVirtualVolumeManager;

enum class DiskBlockStyle {
    Compact,   // the disk line, then its entry lines
    Separated, // the disk line, an empty line, its entry lines, then three empty lines
};

// The layout's disks in order, numbered from 1; every line ends in CR LF.
std::string DiskConfigurationText(IVirtualVolumeManager& layout, DiskBlockStyle style);
