// The reading loop of partition recovery: walks sector ranges of one disk in chunks and offers every
// sector to the file-system recognisers. It only reads. Finds and progress reach the page through
// queued signals; Stop asks the loop to end after the chunk in hand, keeping what it found.
#pragma once

#include <QByteArray>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <vector>

class IDisk;
struct PartitionInfo;

class KPartitionScanningThread : public QThread {
    Q_OBJECT
public:
    struct Range {
        int64_t First;
        int64_t Last; // inclusive
    };
    // Sectors read at a time.
    static constexpr int64_t kChunkSectors = 126;

    // `bQuick`: after a find the loop goes on at the find's end instead of the sector after its start.
    KPartitionScanningThread(IDisk* disk, std::vector<Range> ranges, bool bQuick, QObject* parent = nullptr);
    // Stops the loop and waits for it to end.
    ~KPartitionScanningThread() override;

    void Stop() { m_bStop.store(true); }
    int64_t TotalSectors() const { return m_n64Total; }

signals:
    // One PartitionInfo record, as bytes.
    void partitionFound(const QByteArray& record);
    void progressed(qint64 n64Done, qint64 n64Position);
    void scanFinished(bool bStopped);

protected:
    void run() override;

private:
    IDisk* m_disk;
    std::vector<Range> m_ranges;
    bool m_bQuick;
    int64_t m_n64Total = 0;
    std::atomic<bool> m_bStop{false};
};
