#include "CommandsFile.h"

#include <cstdio>
#include <sstream>

#include "model/FreeSpace.h"
#include "model/IVolumeManager.h"

namespace {

std::string hashes(int n)
{
    return std::string(size_t(n), '#');
}

} // namespace

std::string BuildCommandsFile(IVolumeManager& manager, const std::vector<PendingCommand>& commands)
{
    std::string out;
    auto line = [&out](const std::string& text) { out += text + "\r\n"; };
    line(hashes(38) + " Volmara Commands File " + hashes(38));
    line("");
    line(hashes(38) + " Device Information " + hashes(50));
    line("");
    const int disks = manager.GetDiskCount();
    line("DiskCount:" + std::to_string(uint32_t(disks)));
    for (int d = 0; d < disks; ++d) {
        IDisk* disk = manager.GetDisk(d);
        line("DiskIndex:" + std::to_string(uint32_t(d)));
        line("DiskSize:" + std::to_string(disk ? disk->GetTotalSectors() : 0));
        PartitionList list;
        for (int i = 0; i < manager.GetPartitionCount(d); ++i) {
            PartitionInfo p{};
            if (manager.GetPartition(d, i, &p))
                list.push_back(p);
        }
        // The snapshot shows the layout as the views do, free areas included.
        TableErrorList errors;
        FreeSpaceFlags flags;
        flags.Gpt = disk && disk->IsGpt();
        flags.Dynamic = disk && disk->IsDynamic();
        if (manager.GetTableErrors(d, &errors))
            flags.Errors = &errors;
        RegenerateFreeSpace(disk, flags, list);
        line("PartitionCount:" + std::to_string(uint32_t(list.size())));
        for (size_t i = 0; i < list.size(); ++i) {
            line("PartitionIndex:" + std::to_string(uint32_t(i)));
            line("PartitionStartingLBA:" + std::to_string(list[i].StartingLba));
            line("PartitionSize:" + std::to_string(list[i].SectorCount));
            line("PartitionFileSystem:" + std::to_string(uint32_t(int32_t(list[i].FileSystemType))));
        }
    }
    line("");
    line(hashes(34) + " Commands Running in Windows Native Model " + hashes(31));
    line("");
    line("CommandCount:" + std::to_string(uint32_t(commands.size())));
    for (const auto& c : commands)
        line(std::string(c.DirectWrite ? "*" : "") + c.Line);
    return out;
}

bool WriteTextFile(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<PendingCommand> ReadCommandsFile(const std::string& text)
{
    std::vector<PendingCommand> commands;
    std::istringstream in(text);
    std::string line;
    long long remaining = -1;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (remaining < 0) {
            if (line.rfind("CommandCount:", 0) == 0)
                remaining = std::strtoll(line.c_str() + 13, nullptr, 10);
            continue;
        }
        if (remaining-- <= 0)
            break;
        const bool direct = !line.empty() && line[0] == '*';
        commands.push_back(PendingCommand::Make(line.c_str() + (direct ? 1 : 0), direct ? 1 : 0));
    }
    return commands;
}

bool ReadCommandsFileStrict(const std::string& text, std::vector<PendingCommand>& commands, std::string& error)
{
    commands.clear();
    if (text.find('\0') != std::string::npos) {
        error = "not a commands file (it holds binary data)";
        return false;
    }
    const std::string key = "CommandCount:";
    // The first line that starts with the key, as the reader takes it.
    size_t at = text.rfind(key, 0) == 0 ? 0 : text.find("\n" + key);
    if (at != 0 && at != std::string::npos)
        ++at;
    if (at == std::string::npos) {
        error = "not a commands file (no CommandCount line)";
        return false;
    }
    size_t end = text.find('\n', at);
    std::string count = text.substr(at + key.size(), end == std::string::npos ? std::string::npos : end - at - key.size());
    if (!count.empty() && count.back() == '\r')
        count.pop_back();
    if (count.empty() || count.size() > 9 || count.find_first_not_of("0123456789") != std::string::npos) {
        error = "the command count is not a number";
        return false;
    }
    commands = ReadCommandsFile(text);
    if (commands.size() != size_t(std::stoll(count))) {
        error = "the file announces " + count + " commands and holds " + std::to_string(commands.size());
        return false;
    }
    return true;
}
