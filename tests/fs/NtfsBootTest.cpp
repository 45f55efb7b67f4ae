// The NTFS boot region: its template bytes, and the program booted for real under qemu behind the
// MBR boot program, read back from the VGA text screen.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "commands/boot/MbrBootProgram.h"
#include "core/ByteOrder.h"
#include "fs/ntfs/NtfsBootRegion.h"
#include "support/TestSupport.h"

using namespace TestSupport;

namespace {

constexpr int64_t kPartitionStart = 2048;

const char* const kMessages[] = {"A disk read error occurred", "Press Ctrl+Alt+Del to restart", "NTLDR is missing",
                                 "NTLDR is compressed"};

bool contains(const unsigned char* data, size_t size, const std::string& text)
{
    return std::search(data, data + size, text.begin(), text.end()) != data + size;
}

// The qemu monitor over its unix socket: one command at a time, each answered up to the next prompt.
class Monitor {
public:
    ~Monitor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool Connect(const std::string& path, std::chrono::milliseconds patience)
    {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.size() >= sizeof address.sun_path)
            return false;
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        while (std::chrono::steady_clock::now() < deadline) {
            m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (m_fd < 0)
                return false;
            if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
                return readPrompt();
            ::close(m_fd);
            m_fd = -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    bool Command(const std::string& line)
    {
        const std::string text = line + "\n";
        if (::write(m_fd, text.data(), text.size()) != ssize_t(text.size()))
            return false;
        return readPrompt();
    }

    // Closing the socket straight after "quit" loses the command; wait for qemu to hang up instead.
    void Quit()
    {
        const std::string text = "quit\n";
        if (::write(m_fd, text.data(), text.size()) == ssize_t(text.size()))
            readPrompt();
    }

private:
    // Reads up to the next prompt; false on a silence of five seconds or the end of the connection.
    bool readPrompt()
    {
        std::string answer;
        char buffer[4096];
        while (answer.find("(qemu) ") == std::string::npos) {
            pollfd fd{m_fd, POLLIN, 0};
            if (::poll(&fd, 1, 5000) <= 0)
                return false;
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                return false;
            answer.append(buffer, size_t(n));
        }
        return true;
    }

    int m_fd = -1;
};

// The 80x25 text screen as lines, from a dump of the VGA text memory (character, attribute pairs).
std::string decodeScreen(const std::vector<uint8_t>& memory)
{
    std::string screen;
    for (size_t row = 0; row < 25 && (row + 1) * 160 <= memory.size(); ++row) {
        std::string line;
        for (size_t column = 0; column < 80; ++column) {
            const uint8_t c = memory[row * 160 + column * 2];
            line += c >= 0x20 && c < 0x7F ? char(c) : ' ';
        }
        line.erase(line.find_last_not_of(' ') + 1);
        screen += line + "\n";
    }
    return screen;
}

// Boots the image and returns the text screen as soon as `awaited` shows on it, or as it stands after
// a few seconds. qemu runs under `timeout`, so it dies even if the monitor never answers.
std::string bootScreen(const TempDir& dir, const std::string& image, const std::string& awaited)
{
    const std::string socket = dir.File("monitor.sock"), dump = dir.File("screen.bin");
    ::unlink(socket.c_str());
    std::thread qemu([&] {
        RunTool({"timeout", "15", "qemu-system-i386", "-drive", "file=" + image + ",format=raw", "-display", "none",
                 "-no-reboot", "-m", "16", "-monitor", "unix:" + socket + ",server,nowait"});
    });
    std::string screen;
    {
        Monitor monitor;
        if (monitor.Connect(socket, std::chrono::seconds(5))) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
            while (true) {
                // Quoted: the monitor would read a bare path as a division.
                if (!monitor.Command("pmemsave 0xb8000 4000 \"" + dump + "\""))
                    break;
                screen = decodeScreen(ReadBytes(dump, 0, 4000));
                if (screen.find(awaited) != std::string::npos || std::chrono::steady_clock::now() >= deadline)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
            monitor.Quit();
        }
    }
    qemu.join();
    return screen;
}

// A 16 MiB disk: the MBR boot program, one active type-7 partition at sector 2048, and the boot region
// at its start with the hidden-sectors field set to the partition's LBA.
std::string makeBootDisk(const TempDir& dir)
{
    const std::string image = dir.File("ntfs.img");
    if (!MakeSparseFile(image, 16 << 20))
        return {};
    if (Sfdisk(image, "label: dos\nstart=2048, size=8192, type=7, bootable\n").exitCode != 0)
        return {};
    auto mbr = ReadBytes(image, 0, 512);
    if (mbr.empty() || kMbrBootProgram_size > 446)
        return {};
    std::copy(kMbrBootProgram, kMbrBootProgram + kMbrBootProgram_size, mbr.begin());
    std::vector<uint8_t> region(kNtfsBootRegion, kNtfsBootRegion + kNtfsBootRegion_size);
    put_le32(region.data() + 0x1C, uint32_t(kPartitionStart));
    if (!WriteBytes(image, 0, mbr) || !WriteBytes(image, kPartitionStart * 512, region))
        return {};
    return image;
}

} // namespace

TEST(NtfsBootRegion, Template)
{
    ASSERT_EQ(kNtfsBootRegion_size, kNtfsBootRegionBytes);
    ASSERT_EQ(kNtfsBootRegionBytes, 3456u);
    const unsigned char* b = kNtfsBootRegion;
    EXPECT_EQ(b[0], 0xEB);
    EXPECT_EQ(b[1], 0x52);
    EXPECT_EQ(b[2], 0x90);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 3), 8), "NTFS    ");
    EXPECT_EQ(le16(b + 0x0B), 512);
    EXPECT_EQ(b[0x15], 0xF8);
    EXPECT_EQ(le16(b + 0x18), 63);
    EXPECT_EQ(le16(b + 0x1A), 255);
    EXPECT_EQ(le32(b + 0x1C), 0u) << "hidden sectors are the format's to fill";
    const uint8_t driveBytes[4] = {0x80, 0x00, 0x80, 0x00};
    EXPECT_TRUE(std::equal(driveBytes, driveBytes + 4, b + 0x24));
    EXPECT_TRUE(std::all_of(b + 0x28, b + 0x54, [](uint8_t v) { return v == 0; })) << "sizes, LCNs, serial";
    EXPECT_EQ(b[510], 0x55);
    EXPECT_EQ(b[511], 0xAA);
    for (const char* message : kMessages)
        EXPECT_TRUE(contains(b, kNtfsBootRegion_size, message)) << message;
    // The loader messages belong to the second stage; sector 0 carries only the read error.
    EXPECT_FALSE(contains(b, 512, "NTLDR"));
    EXPECT_TRUE(contains(b, 512, kMessages[0]));
}

TEST(NtfsBootRegion, BootsToTheMissingLoaderMessage)
{
    if (!HaveTool("qemu-system-i386") || !HaveTool("timeout"))
        GTEST_SKIP() << "qemu-system-i386 or timeout missing";
    TempDir dir;
    const std::string image = makeBootDisk(dir);
    ASSERT_FALSE(image.empty());
    const std::string screen = bootScreen(dir, image, "Press Ctrl+Alt+Del to restart");
    EXPECT_NE(screen.find("NTLDR is missing\nPress Ctrl+Alt+Del to restart\n"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("A disk read error occurred"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("NTLDR is compressed"), std::string::npos) << screen;
}

TEST(NtfsBootRegion, DamagedSecondStageIsAReadError)
{
    if (!HaveTool("qemu-system-i386") || !HaveTool("timeout"))
        GTEST_SKIP() << "qemu-system-i386 or timeout missing";
    TempDir dir;
    const std::string image = makeBootDisk(dir);
    ASSERT_FALSE(image.empty());
    // Sectors 1 to 6 of the volume read back as zeros: the signature check must stop the jump.
    ASSERT_TRUE(WriteBytes(image, (kPartitionStart + 1) * 512, std::vector<uint8_t>(6 * 512, 0)));
    const std::string screen = bootScreen(dir, image, "Press Ctrl+Alt+Del to restart");
    EXPECT_NE(screen.find("A disk read error occurred\nPress Ctrl+Alt+Del to restart\n"), std::string::npos)
        << screen;
    EXPECT_EQ(screen.find("NTLDR"), std::string::npos) << screen;
}

TEST(NtfsBootRegion, CylinderReadsWhenThePacketInterfaceIsMissing)
{
    if (!HaveTool("qemu-system-i386") || !HaveTool("timeout"))
        GTEST_SKIP() << "qemu-system-i386 or timeout missing";
    TempDir dir;
    const std::string image = makeBootDisk(dir);
    ASSERT_FALSE(image.empty());
    // The BIOS under qemu always has the packet interface; make sector 0 believe it has not by
    // changing the answer it waits for from INT 13h AH=41h (cmp bx, 0xAA55).
    auto sector = ReadBytes(image, kPartitionStart * 512, 512);
    const uint8_t check[4] = {0x81, 0xFB, 0x55, 0xAA};
    const auto at = std::search(sector.begin() + 0x54, sector.begin() + 510, check, check + 4);
    ASSERT_NE(at, sector.begin() + 510);
    at[2] = 0x00;
    ASSERT_TRUE(WriteBytes(image, kPartitionStart * 512, sector));
    const std::string screen = bootScreen(dir, image, "Press Ctrl+Alt+Del to restart");
    EXPECT_NE(screen.find("NTLDR is missing\nPress Ctrl+Alt+Del to restart\n"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("A disk read error occurred"), std::string::npos) << screen;
}
