#include "KSurfaceScanningThread.h"

#include <QMutexLocker>
#include <QRecursiveMutex>
#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "SurfaceScanRules.h"
#include "engine/ISectorDevice.h"

namespace {

using SurfaceScanRules::kReadSectors;

// Reads per piece of the read-ahead (8064 sectors, just under 4 MiB) and pieces read ahead at most.
constexpr int64_t kPieceReads = 128;
constexpr size_t kPiecesAhead = 4;

// The results of one piece: one flag per read, true = the read failed.
struct Piece {
    int64_t firstRead = 0;
    std::vector<bool> failed;
};

// Reads pieces on its own thread into one page-aligned buffer and queues their results; sleeps while
// kPiecesAhead pieces wait to be reported.
class PieceReader {
public:
    PieceReader(ISectorDevice* device, int64_t n64TotalSectors)
        : m_device(device), m_total(n64TotalSectors), m_reads(SurfaceScanRules::ReadCount(n64TotalSectors)),
          m_buffer(static_cast<uint8_t*>(std::aligned_alloc(4096, size_t(kPieceReads * kReadSectors * 512))), std::free)
    {
        m_thread = std::thread([this] { readAll(); });
    }
    ~PieceReader()
    {
        {
            std::lock_guard lock(m_lock);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    // The next piece; false when every piece was taken.
    bool Next(Piece* piece)
    {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_done; });
        if (m_ready.empty())
            return false;
        *piece = std::move(m_ready.front());
        m_ready.pop_front();
        m_changed.notify_all();
        return true;
    }

private:
    bool stopping()
    {
        std::lock_guard lock(m_lock);
        return m_stop;
    }

    // Reads `nCount` reads from read `nRead` on (the last read of the device may be short).
    bool readOne(int64_t nRead, int64_t nCount)
    {
        const int64_t sectors = std::min(nCount * kReadSectors, m_total - nRead * kReadSectors);
        // Without a buffer (allocation failed) nothing can be read: the reads count as failed.
        return m_buffer && m_device->ReadSectorsUncached(m_buffer.get(), nRead * kReadSectors, sectors) != 0;
    }

    void readAll()
    {
        for (int64_t first = 0; first < m_reads; first += kPieceReads) {
            {
                std::unique_lock lock(m_lock);
                m_changed.wait(lock, [this] { return m_stop || m_ready.size() < kPiecesAhead; });
                if (m_stop)
                    break;
            }
            const int64_t count = std::min(kPieceReads, m_reads - first);
            Piece piece;
            piece.firstRead = first;
            piece.failed.assign(size_t(count), false);
            // One transfer for the piece; only when it fails is each read of it tried on its own.
            if (!readOne(first, count))
                for (int64_t i = 0; i < count && !stopping(); ++i)
                    piece.failed[size_t(i)] = !readOne(first + i, 1);
            std::lock_guard lock(m_lock);
            m_ready.push_back(std::move(piece));
            m_changed.notify_all();
        }
        std::lock_guard lock(m_lock);
        m_done = true;
        m_changed.notify_all();
    }

    ISectorDevice* m_device;
    const int64_t m_total;
    const int64_t m_reads;
    std::unique_ptr<uint8_t, void (*)(void*)> m_buffer;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Piece> m_ready;
    bool m_stop = false;
    bool m_done = false;
    std::thread m_thread;
};

} // namespace

KSurfaceScanningThread::KSurfaceScanningThread(ISectorDevice* device, int64_t n64TotalSectors, int64_t n64BlockSectors,
                                               QRecursiveMutex* mutex, const std::atomic<int>* pCancel, QObject* parent)
    : QThread(parent), m_device(device), m_n64TotalSectors(n64TotalSectors), m_n64BlockSectors(n64BlockSectors),
      m_mutex(mutex), m_pCancel(pCancel)
{
}

void KSurfaceScanningThread::run()
{
    if (!m_device || m_n64TotalSectors <= 0 || m_n64BlockSectors < kReadSectors)
        return;
    const int64_t readsPerBlock = m_n64BlockSectors / kReadSectors;
    PieceReader reader(m_device, m_n64TotalSectors);
    Piece piece;
    while (m_pCancel->load() == 0 && reader.Next(&piece)) {
        for (size_t i = 0; i < piece.failed.size() && m_pCancel->load() == 0; ++i) {
            QMutexLocker lock(m_mutex);
            emit emit_set_scanning_progress(qint64((piece.firstRead + int64_t(i)) / readsPerBlock), piece.failed[i]);
        }
    }
}
