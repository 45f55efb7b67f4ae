#include "DriveLayout.h"

#include <cstring>

DriveLayoutEntry MakeEmptyLayoutEntry()
{
    DriveLayoutEntry entry;
    std::memset(&entry, 0, sizeof entry);
    return entry;
}
