// The console programs the disk tools run on a volume: the platform's file-system checkers and the
// program's own FAT-to-NTFS converter. Each has its own way of asking a question and of taking the
// answer; this file knows them, the dialogs only show the output and pass the answers on.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace KConsolePrograms {

// How a program asks.
enum class Dialect {
    // A line with "Y/N" in it; the answer is a line: "Y" or "N" and CR LF, which the program shows
    // after its question. The converter.
    YesNo,
    // e2fsck: a prompt ending in "<y>?" or "<n>?", answered by one key (a line end after it would
    // answer the next question with its default).
    Ext,
    // fsck.fat: numbered choices "1) ...", "2) ..." and a prompt "[12?q]?", answered by a line, which
    // it shows.
    Fat,
};

struct Command {
    std::string program;
    std::vector<std::string> arguments;
    Dialect dialect = Dialect::YesNo;
    // The program repairs interactively only when it talks to a terminal.
    bool needsTerminal = false;
};

// The checker for a file-system type (FileSystemType codes) on the device node: check only, or check
// and repair. None for a file system without a checker here.
std::optional<Command> CheckerCommand(int fileSystemType, const std::string& node, bool fix);

// "volmara-convert X: /FS:NTFS" from `directory`; none when the converter is not there or the
// letter is no drive letter.
std::optional<Command> ConverterCommand(const std::string& directory, char letter);
inline constexpr const char* kConverterName = "volmara-convert";

// A program given a terminal of its own: `script` runs it on a pseudo-terminal and passes our input
// and its output through. Programs that need no terminal are returned as they are.
Command OnTerminal(const Command& command);

// One yes/no question. A program's question may take several: they are asked in order until one is
// answered Yes, whose `yes` is written; when the last is answered No, its `no` is written.
struct Question {
    std::string text;
    std::string yes;
    std::string no;
};

// The question the program waits on, judged from the console: `lines` are the finished lines (most
// recent last, trimmed) and `current` the line being written. Empty when it asks nothing.
std::vector<Question> FindQuestion(Dialect dialect, const std::vector<std::string>& lines, const std::string& current);

// What a typed character (its bytes) becomes on the program's input.
std::string KeyInput(Dialect dialect, const std::string& character);

} // namespace KConsolePrograms
