#include "KMediaSettings.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr const char* kSchema = "org.gnome.desktop.media-handling";

// Runs gsettings with the arguments; its standard output, or false when it fails.
bool gsettings(const std::vector<std::string>& args, std::string* output)
{
    std::vector<std::string> words = {"gsettings"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    int pipefd[2];
    if (::pipe2(pipefd, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipefd[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, "gsettings", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipefd[1]);
    std::string text;
    if (rc == 0) {
        char buffer[256];
        ssize_t n;
        while ((n = ::read(pipefd[0], buffer, sizeof buffer)) > 0)
            text.append(buffer, size_t(n));
    }
    ::close(pipefd[0]);
    if (rc != 0)
        return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    if (output)
        *output = text;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

bool KMediaSettings::SaveAndDisable()
{
    m_saved.clear();
    const std::pair<const char*, const char*> settings[] = {
        {"automount", "false"}, {"automount-open", "false"}, {"autorun-never", "true"}};
    for (const auto& [key, off] : settings) {
        std::string value;
        if (!gsettings({"get", kSchema, key}, &value))
            continue; // no such setting here: skipped
        m_saved.emplace_back(key, value);
        gsettings({"set", kSchema, key, off}, nullptr);
    }
    return !m_saved.empty();
}

void KMediaSettings::Restore()
{
    for (const auto& [key, value] : m_saved)
        gsettings({"set", kSchema, key, value}, nullptr);
    m_saved.clear();
}
