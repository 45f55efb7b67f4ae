#include "DiskEngine.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sys/utsname.h>
#include <unistd.h>

#include "KDisk.h"
#include "KDriveLetterTable.h"
#include "KLdmDatabase.h"
#include "KVolumeDevice.h"
#include "StateDirectory.h"

namespace {

// Reads the disk's LDM database and plans one basic partition per volume; nothing is written here (the
// conversion itself happens when the queued lines run).
class KConvertDynamicDisk : public IConvertDynamicDiskToBasicDisk {
public:
    int SetDisk(IDisk* disk) override { return (m_disk = disk) != nullptr ? 1 : 0; }
    int Convert() override
    {
        m_volumes.clear();
        m_mirrored = false;
        if (!m_disk)
            return 0;
        Ldm::BasicPlan plan;
        if (Ldm::PlanBasicConversion(*m_disk, m_disk->GetTotalSectors(), plan) != Ldm::kPlanOk)
            return 0;
        m_volumes = plan.Partitions;
        m_mirrored = plan.HasMirroredVolumes;
        return 1;
    }
    int HasMirroredVolumes() override { return m_mirrored ? 1 : 0; }
    const PartitionList& Volumes() const override { return m_volumes; }

private:
    IDisk* m_disk = nullptr;
    PartitionList m_volumes;
    bool m_mirrored = false;
};

} // namespace

IDisk* CreateInterface_IDisk()
{
    return new KDisk();
}

IConvertDynamicDiskToBasicDisk* CreateInterface_IConvertDynamicDiskToBasicDisk()
{
    return new KConvertDynamicDisk();
}

IVolumeDevice* CreateVolumeDevice(IDisk* disk, const PartitionInfo& info)
{
    return KVolumeDevice::Create(disk, info);
}

int IsGptSupported()
{
    return 1;
}

int GetVersion(int* major, int* minor, int* build)
{
    if (major)
        *major = 6;
    if (minor)
        *minor = 1;
    if (build)
        *build = 0;
    return 1;
}

uint32_t GetDriveLetters()
{
    return KDriveLetterTable::UsedMask();
}

int HotExpandNtfsPartition(const PartitionInfo&, uint32_t, uint32_t, IProgressReporter*)
{
    return 0;
}

namespace {
thread_local int t_lastDiskError = kDiskErrorNone;
}

int GetLastDiskError()
{
    return t_lastDiskError;
}

void SetLastDiskError(int error)
{
    t_lastDiskError = error;
}

int GetSystemDirectory(char* buffer, int size)
{
    if (!buffer || size <= 0 || !EnsureStateDirectory())
        return 0;
    const std::string path = StateDirectoryPath();
    if (int(path.size()) >= size)
        return 0;
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return 1;
}

namespace {
std::string firstValue(const char* file, const char* key)
{
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) {
            auto pos = line.find_first_of(":=", std::strlen(key));
            if (pos == std::string::npos)
                continue;
            std::string value = line.substr(pos + 1);
            while (!value.empty() && (value.front() == ' ' || value.front() == '\t' || value.front() == '"'))
                value.erase(0, 1);
            while (!value.empty() && (value.back() == '"' || value.back() == ' '))
                value.pop_back();
            return value;
        }
    return {};
}
} // namespace

int GenerateSystemInformation(char* buffer, int size)
{
    if (!buffer || size <= 0)
        return 0;
    struct utsname u {};
    ::uname(&u);
    std::string distribution = firstValue("/etc/os-release", "PRETTY_NAME");
    std::string cpu = firstValue("/proc/cpuinfo", "model name");
    std::string memory = firstValue("/proc/meminfo", "MemTotal");
    const long cores = ::sysconf(_SC_NPROCESSORS_ONLN);
    std::snprintf(buffer, size_t(size), "OS: %s\r\nKernel: %s %s %s\r\nCPU: %s (%ld cores)\r\nMemory: %s\r\n",
                  distribution.empty() ? "Linux" : distribution.c_str(), u.sysname, u.release, u.machine,
                  cpu.empty() ? "unknown" : cpu.c_str(), cores, memory.empty() ? "unknown" : memory.c_str());
    return 1;
}
