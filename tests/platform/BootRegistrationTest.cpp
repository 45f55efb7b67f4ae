// Boot-time registration and restart in a temporary root.
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/KBootRegistration.h"
#include "platform/KRestart.h"
#include "support/TestSupport.h"

namespace {
struct ScopedEnv {
    ScopedEnv(const char* name, const std::string& value) : m_name(name) { ::setenv(name, value.c_str(), 1); }
    ~ScopedEnv() { ::unsetenv(m_name); }
    const char* m_name;
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
