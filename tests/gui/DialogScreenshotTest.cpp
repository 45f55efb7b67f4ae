// Every partition dialog painted off screen: each must show its form (not a blank window). With
// VOLMARA_SHOTS_DIR set the pictures are saved there for a person to look at.
#include <QDir>
#include <QImage>
#include <QSet>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "PaintedPicture.h"
#include "gui/dialogs/KChangeClusterSizeDlg.h"
#include "gui/dialogs/KChangeLabelDlg.h"
#include "gui/dialogs/KChangeLetterDlg.h"
#include "gui/dialogs/KChangePartitionTypeID.h"
#include "gui/dialogs/KCreatePartitionDlg.h"
#include "gui/dialogs/KFormatPartitionDlg.h"
#include "gui/dialogs/KMoveResizeDlg.h"
#include "gui/dialogs/KWipingDiskDlg.h"
#include "gui/dialogs/QChangePartitionSerialNumberDlg.h"
#include "core/FileSystemTypes.h"

namespace {

} // namespace

TEST(DialogScreenshots, EveryDialogPaintsItsForm)
{
    ResizeParameters resize;
    resize.StartOffset = 16065 * 4;
    resize.StretchSectors = 16065 * 200;
    resize.Size = 16065 * 60;
    resize.CylinderSectors = 16065;
    resize.UsedSectors = 16065 * 20;
    resize.SectorsPerCluster = 8;
    resize.FsType = kFsNtfs;
    resize.SafeMode = 1;

    const std::vector<std::pair<const char*, std::function<QDialog*()>>> dialogs = {
        {"create", [] { return new KCreatePartitionDlg(16065 * 300, 16065, false, false); }},
        {"move-resize", [&] { return new KMoveResizeDlg(&resize); }},
        {"format", [] { return new KFormatPartitionDlg(QStringLiteral("DATA"), 16065 * 300); }},
        {"label", [] { return new KChangeLabelDlg(kFsNtfs, QStringLiteral("DATA")); }},
        {"letter", [] { return new KChangeLetterDlg(QStringLiteral("E:")); }},
        {"type-id", [] { return new KChangePartitionTypeID(QStringLiteral("E: ( Disk 1 Partition 2 )"), 0x07); }},
        {"serial", [] { return new QChangePartitionSerialNumberDlg(0x1234abcd5678ull, QStringLiteral("Disk 1 Partition 2")); }},
        {"cluster", [] { return new KChangeClusterSizeDlg(1, 32, 8, QStringLiteral("Disk 1 Partition 2")); }},
        {"wipe", [] { return new KWipingDiskDlg(QStringLiteral("Disk 1")); }},
    };
    const QString folder = qEnvironmentVariable("VOLMARA_SHOTS_DIR");
    if (!folder.isEmpty())
        QDir().mkpath(folder);
    for (const auto& [name, make] : dialogs) {
        std::unique_ptr<QDialog> dialog(make());
        dialog->show();
        const QImage shot = dialog->grab().toImage();
        EXPECT_GE(shot.width(), 300) << name;
        EXPECT_GE(shot.height(), 150) << name;
        EXPECT_GT(DistinctColours(shot), 8) << name << " looks blank";
        if (!folder.isEmpty())
            shot.save(folder + QStringLiteral("/%1.png").arg(QLatin1String(name)));
        dialog->close();
    }
}
