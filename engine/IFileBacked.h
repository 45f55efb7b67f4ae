// Offered by devices that sit on a file descriptor, so probes that need one (libblkid) can read the
// volume in place instead of copying it. The byte range starts at BackingByteOffset().
#pragma once

#include <cstdint>
#include <string>

class IFileBacked {
public:
    virtual ~IFileBacked() = default;
    virtual int BackingFd() const = 0;
    virtual int64_t BackingByteOffset() const = 0;
    // The file or whole-disk device the range lies in, and the range's length in bytes.
    virtual std::string BackingPath() const = 0;
    virtual int64_t BackingByteLength() const = 0;
    // The kernel's own device node for the range (a partition of a block device), or "" when there is
    // none: an image file, or a partition the kernel does not know.
    virtual std::string DeviceNode() const { return {}; }
};
