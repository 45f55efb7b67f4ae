#include "fs/other/OtherProbe.h"

#include <blkid/blkid.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fs/LabelText.h"
#include "engine/IFileBacked.h"
#include "fs/VolumeReader.h"
#include "core/FileSystemTypes.h"

namespace {

// The first MiB holds the superblocks of every file system worth naming (btrfs sits at 64 KiB).
constexpr int64_t kProbeSectors = 2048;
constexpr int64_t kReadSectors = 128;

// The start of the volume; sectors that cannot be read stay zero.
std::vector<uint8_t> ReadHead(VolumeReader& reader)
{
    const int64_t sectors = std::min(reader.SectorCount(), kProbeSectors);
    std::vector<uint8_t> head(size_t(sectors) * kVolumeSectorBytes);
    for (int64_t first = 0; first < sectors; first += kReadSectors) {
        const int64_t count = std::min(kReadSectors, sectors - first);
        reader.ReadSectors(head.data() + first * kVolumeSectorBytes, first, count);
    }
    return head;
}

class MemoryFile {
public:
    explicit MemoryFile(const std::vector<uint8_t>& bytes) : m_fd(memfd_create("volmara-probe", MFD_CLOEXEC))
    {
        for (size_t done = 0; m_fd >= 0 && done < bytes.size();) {
            const ssize_t written = write(m_fd, bytes.data() + done, bytes.size() - done);
            if (written <= 0) {
                close(m_fd);
                m_fd = -1;
            } else {
                done += size_t(written);
            }
        }
    }
    ~MemoryFile()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

class Probe {
public:
    Probe() : m_probe(blkid_new_probe()) {}
    ~Probe()
    {
        if (m_probe)
            blkid_free_probe(m_probe);
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;
    blkid_probe get() const { return m_probe; }

    std::string Value(const char* name) const
    {
        const char* data = nullptr;
        size_t size = 0;
        if (blkid_probe_lookup_value(m_probe, name, &data, &size) != 0 || !data)
            return {};
        return std::string(data, strnlen(data, size));
    }

private:
    blkid_probe m_probe;
};

} // namespace

bool ProbeOther(ISectorDevice& volume, int64_t sectorCount, PartitionInfo& info)
{
    Probe probe;
    if (!probe.get() || sectorCount <= 0)
        return false;
    // A device on a file is probed in place; anything else through a copy of its first MiB.
    std::vector<uint8_t> head;
    std::unique_ptr<MemoryFile> copy;
    int fd = -1;
    blkid_loff_t offset = 0;
    const blkid_loff_t bytes = blkid_loff_t(std::min(sectorCount, kProbeSectors)) * kVolumeSectorBytes;
    if (const auto* backed = dynamic_cast<const IFileBacked*>(&volume); backed && backed->BackingFd() >= 0) {
        fd = backed->BackingFd();
        offset = backed->BackingByteOffset();
    } else {
        VolumeReader reader(volume, sectorCount);
        head = ReadHead(reader);
        if (head.empty())
            return false;
        copy = std::make_unique<MemoryFile>(head);
        fd = copy->fd();
    }
    if (fd < 0 || blkid_probe_set_device(probe.get(), fd, offset, bytes) != 0)
        return false;
    blkid_probe_enable_partitions(probe.get(), 0);
    blkid_probe_enable_superblocks(probe.get(), 1);
    blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_LABEL | BLKID_SUBLKS_TYPE);

    const int result = blkid_do_safeprobe(probe.get());
    if (result == -2) { // several signatures: something is there, but nothing to name
        info.FileSystemType = kFsOther;
        return true;
    }
    if (result != 0 || probe.Value("TYPE").empty())
        return false;
    info.FileSystemType = kFsOther;
    const std::string label = probe.Value("LABEL");
    StoreLabel(info, Utf8LabelFromBytes(reinterpret_cast<const uint8_t*>(label.data()), label.size()));
    return true;
}
