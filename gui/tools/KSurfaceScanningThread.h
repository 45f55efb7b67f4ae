// The surface test's reading loop: reads the whole device, 63 sectors at a time, and reports every
// read as (block index, failed). It never writes. The reads themselves run one step ahead on a thread
// of their own, in larger pieces, so a fast device is not held back by the per-read reports; a piece
// that fails is read again read by read, so every report still says whether its own 63 (or fewer)
// sectors could be read.
#pragma once

#include <QThread>
#include <atomic>
#include <cstdint>

class ISectorDevice;
class QRecursiveMutex;

class KSurfaceScanningThread : public QThread {
    Q_OBJECT

public:
    // The mutex is held around every report (the dialog takes it to pause the scan); `pCancel` is read
    // between reads and ends the scan when non-zero.
    KSurfaceScanningThread(ISectorDevice* device, int64_t n64TotalSectors, int64_t n64BlockSectors,
                           QRecursiveMutex* mutex, const std::atomic<int>* pCancel, QObject* parent = nullptr);

signals:
    void emit_set_scanning_progress(qint64 s64BitIndex, bool bErrorFound);

protected:
    void run() override;

private:
    ISectorDevice* m_device;
    int64_t m_n64TotalSectors;
    int64_t m_n64BlockSectors;
    QRecursiveMutex* m_mutex;
    const std::atomic<int>* m_pCancel;
};
