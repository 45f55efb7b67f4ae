// Offered by devices that sit on a file descriptor, so probes that need one (libblkid) can read the
// volume in place instead of copying it. The byte range starts at BackingByteOffset().
#pragma once

#include <cstdint>

class IFileBacked {
public:
    virtual ~IFileBacked() = default;
    virtual int BackingFd() const = 0;
    virtual int64_t BackingByteOffset() const = 0;
};
