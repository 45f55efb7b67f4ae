// The disk-configuration export of the command-line tool.
#pragma once

#include <string>

class IVolumeManager;

// Every disk of the manager: its header line and one line per entry.
std::string ExportDiskConfiguration(IVolumeManager& manager);
