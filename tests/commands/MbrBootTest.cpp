// Disk initialisation to MBR, the MBR rebuild, and the boot program run for real under qemu.
#include <chrono>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "commands/KCommandFactory.h"
#include "commands/boot/MbrBootProgram.h"
#include "core/ByteOrder.h"
#include "execution/KProgressReporter.h"
#include "model/KVolumeManager.h"
#include "support/TableFixtures.h"

using namespace TestSupport;

namespace {

int runLine(KVolumeManager& manager, const std::string& line)
{
    manager.Load(1, 1);
    auto command = CreateCommand(line.c_str());
    if (!command || !command->Parse(&manager, line.c_str()))
        return -1;
    KProgressReporter reporter;
    return command->Execute(&reporter);
}

// A partition boot sector that writes a line to the first serial port and halts.
const char* kProbeBootSector = R"(bits 16
org 0x7C00
    xor ax, ax
    mov ds, ax
    mov si, text
.next:
    lodsb
    test al, al
    jz .done
    mov dx, 0x3F8
    out dx, al
    jmp .next
.done:
    cli
    hlt
    jmp .done
text: db "PARTITION-BOOT-SECTOR-REACHED", 13, 10, 0
    times 510 - ($ - $$) db 0
    dw 0xAA55
)";

// Boots the image for a few seconds; returns the serial output and the BIOS debug log.
std::pair<std::string, std::string> boot(const TempDir& dir, const std::string& image)
{
    const std::string serial = dir.File("serial.log"), debug = dir.File("bios.log");
    RunTool({"timeout", "8", "qemu-system-i386", "-drive", "file=" + image + ",format=raw", "-display", "none",
             "-no-reboot", "-m", "16", "-chardev", "file,id=ser,path=" + serial, "-serial", "chardev:ser",
             "-chardev", "file,id=dbg,path=" + debug, "-device", "isa-debugcon,iobase=0x402,chardev=dbg"});
    auto read = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    };
    return {read(serial), read(debug)};
}

} // namespace

TEST(MbrInit, EmptyTableAndRebuildKeepingIt)
{
    TempDir dir;
    const std::string image = TableFixtures::MakeMbrLayout(dir);
    const auto before = ReadBytes(image, 0, 512);
    EngineEnvironment env({image}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(runLine(manager, "InitiateDisk DiskIndex:0 Style:2 ForceReboot:0"), 0);
    auto sector = ReadBytes(image, 0, 512);
    EXPECT_TRUE(std::equal(sector.begin() + 440, sector.begin() + 444, before.begin() + 440)) << "signature kept";
    EXPECT_TRUE(std::equal(sector.begin() + 446, sector.end(), before.begin() + 446)) << "table kept byte for byte";
    EXPECT_TRUE(std::equal(sector.begin(), sector.begin() + 440, kMbrBootProgram));
    EXPECT_EQ(TableFixtures::SfdiskDump(image).entries.size(), 6u);

    ASSERT_EQ(runLine(manager, "InitiateDisk DiskIndex:0 Style:0 ForceReboot:0"), 0);
    sector = ReadBytes(image, 0, 512);
    EXPECT_EQ(le32(sector.data() + 440), 0u);
    EXPECT_TRUE(std::all_of(sector.begin() + 446, sector.begin() + 510, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(sector[510], 0x55);
    EXPECT_EQ(sector[511], 0xAA);
    manager.Load(1, 1);
    EXPECT_EQ(manager.GetPartitionCount(0), 0);
    EXPECT_LE(kMbrBootProgram_size, 446u);
}

TEST(MbrInit, TheBootProgramBootsTheActivePartition)
{
    if (!HaveTool("qemu-system-i386") || !HaveTool("nasm"))
        GTEST_SKIP() << "qemu-system-i386 or nasm missing";
    TempDir dir;
    const std::string asmFile = dir.File("probe.asm"), probe = dir.File("probe.bin");
    {
        std::ofstream out(asmFile);
        out << kProbeBootSector;
    }
    ASSERT_EQ(RunTool({"nasm", "-f", "bin", "-o", probe, asmFile}).exitCode, 0);
    const std::string image = dir.File("boot.img");
    ASSERT_TRUE(MakeSparseFile(image, 16 << 20));
    ASSERT_EQ(Sfdisk(image, "label: dos\nstart=2048, size=8192, type=83, bootable\nstart=10240, size=8192, type=83\n")
                  .exitCode, 0);
    ASSERT_TRUE(TableFixtures::CopyInto(probe, image, 2048 * 512));
    EngineEnvironment env({image}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(runLine(manager, "InitiateDisk DiskIndex:0 Style:2 ForceReboot:0"), 0);

    auto [serial, debug] = boot(dir, image);
    EXPECT_NE(serial.find("PARTITION-BOOT-SECTOR-REACHED"), std::string::npos) << serial << "\n" << debug;

    // Without an active partition the program hands over to INT 18h.
    ASSERT_EQ(runLine(manager, "ActivePartition DiskIndex:0 PartitionIndex:1 Active:0"), 0);
    std::tie(serial, debug) = boot(dir, image);
    EXPECT_EQ(serial.find("PARTITION-BOOT-SECTOR-REACHED"), std::string::npos);
    EXPECT_NE(debug.find("handle_18"), std::string::npos) << debug;
}

TEST(MbrInit, CopiedSystemDiskGetsTheConventionalBootProgram)
{
    if (!HaveTool("qemu-system-i386") || !HaveTool("nasm"))
        GTEST_SKIP() << "qemu-system-i386 or nasm missing";
    TempDir dir;
    const std::string asmFile = dir.File("probe.asm"), probe = dir.File("probe.bin");
    {
        std::ofstream out(asmFile);
        out << kProbeBootSector;
    }
    ASSERT_EQ(RunTool({"nasm", "-f", "bin", "-o", probe, asmFile}).exitCode, 0);
    const std::string source = TableFixtures::MakeMbrLayout(dir, "source.img");
    const std::string dest = dir.File("dest.img");
    ASSERT_TRUE(MakeSparseFile(dest, 16 << 20));
    ASSERT_EQ(Sfdisk(dest, "label: dos\nlabel-id: 0x0badcafe\nstart=2048, size=8192, type=7, bootable\n").exitCode, 0);
    ASSERT_TRUE(TableFixtures::CopyInto(probe, dest, 2048 * 512));
    const auto before = ReadBytes(dest, 0, 512);
    EngineEnvironment env({source, dest}, dir.File("state"));
    KVolumeManager manager;
    const auto sourceMbr = ReadBytes(source, 0, 512);
    ASSERT_EQ(runLine(manager, "UpdateDiskBootConfig DiskIndex:1 DestDiskIndex:1"), 0);
    EXPECT_EQ(ReadBytes(dest, 0, 512), before) << "same disk: nothing happens";
    ASSERT_EQ(runLine(manager, "UpdateDiskBootConfig DiskIndex:0 DestDiskIndex:1"), 0);
    const auto after = ReadBytes(dest, 0, 512);
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + 440, kClassicBootProgram));
    EXPECT_TRUE(std::equal(after.begin() + 440, after.end(), before.begin() + 440)) << "signature and table kept";
    EXPECT_EQ(ReadBytes(source, 0, 512), sourceMbr) << "the source is not touched";
    auto [serial, debug] = boot(dir, dest);
    EXPECT_NE(serial.find("PARTITION-BOOT-SECTOR-REACHED"), std::string::npos) << serial << "\n" << debug;
}
