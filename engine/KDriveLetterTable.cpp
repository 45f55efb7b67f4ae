#include "KDriveLetterTable.h"

#include <cctype>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

#include "Guid.h"
#include "IDisk.h"
#include "StateDirectory.h"

namespace {

std::string tablePath()
{
    return StateDirectoryPath() + "/mounted-devices";
}

// Serialises read-modify-write cycles between processes.
class TableLock {
public:
    TableLock()
    {
        EnsureStateDirectory();
        m_fd = ::open((tablePath() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd >= 0)
            ::flock(m_fd, LOCK_EX);
    }
    ~TableLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

private:
    int m_fd = -1;
};

} // namespace

std::string KDriveLetterTable::DiskIdentity(IDisk& disk)
{
    if (disk.IsGpt()) {
        GptHeader header{};
        if (disk.ReadGptHeader(&header))
            return GuidToText(header.DiskGuid);
    }
    if (const uint32_t signature = disk.GetMbrSignature()) {
        char text[16];
        std::snprintf(text, sizeof text, "%08X", signature);
        return text;
    }
    return disk.GetPath();
}

std::vector<KDriveLetterTable::Assignment> KDriveLetterTable::Read()
{
    std::vector<Assignment> table;
    std::ifstream in(tablePath());
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string letter, identity;
        long long start = -1;
        if (!(fields >> letter >> identity >> start) || letter.size() != 1)
            continue;
        const char l = char(std::toupper(static_cast<unsigned char>(letter[0])));
        if (l < 'C' || l > 'Z' || start < 0)
            continue;
        table.push_back({l, identity, start});
    }
    return table;
}

bool KDriveLetterTable::Write(const std::vector<Assignment>& table)
{
    if (!EnsureStateDirectory())
        return false;
    const std::string path = tablePath();
    const std::string temp = path + ".new";
    {
        std::ofstream out(temp, std::ios::trunc);
        if (!out)
            return false;
        for (const auto& a : table)
            out << a.Letter << ' ' << a.DiskIdentity << ' ' << a.StartingLba << '\n';
        out.flush();
        if (!out)
            return false;
    }
    return std::rename(temp.c_str(), path.c_str()) == 0;
}

uint32_t KDriveLetterTable::UsedMask()
{
    uint32_t mask = 0;
    for (const auto& a : Read())
        mask |= 1u << (a.Letter - 'A');
    return mask;
}

char KDriveLetterTable::LetterOf(const std::string& diskIdentity, int64_t startingLba)
{
    return LetterIn(Read(), diskIdentity, startingLba);
}

char KDriveLetterTable::LetterIn(const std::vector<Assignment>& table, const std::string& diskIdentity,
                                 int64_t startingLba)
{
    for (const auto& a : table)
        if (a.DiskIdentity == diskIdentity && a.StartingLba == startingLba)
            return a.Letter;
    return 0;
}

bool KDriveLetterTable::Assign(char letter, const std::string& diskIdentity, int64_t startingLba)
{
    letter = char(std::toupper(static_cast<unsigned char>(letter)));
    if (letter < 'C' || letter > 'Z' || diskIdentity.empty())
        return false;
    TableLock lock;
    std::vector<Assignment> table;
    for (const auto& a : Read()) {
        const bool sameVolume = a.DiskIdentity == diskIdentity && a.StartingLba == startingLba;
        if (a.Letter == letter && !sameVolume)
            return false;
        if (!sameVolume)
            table.push_back(a);
    }
    table.push_back({letter, diskIdentity, startingLba});
    return Write(table);
}

bool KDriveLetterTable::Remove(const std::string& diskIdentity, int64_t startingLba)
{
    TableLock lock;
    std::vector<Assignment> table;
    bool changed = false;
    for (const auto& a : Read()) {
        if (a.DiskIdentity == diskIdentity && a.StartingLba == startingLba)
            changed = true;
        else
            table.push_back(a);
    }
    return !changed || Write(table);
}
