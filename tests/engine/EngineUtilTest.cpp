// Free functions of the engine: text conversion, time, system information, CRC and GUIDs.
#include <cstring>

#include <gtest/gtest.h>

#include "engine/Crc32.h"
#include "engine/DiskEngine.h"
#include "engine/Guid.h"
#include "support/TestSupport.h"

TEST(EngineUtil, AnsiAndUnicodeRoundTrip)
{
    const char* text = "Daten \xC3\xA4\xC3\xB6 \xE2\x82\xAC \xF0\x9F\x92\xBE";
    char16_t wide[64];
    const int units = AnsiToUnicode(text, -1, wide, 64);
    EXPECT_EQ(units, 13);
    EXPECT_EQ(wide[6], u'\u00E4');
    EXPECT_EQ(wide[9], u'\u20AC');
    EXPECT_EQ(wide[11], 0xD83D);
    char back[64];
    UnicodeToAnsi(wide, -1, back, sizeof back);
    EXPECT_STREQ(back, text);

    // Truncation keeps the terminator and never splits a character.
    char16_t small[4];
    EXPECT_EQ(AnsiToUnicode("abcdef", -1, small, 4), 3);
    EXPECT_EQ(small[3], 0);
    char narrow[3];
    UnicodeToAnsi(u"\u00E4\u00E4", -1, narrow, sizeof narrow);
    EXPECT_STREQ(narrow, "\xC3\xA4");
    // Broken UTF-8 becomes the replacement character.
    EXPECT_EQ(AnsiToUnicode("\xC3", -1, small, 4), 1);
    EXPECT_EQ(small[0], 0xFFFD);
}

TEST(EngineUtil, TimeAndSystem)
{
    const uint64_t ft = GetSystemFileTime();
    EXPECT_GT(ft, 133000000000000000ull); // after 2022
    const uint32_t t0 = GetTickCount();
    EXPECT_LE(GetTickCount() - t0, 1000u);
    const EngineLocalTime lt = GetLocalTime();
    EXPECT_GE(lt.Year, 2024);
    char info[512];
    ASSERT_EQ(GenerateSystemInformation(info, sizeof info), 1);
    EXPECT_NE(std::strstr(info, "Kernel: Linux"), nullptr) << info;
    int major = 0, minor = 0;
    GetVersion(&major, &minor, nullptr);
    EXPECT_EQ(major * 10 + minor, 61);
    EXPECT_EQ(IsGptSupported(), 1);
    EXPECT_EQ(HotExpandNtfsPartition(MakeEmptyPartitionInfo(), 1, 0, nullptr), 0);
}

TEST(EngineUtil, SystemDirectoryIsTheStateDirectory)
{
    TestSupport::TempDir dir;
    TestSupport::EngineEnvironment env({}, dir.File("nested/state"));
    char path[255];
    ASSERT_EQ(GetSystemDirectory(path, sizeof path), 1);
    EXPECT_EQ(std::string(path), dir.File("nested/state"));
    char tiny[4];
    EXPECT_EQ(GetSystemDirectory(tiny, sizeof tiny), 0);
}

TEST(EngineUtil, CrcAndGuids)
{
    EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
    const GuidBytes g = GuidFromText("C12A7328-F81F-11D2-BA4B-00A0C93EC93B");
    EXPECT_EQ(g[0], 0x28);
    EXPECT_EQ(g[3], 0xC1);
    EXPECT_EQ(g[8], 0xBA);
    EXPECT_EQ(GuidToText(g.data()), "C12A7328-F81F-11D2-BA4B-00A0C93EC93B");
    EXPECT_TRUE(GuidIsZero(GuidFromText("not a guid").data()));
}

#include <unistd.h>

#include "engine/LinuxBlock.h"

TEST(EngineUtil, ADiskNamedTwiceIsOneDisk)
{
    TestSupport::TempDir dir;
    const std::string a = dir.File("a.img"), b = dir.File("b.img"), link = dir.File("link.img");
    ASSERT_TRUE(TestSupport::MakeSparseFile(a, 1 << 20));
    ASSERT_TRUE(TestSupport::MakeSparseFile(b, 1 << 20));
    ASSERT_EQ(::symlink(a.c_str(), link.c_str()), 0);
    TestSupport::EngineEnvironment env({a, b, a, link, b}, dir.File("state"));
    EXPECT_EQ(LinuxBlock::DiskPaths(), (std::vector<std::string>{a, b}));
}
