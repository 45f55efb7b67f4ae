#include "fs/KBootConfig.h"

#include <cctype>
#include <cstdlib>

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
