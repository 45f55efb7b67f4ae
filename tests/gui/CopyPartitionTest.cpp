// Copy Partition from the window, end to end: FAT32, NTFS and Ext3 volumes (with files) copied by the
// wizard into free space on their own disk, on another MBR disk and on a GPT disk, as primary and as
// logical partitions, resized or not. After the apply the table holds the copy where the wizard put
// it, the copy passes its checker with the same files, and no byte outside the copy (and its extended
// boot record) changed, the source volume's included.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sstream>
#include <string_view>
#include <unistd.h>

#include "DialogProbe.h"
#include "HandlerSupport.h"
#include "MainFrameSupport.h"
#include "MessageBoxAnswer.h"
#include "core/ByteOrder.h"
#include "gui/views/KDiskMapItem.h"
#include "gui/wizards/KPartitionCopyWizard.h"
#include "support/NtfsVolumes.h"
#include "support/TableFixtures.h"
#include "support/VolumeCheck.h"

using namespace MainFrameSupport;
using namespace HandlerSupport;
using DialogProbe::Child;
namespace fsys = std::filesystem;

namespace {

constexpr int64_t kMiB = 2048;
// Disk 0: FAT32 | NTFS | extended [Ext3 | free] | free.
constexpr int64_t kFat = 2048, kFatSize = 512 * kMiB, kNtfs = 1050624, kNtfsSize = 384 * kMiB, kExt = 1839104,
                  kExtSize = 32 * kMiB, kExtendedEnd = 3145728;
const char* const kSourceScript = "label: dos\nunit: sectors\n"
                                  "start=2048, size=1048576, type=c\n"
                                  "start=1050624, size=786432, type=7\n"
                                  "start=1837056, size=1308672, type=5\n"
                                  "start=1839104, size=65536, type=83\n";
constexpr int64_t kSourceMiB = 2048, kTargetMiB = 1024;

enum class Kind { Fat, Ntfs, Ext };

struct Source {
    TestSupport::TempDir dir;
    std::string image = dir.File("source.img"), tree = dir.File("tree");
    std::map<std::string, uint64_t> files;
    NtfsVolumes::Snapshot ntfs;
    std::string error;

    Source() { error = build(); }

    std::string build()
    {
        if (!VolumeCheck::MakeFileTree(tree))
            return "tree";
        files = VolumeCheck::TreeHashes(tree);
        if (!TestSupport::MakeSparseFile(image, kSourceMiB << 20) || TestSupport::Sfdisk(image, kSourceScript).exitCode)
            return "table";
        if (!VolumeCheck::MakeVolumeAt(dir, image, kFat, kFatSize, {"mkfs.fat", "-F", "32", "-h", std::to_string(kFat)}) ||
            !VolumeCheck::MakeVolumeAt(dir, image, kExt, kExtSize, {"mke2fs", "-q", "-F", "-t", "ext3", "-b", "1024", "-d", tree}))
            return "volumes";
        if (!VolumeCheck::CopyTreeToFat(image, kFat, tree))
            return "fat files";
        NtfsVolumes::FillOptions fill;
        fill.treeFiles = 60;
        fill.hardLinks = 4;
        fill.streams = true;
        if (const std::string e = NtfsVolumes::Make(dir, image, kNtfs, kNtfsSize, NtfsVolumes::Maker::Mkntfs, 4096); !e.empty())
            return "mkntfs: " + e;
        if (const std::string e = NtfsVolumes::Fill(dir, image, kNtfs, kNtfsSize, fill); !e.empty())
            return "ntfs files: " + e;
        ntfs = NtfsVolumes::Take(dir, image, kNtfs, kNtfsSize);
        return "";
    }
};

const Source& source()
{
    static Source s;
    return s;
}


// The unallocated entry of the pending layout that holds sector `lba`.
int FreeIndexAt(MainFrame& f, int disk, int64_t lba)
{
    for (int i = 0; i < f.PendingLayout()->GetPartitionCount(disk); ++i) {
        PartitionInfo e{};
        if (f.PendingLayout()->GetPartition(disk, i, &e) && e.PartitionTypeId == 0 && e.StartingLba <= lba &&
            lba < e.StartingLba + e.SectorCount)
            return i;
    }
    return -1;
}

// The extended boot records of an MBR disk, read from its bytes.
std::vector<int64_t> BootRecords(const std::string& image)
{
    std::vector<int64_t> records;
    const std::vector<uint8_t> mbr = TestSupport::ReadBytes(image, 0, 512);
    if (mbr.size() != 512)
        return records;
    for (int slot = 0; slot < 4; ++slot) {
        const uint8_t* e = mbr.data() + 446 + 16 * slot;
        if (e[4] != 0x05 && e[4] != 0x0F && e[4] != 0x85)
            continue;
        const int64_t extended = le32(e + 8);
        for (int64_t ebr = extended; records.size() < 64;) {
            records.push_back(ebr);
            const std::vector<uint8_t> sector = TestSupport::ReadBytes(image, ebr * 512, 512);
            if (sector.size() != 512 || sector[446 + 16 + 4] == 0)
                break;
            ebr = extended + le32(sector.data() + 446 + 16 + 8);
        }
    }
    return records;
}

// Every mebibyte of an image that holds anything but zeros, by its offset, as a hash of its bytes; the
// sector ranges in `skip` read as zeros. Holes are not read.
std::map<int64_t, size_t> Content(const std::string& image, const std::vector<std::pair<int64_t, int64_t>>& skip)
{
    std::map<int64_t, size_t> chunks;
    const int fd = ::open(image.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return chunks;
    const off_t end = ::lseek(fd, 0, SEEK_END);
    std::string buffer(1 << 20, '\0');
    for (off_t at = 0; at < end; at += off_t(buffer.size())) {
        const off_t data = ::lseek(fd, at, SEEK_DATA);
        if (data < 0 || data >= at + off_t(buffer.size()))
            continue;
        const size_t n = size_t(std::min<off_t>(off_t(buffer.size()), end - at));
        if (::pread(fd, buffer.data(), n, at) != ssize_t(n)) {
            chunks[at] = 0;
            continue;
        }
        for (const auto& [first, count] : skip) {
            const off_t from = std::max<off_t>(first * 512, at), to = std::min<off_t>((first + count) * 512, at + off_t(n));
            if (from < to)
                std::fill(buffer.begin() + (from - at), buffer.begin() + (to - at), '\0');
        }
        const std::string_view bytes(buffer.data(), n);
        if (bytes.find_first_not_of('\0') != std::string_view::npos)
            chunks[at] = std::hash<std::string_view>{}(bytes);
    }
    ::close(fd);
    return chunks;
}

std::string ChangedChunks(const std::map<int64_t, size_t>& before, const std::map<int64_t, size_t>& after)
{
    std::ostringstream out;
    std::map<int64_t, size_t> all = before;
    all.insert(after.begin(), after.end());
    for (const auto& [at, hash] : all) {
        const auto b = before.find(at), a = after.find(at);
        if (b == before.end() || a == after.end() || b->second != a->second)
            out << " MiB " << (at >> 20);
    }
    return out.str();
}

struct Placed {
    int64_t start = 0, size = 0;
    bool primary = false;
    bool accepted = false;
};

// The wizard from its welcome page: the source, the area, then the kind, the size (0: the copy keeps
// its own) and the free space before the copy.
Placed RunWizard(MainFrame& f, int sourceIndex, int destDisk, int areaIndex, const QString& kind, int64_t sizeMiB,
                 int64_t beforeMiB)
{
    Placed placed;
    DialogAnswer<KPartitionCopyWizard> answer([&](KPartitionCopyWizard& wizard) {
        const auto press = [&](QWizard::WizardButton button) {
            MessageBoxAnswer boxes({"OK"});
            wizard.button(button)->click();
            EXPECT_EQ(boxes.Count(), 0u) << boxes.Last().text.toStdString();
        };
        const auto pick = [&](int disk, int index) {
            emit Child<KDiskMapItem>(*wizard.currentPage(), "diskMapItem")->diskMapItemSelected(disk, index, false, QPoint());
        };
        press(QWizard::NextButton);
        pick(0, sourceIndex);
        press(QWizard::NextButton);
        pick(destDisk, areaIndex);
        press(QWizard::NextButton);
        QWizardPage& page = *wizard.currentPage();
        auto* kinds = Child<QComboBox>(page, "comboBox");
        ASSERT_GE(kinds->findText(kind), 0) << kind.toStdString();
        kinds->setCurrentIndex(kinds->findText(kind));
        auto* resize = Child<QCheckBox>(page, "resizePartition_checkBox");
        if (sizeMiB > 0) {
            ASSERT_TRUE(resize->isEnabled() && resize->isChecked());
            Child<QDoubleSpinBox>(page, "doubleSpinBox_2")->setValue(double(sizeMiB));
            ASSERT_EQ(wizard.field("DestPartitionSize").toLongLong(), sizeMiB * kMiB) << "outside the copy's limits";
        } else if (resize->isChecked() && resize->isEnabled()) {
            resize->click();
        }
        Child<QDoubleSpinBox>(page, "doubleSpinBox")->setValue(double(beforeMiB));
        ASSERT_EQ(wizard.field("DestStartingOffset").toLongLong(), beforeMiB * kMiB);
        press(QWizard::FinishButton);
        placed = {wizard.DestStartingLba(), wizard.DestPartitionSize(), wizard.IsPrimary(),
                  wizard.result() == QDialog::Accepted};
    });
    f.on_actionPartition_Copy_Wizard_triggered();
    EXPECT_EQ(answer.Seen(), 1);
    return placed;
}

TEST(CopyPartition, EveryKindToItsOwnDiskAnotherMbrDiskAndAGptDisk)
{
    if (!VolumeCheck::HaveDiskTools())
        GTEST_SKIP() << "a checker or a maker is missing";
    ASSERT_EQ(source().error, "");
    const struct Case {
        const char* what;
        Kind kind;
        int destDisk;
        int64_t areaLba; // a sector of the destination area
        const char* as;
        int64_t sizeMiB, beforeMiB;
    } cases[] = {
        {"FAT32 grown into a logical partition beside it", Kind::Fat, 0, kExt + kExtSize, "Logical", 576, 0},
        {"NTFS shrunk into a primary partition after the extended one", Kind::Ntfs, 0, kExtendedEnd, "Primary", 288, 8},
        {"Ext3 as a logical partition at the start of an empty MBR disk", Kind::Ext, 1, 0, "Logical", 0, 0},
        {"FAT32 without resize, primary on another MBR disk", Kind::Fat, 1, 0, "Primary", 0, 4},
        {"NTFS grown, logical on another MBR disk", Kind::Ntfs, 1, 0, "Logical", 512, 16},
        {"FAT32 shrunk on a GPT disk", Kind::Fat, 2, 2048, "Primary", 384, 0},
        {"NTFS without resize on a GPT disk", Kind::Ntfs, 2, 2048, "Primary", 0, 0},
        {"Ext3 on a GPT disk", Kind::Ext, 2, 2048, "Primary", 0, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Window w({{kSourceMiB, "", [](const std::string& image) { ASSERT_TRUE(TableFixtures::CopyInto(source().image, image, 0)); }},
                  {kTargetMiB, "label: dos\n", nullptr},
                  {kTargetMiB, "label: gpt\n", nullptr}});
        MainFrame& f = *w.frame;
        const int64_t sourceStart = c.kind == Kind::Fat ? kFat : c.kind == Kind::Ntfs ? kNtfs : kExt;
        const int64_t sourceSize = c.kind == Kind::Fat ? kFatSize : c.kind == Kind::Ntfs ? kNtfsSize : kExtSize;
        const int sourceIndex = IndexAt(f, 0, sourceStart), areaIndex = FreeIndexAt(f, c.destDisk, c.areaLba);
        ASSERT_GE(sourceIndex, 0);
        ASSERT_GE(areaIndex, 0);
        PartitionInfo area{};
        ASSERT_TRUE(f.PendingLayout()->GetPartition(c.destDisk, areaIndex, &area));

        const bool logical = std::string(c.as) == "Logical";
        const Placed placed = RunWizard(f, sourceIndex, c.destDisk, areaIndex, c.as, c.sizeMiB, c.beforeMiB);
        ASSERT_TRUE(placed.accepted);
        // A logical partition (or one at sector 0) leaves a track before it for its boot record; at
        // sector 0 a logical one leaves the MBR's track too.
        const int64_t chosen = area.StartingLba + c.beforeMiB * kMiB;
        const int64_t start = chosen + (logical || chosen == 0 ? 63 : 0) + (logical && chosen == 0 ? 63 : 0);
        const int64_t size = c.sizeMiB > 0 ? c.sizeMiB * kMiB : sourceSize;
        EXPECT_EQ(placed.start, start);
        EXPECT_EQ(placed.size, size);
        EXPECT_EQ(placed.primary, !logical);
        ASSERT_EQ(Lines(f).size(), 2) << Lines(f).join("\n").toStdString();

        // Everything but the copy, its boot record and the tables stays as it was.
        const bool gpt = c.destDisk == 2;
        std::vector<std::pair<int64_t, int64_t>> skip = {{start, size}, {0, gpt ? 34 : 1}};
        const int64_t destSectors = (c.destDisk == 0 ? kSourceMiB : kTargetMiB) * kMiB;
        if (gpt)
            skip.emplace_back(destSectors - 33, 33);
        else
            for (int64_t ebr : BootRecords(w.images[size_t(c.destDisk)]))
                skip.emplace_back(ebr, 1);
        if (logical)
            skip.emplace_back(start - 63, 1);
        std::vector<std::map<int64_t, size_t>> before;
        for (size_t d = 0; d < w.images.size(); ++d)
            before.push_back(Content(w.images[d], int(d) == c.destDisk ? skip : decltype(skip){}));

        {
            MessageBoxAnswer boxes({"Yes", "OK"});
            f.on_actionApply_All_Changes_triggered();
            ASSERT_EQ(boxes.Count(), 2u);
            EXPECT_EQ(boxes.Boxes()[1].title.toStdString(), "Successful") << boxes.Boxes()[1].text.toStdString();
        }

        // The table holds the copy where the wizard said, of the source's type.
        const std::string& image = w.images[size_t(c.destDisk)];
        const TableFixtures::Dump dump = TableFixtures::SfdiskDump(image);
        const TableFixtures::DumpEntry* entry = nullptr;
        for (const auto& e : dump.entries)
            if (e.start == start)
                entry = &e;
        ASSERT_NE(entry, nullptr) << dump.text;
        EXPECT_EQ(entry->size, size) << dump.text;
        const char* mbrType = c.kind == Kind::Fat ? "c" : c.kind == Kind::Ntfs ? "7" : "83";
        EXPECT_EQ(entry->type, gpt ? "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7" : mbrType) << dump.text;
        if (!gpt) {
            EXPECT_EQ(entry->number >= 5, logical) << dump.text;
        }
        EXPECT_EQ(dump.entries.size(), (c.destDisk == 0 ? 5u : 1u) + (logical && c.destDisk != 0 ? 1u : 0u)) << dump.text;

        // The copy passes its checker and holds the same files; its boot sector counts its hidden
        // sectors from its own boot record.
        if (c.kind == Kind::Fat) {
            VolumeCheck::ExpectChecked(w.dir, image, start, size, "vfat");
            EXPECT_EQ(VolumeCheck::FatFiles(w.dir, image, start, size), source().files);
        } else if (c.kind == Kind::Ntfs) {
            NtfsVolumes::ExpectHealthy(w.dir, image, start, size, "ntfs copy");
            EXPECT_EQ(NtfsVolumes::Take(w.dir, image, start, size).entries, source().ntfs.entries);
        } else {
            VolumeCheck::ExpectChecked(w.dir, image, start, size, "ext3");
            EXPECT_EQ(VolumeCheck::ExtFiles(w.dir, image, start, size), source().files);
        }
        if (c.kind != Kind::Ext) {
            const std::vector<uint8_t> boot = TestSupport::ReadBytes(image, start * 512, 512);
            ASSERT_EQ(boot.size(), 512u);
            EXPECT_EQ(le32(boot.data() + 0x1C), uint32_t(logical ? 63 : start)) << "hidden sectors";
        }
        for (size_t d = 0; d < w.images.size(); ++d) {
            const auto after = Content(w.images[d], int(d) == c.destDisk ? skip : decltype(skip){});
            EXPECT_TRUE(after == before[d]) << "disk " << d << " changed outside the copy at" << ChangedChunks(before[d], after);
        }
    }
}

} // namespace
