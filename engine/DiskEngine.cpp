#include "DiskEngine.h"
#include "model/LabelRule.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sys/utsname.h>
#include <unistd.h>

#include "KBootConfig.h"
#include "VolumeInfo.h"
#include "labels/ExtLabel.h"
#include "labels/FatLabel.h"
#include "labels/NtfsLabel.h"
#include "recognisers/ExtRecogniser.h"
#include "recognisers/FatRecogniser.h"
#include "recognisers/NtfsRecogniser.h"
#include "model/FileSystemTypes.h"
#include "KDisk.h"
#include "KDriveLetterTable.h"
#include "KVolumeDevice.h"
#include "KVolumeLoader.h"
#include "StateDirectory.h"

namespace {

// Until dynamic-disk metadata can be read, every disk is reported as not convertible.
class KConvertDynamicDisk : public IConvertDynamicDiskToBasicDisk {
public:
    int SetDisk(IDisk* disk) override { return (m_disk = disk) != nullptr ? 1 : 0; }
    int Convert() override { return 0; }
    int HasMirroredVolumes() override { return 0; }
    const PartitionList& Volumes() const override { return m_volumes; }

private:
    IDisk* m_disk = nullptr;
    PartitionList m_volumes;
};

// Offers a sector to each file-system family's recogniser in turn.
class KFileSystemParameterGenerator : public IFileSystemParameterGenerator {
public:
    int Recognise(IDisk* disk, const uint8_t* sector, int64_t lba, PartitionInfo* found) override
    {
        return RecogniseFat(disk, sector, lba, found) || RecogniseNtfs(disk, sector, lba, found)
                   || RecogniseExt(disk, sector, lba, found)
            ? 1
            : 0;
    }
};

} // namespace

IDisk* CreateInterface_IDisk()
{
    return new KDisk();
}

IVolumeLoader* CreateInterface_IVolumeLoader()
{
    return new KVolumeLoader();
}

IBootIniConfigFile* CreateInterface_IBootIniConfigFile()
{
    return new KBootIniConfigFile();
}

IVistaBCDConfigFile* CreateInterface_IVistaBCDConfigFile()
{
    return new KVistaBcdConfigFile();
}

IConvertDynamicDiskToBasicDisk* CreateInterface_IConvertDynamicDiskToBasicDisk()
{
    return new KConvertDynamicDisk();
}

IFileSystemParameterGenerator* CreateInterface_IFileSystemParameterGenerator()
{
    return new KFileSystemParameterGenerator();
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

int kSetVolumeLabel(IVolumeDevice* device, const char* label, int* problem)
{
    if (problem)
        *problem = kLabelOk;
    if (!device)
        return 0;
    PartitionInfo info = MakeEmptyPartitionInfo();
    const int64_t sectors = device->GetSectorCount();
    ReadVolumeInfo(*device, sectors, info);
    if (const LabelProblem refused = CheckVolumeLabel(info.FileSystemType, label ? label : "")) {
        if (problem)
            *problem = refused;
        return 0;
    }
    if (IsFatCode(info.FileSystemType)) {
        bool noRoom = false;
        const int set = SetFatVolumeLabel(*device, sectors, label, &noRoom);
        if (noRoom && problem)
            *problem = kLabelNoRoom;
        return set;
    }
    if (info.FileSystemType == kFsNtfs)
        return SetNtfsVolumeLabel(*device, sectors, label);
    if (info.FileSystemType == kFsExt2 || info.FileSystemType == kFsExt3)
        return SetExtVolumeLabel(*device, sectors, label);
    if (info.FileSystemType == kFsLinuxSwap)
        return SetSwapVolumeLabel(*device, sectors, label);
    return 0; // no label writer for this file system
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

uint32_t GetTickCount()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

namespace {
std::atomic<uint64_t> g_fixedTime{0};
constexpr uint64_t kEpochDifference = 116444736000000000ull; // 1601 -> 1970 in 100 ns
} // namespace

void SetFixedSystemTime(uint64_t fileTime)
{
    g_fixedTime = fileTime;
}

uint64_t GetSystemFileTime()
{
    using namespace std::chrono;
    if (const uint64_t fixed = g_fixedTime)
        return fixed;
    const auto since1970 = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    return kEpochDifference + uint64_t(since1970 / 100);
}

EngineLocalTime GetLocalTime()
{
    using namespace std::chrono;
    auto now = system_clock::now();
    if (const uint64_t fixed = g_fixedTime) {
        // A pinned time is taken as UTC calendar fields, whatever the local zone.
        const std::time_t t = std::time_t((fixed - kEpochDifference) / 10000000);
        std::tm tm {};
        ::gmtime_r(&t, &tm);
        return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0, tm.tm_wday};
    }
    const std::time_t t = system_clock::to_time_t(now);
    std::tm tm {};
    ::localtime_r(&t, &tm);
    const int ms = int(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, ms, tm.tm_wday};
}

int AnsiToUnicode(const char* source, int sourceBytes, char16_t* destination, int destinationUnits)
{
    if (!destination || destinationUnits <= 0)
        return 0;
    int out = 0;
    const auto* s = reinterpret_cast<const unsigned char*>(source ? source : "");
    const int length = sourceBytes < 0 ? int(std::strlen(reinterpret_cast<const char*>(s))) : sourceBytes;
    int i = 0;
    while (i < length && s[i] && out < destinationUnits - 1) {
        uint32_t cp = s[i];
        int extra = cp < 0x80 ? 0 : (cp >> 5) == 6 ? 1 : (cp >> 4) == 14 ? 2 : (cp >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + extra >= length) {
            cp = 0xFFFD;
            extra = 0;
        } else if (extra > 0) {
            cp &= 0x3F >> extra;
            for (int k = 1; k <= extra; ++k) {
                if ((s[i + k] & 0xC0) != 0x80) {
                    cp = 0xFFFD;
                    extra = k - 1;
                    break;
                }
                cp = (cp << 6) | (s[i + k] & 0x3F);
            }
        }
        i += extra + 1;
        if (cp >= 0x10000) {
            if (out + 2 > destinationUnits - 1)
                break;
            cp -= 0x10000;
            destination[out++] = char16_t(0xD800 + (cp >> 10));
            destination[out++] = char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            destination[out++] = char16_t(cp);
        }
    }
    destination[out] = 0;
    return out;
}

int UnicodeToAnsi(const char16_t* source, int sourceUnits, char* destination, int destinationBytes)
{
    if (!destination || destinationBytes <= 0)
        return 0;
    int out = 0;
    for (int i = 0; source && (sourceUnits < 0 || i < sourceUnits) && source[i]; ++i) {
        uint32_t cp = source[i];
        if (cp >= 0xD800 && cp < 0xDC00 && (sourceUnits < 0 || i + 1 < sourceUnits) && source[i + 1] >= 0xDC00 &&
            source[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (source[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = '?';
        }
        char bytes[4];
        int n = 0;
        if (cp < 0x80) {
            bytes[n++] = char(cp);
        } else if (cp < 0x800) {
            bytes[n++] = char(0xC0 | (cp >> 6));
            bytes[n++] = char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            bytes[n++] = char(0xE0 | (cp >> 12));
            bytes[n++] = char(0x80 | ((cp >> 6) & 0x3F));
            bytes[n++] = char(0x80 | (cp & 0x3F));
        } else {
            bytes[n++] = char(0xF0 | (cp >> 18));
            bytes[n++] = char(0x80 | ((cp >> 12) & 0x3F));
            bytes[n++] = char(0x80 | ((cp >> 6) & 0x3F));
            bytes[n++] = char(0x80 | (cp & 0x3F));
        }
        if (out + n > destinationBytes - 1)
            break;
        std::memcpy(destination + out, bytes, size_t(n));
        out += n;
    }
    destination[out] = 0;
    return out;
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
