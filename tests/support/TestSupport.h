// Helpers for tests that work on real image files and judge them with the field's own tools.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace TestSupport {

struct ToolResult {
    int exitCode = -1;
    std::string output; // standard output and standard error together
};

// Runs a program with an argument vector (never through a shell). `input` goes to its standard input.
ToolResult RunTool(const std::vector<std::string>& argv, const std::string& input = {});
bool HaveTool(const std::string& name);

// A fresh temporary folder, removed with everything in it when the object dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Creates (or truncates) a sparse file of the given size.
bool MakeSparseFile(const std::string& path, int64_t bytes);
// sfdisk with a script on standard input; fails the calling test on error.
ToolResult Sfdisk(const std::string& image, const std::string& script);
std::vector<uint8_t> ReadBytes(const std::string& path, int64_t offset, int64_t length);
bool WriteBytes(const std::string& path, int64_t offset, const std::vector<uint8_t>& bytes);
// Fills [offset, offset + length) with a deterministic pattern derived from the seed.
bool FillPattern(const std::string& path, int64_t offset, int64_t length, uint32_t seed);
// A 64-bit hash of a byte range of a file.
uint64_t HashRange(const std::string& path, int64_t offset, int64_t length);

// Points VOLMARA_DISKS and VOLMARA_STATE_DIR at test values for the life of the object.
class EngineEnvironment {
public:
    EngineEnvironment(const std::vector<std::string>& disks, const std::string& stateDir);
    ~EngineEnvironment();

private:
    std::string m_oldDisks, m_oldState;
    bool m_hadDisks, m_hadState;
};

} // namespace TestSupport
