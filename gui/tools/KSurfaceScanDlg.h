// The surface test: reads every sector of a disk or partition on a worker thread and shows, block by
// block, where reading failed, with live counters (errors, speed, elapsed and remaining time, percent).
// Only one scan runs in the whole program at a time.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QRecursiveMutex>
#include <atomic>
#include <memory>

#include "fs/KBitmap.h"

namespace Ui {
class KSurfaceScanDlg;
}

class ISectorDevice;
class KSurfaceScanningThread;

class KSurfaceScanDlg : public QDialog {
    Q_OBJECT

public:
    // `strName` is shown as the device; the device is read only, never written, and stays the caller's.
    KSurfaceScanDlg(const QString& strName, ISectorDevice* device, QWidget* parent = nullptr);
    ~KSurfaceScanDlg() override;

    int64_t BlockSectors() const { return m_n64BlockSectors; }
    int64_t BlockCount() const { return m_n64BlockCount; }
    int64_t BlocksPerCell() const { return m_n64BlocksPerCell; }
    int Columns() const { return m_nColumns; }
    int64_t Cells() const { return m_n64Cells; }
    int64_t ErrorCount() const { return m_n64ErrorCount; }
    bool IsRunning() const { return m_bRunning; }
    // The block of the last report; -1 before the first.
    int64_t CurrentBlock() const { return m_n64CurrentBlock; }
    // True when the block's reads (in this scan) did not all succeed.
    bool BlockFailed(int64_t n64Block) const { return m_errorBitmap.Test(n64Block); }
    const QPixmap& GridImage() const { return m_gridImage; }
    // The top-left pixel of a cell in the grid image.
    QPoint CellOrigin(int64_t n64Cell) const;
    // A scan runs somewhere in the program.
    static bool ScanRunning();

    // Lays the grid out for the widget's size and draws it again from the scan so far.
    void RedrawGrid();

public slots:
    void setScanningProgress(qint64 s64BitIndex, bool bErrorFound);
    void on_pushButton_clicked();

protected:
    // The close button and Escape both come here: while a scan runs the user is asked first.
    void reject() override;

private:
    void startScan();
    void drawCell(int64_t n64Cell, const QPixmap& picture);
    void updateCounters(int64_t n64Index);

    std::unique_ptr<Ui::KSurfaceScanDlg> ui;
    ISectorDevice* m_device;
    int64_t m_n64TotalSectors = 0;
    int64_t m_n64BlockSectors = 0;
    int64_t m_n64BlockCount = 0;
    KBitmap m_errorBitmap;
    int64_t m_n64CurrentBlock = -1;
    int m_nColumns = 0;
    int m_nRows = 0;
    int64_t m_n64Cells = 0;
    int64_t m_n64BlocksPerCell = 1;
    int64_t m_n64LastRedCell = -1;
    int64_t m_n64LastGreenCell = -1;
    int64_t m_n64ErrorCount = 0;
    int64_t m_n64StartTick = 0;
    int64_t m_n64LastUpdateTick = 0;
    std::atomic<int> m_nCancel{0};
    bool m_bRunning = false;
    // Held by the worker around each read's report, by a full redraw and by the close question. The
    // user-interface thread may take it again while it holds it (a resize while the question is open).
    QRecursiveMutex m_mutex;
    QPixmap m_emptyBlock, m_greenBlock, m_redBlock;
    QPixmap m_gridImage;
    KSurfaceScanningThread* m_worker = nullptr;
};
