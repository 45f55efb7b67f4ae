// Boot-time registration and restart in a temporary root.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/KBootRegistration.h"
#include "platform/KRestart.h"
#include "support/TestSupport.h"

namespace {
// Sets a variable for the life of the object and puts the old value back.
struct ScopedEnv {
    ScopedEnv(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name)) {
            m_had = true;
            m_old = old;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (m_had)
            ::setenv(m_name, m_old.c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    const char* m_name;
    bool m_had = false;
    std::string m_old;
};
} // namespace

TEST(BootRegistration, UnitIsWrittenAndEnabledOnce)
{
    TestSupport::TempDir dir;
    ScopedEnv root("VOLMARA_ROOT", dir.Path());
    EXPECT_FALSE(KBootRegistration::IsRegistered());
    ASSERT_TRUE(KBootRegistration::Register("/var/lib/volmara/volmara-cli", "/var/lib/volmara/qzcmdlist.txt"));
    ASSERT_TRUE(KBootRegistration::Register("/var/lib/volmara/volmara-cli", "/var/lib/volmara/qzcmdlist.txt"));
    EXPECT_TRUE(KBootRegistration::IsRegistered());
    std::ifstream in(dir.Path() + "/etc/systemd/system/volmara-native.service");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find("ExecStart=/var/lib/volmara/volmara-cli apply /var/lib/volmara/qzcmdlist.txt"), std::string::npos);
    EXPECT_NE(text.find("DefaultDependencies=no"), std::string::npos);
    EXPECT_NE(text.find("Before=local-fs-pre.target"), std::string::npos);
    char target[256] = {};
    const ssize_t n = ::readlink((dir.Path() + "/etc/systemd/system/sysinit.target.wants/volmara-native.service").c_str(),
                                 target, sizeof target - 1);
    ASSERT_GT(n, 0);
    EXPECT_STREQ(target, "/etc/systemd/system/volmara-native.service");
    // Exactly one link in the wants folder however often it was registered.
    int links = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path() + "/etc/systemd/system/sysinit.target.wants"))
        links += e.is_symlink() ? 1 : 0;
    EXPECT_EQ(links, 1);
}

TEST(BootRegistration, UnwritableRootFails)
{
    ScopedEnv root("VOLMARA_ROOT", "/proc/volmara-no-such-place");
    EXPECT_FALSE(KBootRegistration::Register("/x", "/y"));
}

TEST(Restart, RunsTheConfiguredCommand)
{
    TestSupport::TempDir dir;
    const std::string marker = dir.File("rebooted");
    {
        ScopedEnv cmd("VOLMARA_REBOOT_COMMAND", "touch " + marker);
        EXPECT_TRUE(KRestart::RestartMachine());
    }
    struct stat st {};
    EXPECT_EQ(::stat(marker.c_str(), &st), 0);
    ScopedEnv failing("VOLMARA_REBOOT_COMMAND", "false");
    EXPECT_FALSE(KRestart::RestartMachine());
}

#include <sys/wait.h>

#include "platform/KExecutorInstall.h"
#include "platform/KMediaSettings.h"
#include "platform/KSingleInstance.h"

TEST(StartupServices, OnlyOneInstance)
{
    TestSupport::TempDir dir;
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.Path());
    KSingleInstance first;
    ASSERT_TRUE(first.Acquire());
    const pid_t pid = ::fork();
    if (pid == 0) {
        KSingleInstance second;
        ::_exit(second.Acquire() ? 1 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a second instance was let in";
    EXPECT_EQ(KSingleInstance::LockPath(), dir.Path() + "/volmara.lock");
}

TEST(StartupServices, ExecutorCopiedIntoTheStateDirectory)
{
    TestSupport::TempDir dir;
    ScopedEnv state("VOLMARA_STATE_DIR", dir.File("state"));
    const std::string source = dir.File("tool");
    {
        std::ofstream out(source);
        out << "#!/bin/sh\necho executor\n";
    }
    ASSERT_TRUE(KExecutorInstall::Install(source));
    ASSERT_TRUE(KExecutorInstall::Install(source)) << "an older copy is replaced";
    EXPECT_EQ(KExecutorInstall::InstalledPath(), dir.File("state/volmara-cli"));
    EXPECT_EQ(::access(KExecutorInstall::InstalledPath().c_str(), X_OK), 0);
    EXPECT_FALSE(KExecutorInstall::Install(dir.File("missing")));
}

TEST(StartupServices, MediaSettingsSavedSwitchedOffAndRestored)
{
    // A stand-in gsettings that keeps its values in a file.
    TestSupport::TempDir dir;
    const std::string store = dir.File("store");
    {
        std::ofstream(store) << "automount true\nautomount-open true\nautorun-never false\n";
        std::ofstream script(dir.File("gsettings"));
        script << "#!/bin/sh\nstore=" << store << "\n"
               << "case \"$1\" in\n"
               << "get) awk -v k=\"$3\" '$1==k {print $2}' \"$store\" ;;\n"
               << "set) awk -v k=\"$3\" -v v=\"$4\" '$1==k {$2=v} {print}' \"$store\" > \"$store.new\" && mv \"$store.new\" \"$store\" ;;\n"
               << "esac\n";
    }
    ::chmod(dir.File("gsettings").c_str(), 0755);
    const char* oldPath = std::getenv("PATH");
    ScopedEnv path("PATH", dir.Path() + ":" + (oldPath ? oldPath : ""));
    auto read = [&store] {
        std::ifstream in(store);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    };
    KMediaSettings settings;
    ASSERT_TRUE(settings.SaveAndDisable());
    EXPECT_EQ(read(), "automount false\nautomount-open false\nautorun-never true\n");
    settings.Restore();
    EXPECT_EQ(read(), "automount true\nautomount-open true\nautorun-never false\n");
}
