// Asks for a new start and size of one partition inside the stretch formed by the partition and the
// unallocated space around it. The caller fills a ResizeParameters block, runs the dialog modally and
// reads the same block back after acceptance; a request that changes nothing is a rejection.
#pragma once

#include <QDialog>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace Ui {
class KMoveResizeDlg;
}

class QPixmap;

// Sectors are 512 bytes; offsets count from the first sector of the stretch.
struct ResizeParameters {
    int64_t StartOffset = 0;     // in/out
    int64_t StretchSectors = 0;
    int64_t Size = 0;            // in/out
    int64_t CylinderSectors = 0; // tracks per cylinder x sectors per track
    int64_t UsedSectors = 0;
    int64_t NtfsReserve = 0;     // NTFS only, else 0
    int32_t SectorsPerCluster = 0;
    int32_t FsType = 0;          // in/out: a FAT volume may change kind with its size
    uint8_t SafeMode = 0;        // in: requested (callers pass 1); out: chosen
    uint8_t IsSystemVolume = 0;
    uint8_t Reserved[6] = {};
};
static_assert(sizeof(ResizeParameters) == 64);
static_assert(offsetof(ResizeParameters, StartOffset) == 0);
static_assert(offsetof(ResizeParameters, StretchSectors) == 8);
static_assert(offsetof(ResizeParameters, Size) == 16);
static_assert(offsetof(ResizeParameters, CylinderSectors) == 24);
static_assert(offsetof(ResizeParameters, UsedSectors) == 32);
static_assert(offsetof(ResizeParameters, NtfsReserve) == 40);
static_assert(offsetof(ResizeParameters, SectorsPerCluster) == 48);
static_assert(offsetof(ResizeParameters, FsType) == 52);
static_assert(offsetof(ResizeParameters, SafeMode) == 56);
static_assert(offsetof(ResizeParameters, IsSystemVolume) == 57);

class KPartitionResizeCtrl;

class KMoveResizeDlg : public QDialog {
    Q_OBJECT
public:
    // The block is copied now and written back only when the dialog is accepted.
    KMoveResizeDlg(ResizeParameters* pParameters, QWidget* parent = nullptr);
    KMoveResizeDlg(ResizeParameters& parameters, QWidget* parent = nullptr);
    ~KMoveResizeDlg() override;

    // The dialog's copy of the block: after acceptance what was written back.
    const ResizeParameters& Parameters() const { return m_params; }

    // The smallest and largest size the file system allows (sectors), with or without the protecting
    // mode, before the resize control applies them.
    static void ComputeSizeLimits(const ResizeParameters& params, bool bSafeMode, qint64* pMinimum,
                                  qint64* pMaximum);
    // The FAT kind a FAT volume is reported with after resizing to n64Size sectors.
    static int FatTypeAfterResize(int nFsType, qint64 n64Size);
    // The warning sign next to the backup advice.
    static QPixmap WarningPicture(int size);

public slots:
    void onFreeSpaceBeforeChanged(double value);
    void onPartitionSizeValueChanged(double value);
    void onFreeSpaceAfterChanged(double value);
    void onPartitionSizeChanged(qint64 n64StartingOffset, qint64 n64Size);
    void onExtraSafeModeClicked(bool bChecked);
    void on_okButton_clicked();

private:
    void applySizeLimits(bool bSafeMode);
    void setBeforeAfterRanges(qint64 n64Size);
    KPartitionResizeCtrl* ctrl() const;

    std::unique_ptr<Ui::KMoveResizeDlg> ui;
    ResizeParameters* m_target;
    ResizeParameters m_params;
    bool m_busy = false;
};
