// The disk-configuration export of the command-line tool.
#pragma once

#include <string>

class IVirtualVolumeManager;

// Every disk of the pending layout: its header line and one line per entry, free areas included.
std::string ExportDiskConfiguration(IVirtualVolumeManager& layout);
