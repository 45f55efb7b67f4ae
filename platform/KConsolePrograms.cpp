#include "KConsolePrograms.h"

#include <cstdlib>
#include <sstream>
#include <unistd.h>

namespace KConsolePrograms {

namespace {

// The checkers live in the system directories, which a user's PATH may leave out.
std::string findProgram(const std::string& name)
{
    std::string dirs = std::getenv("PATH") ? std::getenv("PATH") : "";
    dirs += ":/usr/sbin:/sbin:/usr/bin:/bin";
    std::istringstream in(dirs);
    for (std::string dir; std::getline(in, dir, ':');) {
        if (dir.empty())
            continue;
        const std::string path = dir + "/" + name;
        if (::access(path.c_str(), X_OK) == 0)
            return path;
    }
    return name;
}

std::string shellQuoted(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// fsck.fat: "[12?q]?" after the lines "1) ...", "2) ...". Each choice becomes a question; without a
// way out ("q") the last choice is what remains when the others are refused.
std::vector<Question> fatQuestion(const std::vector<std::string>& lines, const std::string& current)
{
    // "[" digits, an optional "?", an optional "q", "]?".
    const std::string line = trimmed(current);
    size_t at = 1;
    while (at < line.size() && line[at] >= '0' && line[at] <= '9')
        ++at;
    if (line.size() < 4 || line[0] != '[' || at == 1)
        return {};
    const std::string digits = line.substr(1, at - 1);
    if (at < line.size() && line[at] == '?')
        ++at;
    const bool canQuit = at < line.size() && line[at] == 'q';
    if (canQuit)
        ++at;
    if (line.compare(at, std::string::npos, "]?") != 0)
        return {};
    // The choices stand in the lines just before the prompt, the matter they decide before them.
    constexpr size_t kLookBack = 12;
    const size_t from = lines.size() > kLookBack ? lines.size() - kLookBack : 0;
    std::vector<std::string> choices;
    size_t firstChoice = lines.size();
    for (char d : digits) {
        std::string found;
        for (size_t i = lines.size(); i-- > from;) {
            if (lines[i].size() >= 2 && lines[i][0] == d && lines[i][1] == ')') {
                found = lines[i];
                firstChoice = std::min(firstChoice, i);
                break;
            }
        }
        choices.push_back(found.empty() ? std::string(1, d) + ")" : found);
    }
    std::string context;
    for (size_t i = firstChoice, taken = 0; i-- > from && taken < 4 && !lines[i].empty(); ++taken)
        context = lines[i] + "\n" + context;
    std::vector<Question> chain;
    const size_t asked = canQuit || choices.size() == 1 ? choices.size() : choices.size() - 1;
    for (size_t i = 0; i < asked; ++i)
        chain.push_back({context + choices[i] + "?", std::string(1, digits[i]) + "\n", {}});
    chain.back().no = canQuit ? std::string("q\n") : std::string(1, digits.back()) + "\n";
    return chain;
}

} // namespace

std::optional<Command> CheckerCommand(int fileSystemType, const std::string& node, bool fix)
{
    if (node.empty())
        return std::nullopt;
    switch (fileSystemType) {
    case 1:
    case 6:
    case 11:
        return Command{findProgram("fsck.fat"), {fix ? "-r" : "-n", node}, Dialect::Fat, false};
    case 7:
        if (fix)
            return Command{findProgram("ntfsfix"), {node}, Dialect::YesNo, false};
        return Command{findProgram("ntfsfix"), {"-n", node}, Dialect::YesNo, false};
    case 49:
    case 50:
        // A volume marked clean is checked all the same (-f).
        if (fix)
            return Command{findProgram("e2fsck"), {"-f", node}, Dialect::Ext, true};
        return Command{findProgram("e2fsck"), {"-f", "-n", node}, Dialect::Ext, false};
    default:
        return std::nullopt;
    }
}

std::optional<Command> ConverterCommand(const std::string& directory, char letter)
{
    const char upper = char(letter & ~0x20);
    if (upper < 'C' || upper > 'Z')
        return std::nullopt;
    const std::string path = directory + "/" + kConverterName;
    if (::access(path.c_str(), X_OK) != 0)
        return std::nullopt;
    return Command{path, {std::string(1, upper) + ":", "/FS:NTFS"}, Dialect::YesNo, false};
}

Command OnTerminal(const Command& command)
{
    if (!command.needsTerminal)
        return command;
    std::string line = shellQuoted(command.program);
    for (const auto& a : command.arguments) {
        line += ' ';
        line += shellQuoted(a);
    }
    // -e: the program's exit status; -f: its output passed on at once; -q: no banner.
    return Command{findProgram("script"), {"-q", "-e", "-f", "-c", line, "/dev/null"}, command.dialect, false};
}

std::vector<Question> FindQuestion(Dialect dialect, const std::vector<std::string>& lines, const std::string& current)
{
    switch (dialect) {
    case Dialect::YesNo: {
        // The line being written, or the one just finished when the program ended its question with a
        // line feed.
        const std::string line = trimmed(current).empty() && !lines.empty() ? lines.back() : trimmed(current);
        if (line.find("Y/N") == std::string::npos)
            return {};
        return {{line, "Y\r\n", "N\r\n"}};
    }
    case Dialect::Ext: {
        const std::string line = trimmed(current);
        if (line.size() < 4 || (line.compare(line.size() - 4, 4, "<y>?") != 0 && line.compare(line.size() - 4, 4, "<n>?") != 0))
            return {};
        // "Fix<y>?" alone on its line asks about the line before.
        std::string text = line.substr(0, line.size() - 4) + "?";
        if (line.find(' ') == std::string::npos && !lines.empty())
            text = lines.back() + "\n" + text;
        return {{text, "y", "n"}};
    }
    case Dialect::Fat:
        return fatQuestion(lines, current);
    }
    return {};
}

std::string KeyInput(Dialect dialect, const std::string& character)
{
    switch (dialect) {
    case Dialect::Ext:
        return character;
    case Dialect::Fat:
        return character + "\n";
    case Dialect::YesNo:
        break;
    }
    return character + "\r\n";
}

} // namespace KConsolePrograms
