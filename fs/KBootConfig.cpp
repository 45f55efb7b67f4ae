#include "fs/KBootConfig.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <strings.h>

int KBootIniConfigFile::Save(IVolumeDevice* device)
{
    if (!m_changed)
        return 1;
    // Writing goes through the boot volume's file-system explorer; without one nothing can be saved.
    (void)device;
    return 0;
}

int KBootIniConfigFile::Attach(IVolumeDevice* device)
{
    m_text.clear();
    m_changed = false;
    return device ? 1 : 0;
}

int KBootIniConfigFile::RegisterPartition(const PartitionInfo& info)
{
    for (auto& known : m_registered)
        if (SamePartition(known, info)) {
            known = info;
            return 1;
        }
    m_registered.push_back(info);
    return 1;
}

int KBootIniConfigFile::Renumber(const PartitionList& oldList, const PartitionList& newList)
{
    if (m_text.empty())
        return 1;
    // ARC partition numbers count a disk's partitions from 1 in disk order.
    auto ordinalIn = [](const PartitionList& list, const PartitionInfo& p) {
        int n = 0;
        for (const auto& e : list) {
            if (e.PartitionTypeId == 0)
                continue;
            ++n;
            if (SamePartition(e, p))
                return n;
        }
        return 0;
    };
    std::vector<int> mapping(oldList.size() + 1, 0);
    int n = 0;
    for (const auto& e : oldList) {
        if (e.PartitionTypeId == 0)
            continue;
        mapping[size_t(++n)] = ordinalIn(newList, e);
    }
    // Rewrite every "partition(N)", case-insensitively, keeping the rest of the text.
    std::string out;
    std::string lower = m_text;
    for (auto& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    static const std::string key = "partition(";
    size_t pos = 0;
    while (true) {
        const size_t hit = lower.find(key, pos);
        size_t digits = hit == std::string::npos ? hit : hit + key.size();
        size_t end = digits;
        while (end != std::string::npos && end < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[end])))
            ++end;
        if (hit == std::string::npos || end == digits || end >= m_text.size() || m_text[end] != ')') {
            if (hit == std::string::npos) {
                out.append(m_text, pos, std::string::npos);
                break;
            }
            out.append(m_text, pos, hit + 1 - pos);
            pos = hit + 1;
            continue;
        }
        out.append(m_text, pos, digits - pos);
        const int oldNumber = std::atoi(m_text.substr(digits, end - digits).c_str());
        const int newNumber = oldNumber > 0 && size_t(oldNumber) < mapping.size() && mapping[size_t(oldNumber)]
                                  ? mapping[size_t(oldNumber)]
                                  : oldNumber;
        out += std::to_string(newNumber);
        pos = end;
    }
    if (out != m_text) {
        m_text = out;
        m_changed = true;
    }
    return 1;
}

int KBootIniConfigFile::Load(IFileSystemExplorer& explorer)
{
    m_loaded = false;
    m_text.clear();
    m_changed = false;
    std::vector<ExplorerEntry> root;
    if (!explorer.List(kExplorerRoot, root))
        return 0;
    for (const ExplorerEntry& entry : root) {
        if ((entry.Attributes & 0x10) || strncasecmp(entry.Name, "boot.ini", sizeof entry.Name) != 0)
            continue;
        std::vector<uint8_t> bytes;
        // boot.ini is a few hundred bytes; anything past 1 MiB is not one.
        if (entry.Size < 0 || entry.Size > (1 << 20) || !explorer.ReadFile(entry, bytes)
            || int64_t(bytes.size()) != entry.Size)
            return 0;
        const auto* first = reinterpret_cast<const char*>(bytes.data());
        m_text.assign(first, strnlen(first, bytes.size()));
        m_file = entry;
        m_loaded = true;
        return 1;
    }
    return 0;
}

void KBootIniConfigFile::Edit(const std::string& text)
{
    if (text != m_text) {
        m_text = text;
        m_changed = true;
    }
}

int KBootIniConfigFile::Save(IFileSystemExplorer& explorer)
{
    if (!m_loaded)
        return 0;
    std::vector<uint8_t> bytes(size_t(m_file.Size), 0);
    std::memcpy(bytes.data(), m_text.data(), std::min(bytes.size(), m_text.size()));
    if (!explorer.WriteFileInPlace(m_file, bytes))
        return 0;
    m_changed = false;
    return 1;
}

namespace {

// The decimal number at `at`; npos when there is none.
size_t readNumber(const std::string& text, size_t at, int& value)
{
    size_t end = at;
    while (end < text.size() && end - at < 9 && std::isdigit(static_cast<unsigned char>(text[end])))
        ++end;
    if (end == at)
        return std::string::npos;
    value = std::atoi(text.substr(at, end - at).c_str());
    return end;
}

std::string arcPath(int rdisk, int partition)
{
    return "rdisk(" + std::to_string(rdisk) + ")partition(" + std::to_string(partition) + ")";
}

} // namespace

std::vector<BootIniSystem> KBootIniConfigFile::OperatingSystems() const
{
    std::vector<BootIniSystem> systems;
    size_t at = m_text.find("[operating systems]");
    while (at != std::string::npos) {
        BootIniSystem system;
        at = m_text.find("rdisk(", at);
        if (at == std::string::npos || (at = readNumber(m_text, at + 6, system.RDisk)) == std::string::npos)
            break;
        at = m_text.find("partition(", at);
        if (at == std::string::npos || (at = readNumber(m_text, at + 10, system.Partition)) == std::string::npos)
            break;
        at = m_text.find('=', at);
        const size_t open = at == std::string::npos ? at : m_text.find('"', at);
        const size_t close = open == std::string::npos ? open : m_text.find('"', open + 1);
        if (close == std::string::npos)
            break;
        system.Name = m_text.substr(open + 1, close - open - 1);
        systems.push_back(system);
        at = close + 1;
    }
    return systems;
}

int KBootIniConfigFile::Repoint(int rdisk, int oldPartition, int newPartition)
{
    const std::string from = arcPath(rdisk, oldPartition), to = arcPath(rdisk, newPartition);
    if (from.size() != to.size())
        return 0;
    std::string text = m_text;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    Edit(text);
    return 1;
}
