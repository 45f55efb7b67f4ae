#include "TestSupport.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace TestSupport {

ToolResult RunTool(const std::vector<std::string>& argv, const std::string& input)
{
    ToolResult result;
    int out[2], in[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(in, O_CLOEXEC) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    if (rc != 0) {
        ::close(in[1]);
        ::close(out[0]);
        result.output = "cannot start " + argv[0];
        return result;
    }
    size_t written = 0;
    bool inputOpen = true;
    if (input.empty()) {
        ::close(in[1]);
        inputOpen = false;
    }
    char buffer[65536];
    while (true) {
        pollfd fds[2] = {{out[0], POLLIN, 0}, {inputOpen ? in[1] : -1, POLLOUT, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        if (inputOpen && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = ::write(in[1], input.data() + written, input.size() - written);
            if (n > 0)
                written += size_t(n);
            if (n < 0 || written == input.size()) {
                ::close(in[1]);
                inputOpen = false;
            }
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = ::read(out[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            result.output.append(buffer, size_t(n));
        }
    }
    if (inputOpen)
        ::close(in[1]);
    ::close(out[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

bool HaveTool(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = std::string(path ? path : "") + ":/usr/sbin:/sbin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty() && ::access((dir + "/" + name).c_str(), X_OK) == 0)
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/volmara-test-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back(0);
    if (::mkdtemp(buf.data()))
        m_path = buf.data();
}

TempDir::~TempDir()
{
    if (!m_path.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
}

bool MakeSparseFile(const std::string& path, int64_t bytes)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::ftruncate(fd, bytes) == 0;
    ::close(fd);
    return ok;
}

ToolResult Sfdisk(const std::string& image, const std::string& script)
{
    return RunTool({"sfdisk", "--no-reread", "--no-tell-kernel", "-q", image}, script);
}

std::vector<uint8_t> ReadBytes(const std::string& path, int64_t offset, int64_t length)
{
    std::vector<uint8_t> data(size_t(length), 0);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    const ssize_t n = ::pread(fd, data.data(), data.size(), offset);
    ::close(fd);
    if (n != ssize_t(length))
        return {};
    return data;
}

bool WriteBytes(const std::string& path, int64_t offset, const std::vector<uint8_t>& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), offset);
    ::close(fd);
    return n == ssize_t(bytes.size());
}

bool FillPattern(const std::string& path, int64_t offset, int64_t length, uint32_t seed)
{
    std::vector<uint8_t> chunk(1 << 20);
    uint32_t state = seed * 2654435761u + 1;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = true;
    for (int64_t done = 0; done < length && ok;) {
        const size_t n = size_t(std::min<int64_t>(int64_t(chunk.size()), length - done));
        for (size_t i = 0; i < n; ++i) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            chunk[i] = uint8_t(state);
        }
        ok = ::pwrite(fd, chunk.data(), n, offset + done) == ssize_t(n);
        done += int64_t(n);
    }
    ::close(fd);
    return ok;
}

uint64_t HashRange(const std::string& path, int64_t offset, int64_t length)
{
    uint64_t hash = 1469598103934665603ull;
    std::vector<uint8_t> chunk(1 << 20);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    for (int64_t done = 0; done < length;) {
        const size_t n = size_t(std::min<int64_t>(int64_t(chunk.size()), length - done));
        if (::pread(fd, chunk.data(), n, offset + done) != ssize_t(n)) {
            ::close(fd);
            return 0;
        }
        for (size_t i = 0; i < n; ++i)
            hash = (hash ^ chunk[i]) * 1099511628211ull;
        done += int64_t(n);
    }
    ::close(fd);
    return hash;
}

EngineEnvironment::EngineEnvironment(const std::vector<std::string>& disks, const std::string& stateDir)
{
    const char* d = std::getenv("VOLMARA_DISKS");
    const char* s = std::getenv("VOLMARA_STATE_DIR");
    m_hadDisks = d != nullptr;
    m_hadState = s != nullptr;
    m_oldDisks = d ? d : "";
    m_oldState = s ? s : "";
    std::string joined;
    for (const auto& disk : disks)
        joined += (joined.empty() ? "" : ":") + disk;
    ::setenv("VOLMARA_DISKS", joined.c_str(), 1);
    ::setenv("VOLMARA_STATE_DIR", stateDir.c_str(), 1);
}

EngineEnvironment::~EngineEnvironment()
{
    if (m_hadDisks)
        ::setenv("VOLMARA_DISKS", m_oldDisks.c_str(), 1);
    else
        ::unsetenv("VOLMARA_DISKS");
    if (m_hadState)
        ::setenv("VOLMARA_STATE_DIR", m_oldState.c_str(), 1);
    else
        ::unsetenv("VOLMARA_STATE_DIR");
}

} // namespace TestSupport
