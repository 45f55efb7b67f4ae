#include "gui/wizards/KPartitionScanningThread.h"

#include <algorithm>
#include <chrono>
#include <memory>

#include "core/PartitionInfo.h"
#include "engine/IDisk.h"
#include "fs/FileSystemServices.h"

KPartitionScanningThread::KPartitionScanningThread(IDisk* disk, std::vector<Range> ranges, bool bQuick, QObject* parent)
    : QThread(parent), m_disk(disk), m_ranges(std::move(ranges)), m_bQuick(bQuick)
{
    for (const Range& r : m_ranges)
        m_n64Total += std::max<int64_t>(0, r.Last - r.First + 1);
}

KPartitionScanningThread::~KPartitionScanningThread()
{
    Stop();
    wait();
}

void KPartitionScanningThread::run()
{
    std::unique_ptr<IFileSystemParameterGenerator> recogniser(CreateInterface_IFileSystemParameterGenerator());
    const int64_t diskSectors = m_disk ? m_disk->GetTotalSectors() : 0;
    std::vector<uint8_t> chunk(size_t(kChunkSectors) * 512);
    using Clock = std::chrono::steady_clock;
    auto lastReport = Clock::now() - std::chrono::seconds(1);
    int64_t done = 0;
    for (const Range& range : m_ranges) {
        const int64_t last = std::min(range.Last, diskSectors - 1);
        int64_t p = std::max<int64_t>(0, range.First);
        while (p <= last && !m_bStop.load()) {
            const int64_t count = std::min(kChunkSectors, last - p + 1);
            if (Clock::now() - lastReport >= std::chrono::milliseconds(200)) {
                lastReport = Clock::now();
                emit progressed(done, p);
            }
            int64_t next = p + count;
            if (recogniser && m_disk->ReadSectors(chunk.data(), p, count)) {
                for (int64_t i = 0; i < count; ++i) {
                    PartitionInfo found{};
                    if (!recogniser->Recognise(m_disk, chunk.data() + i * 512, p + i, &found) || found.StartingLba < 0 ||
                        found.SectorCount <= 0)
                        continue;
                    emit partitionFound(QByteArray(reinterpret_cast<const char*>(&found), sizeof found));
                    // A full scan looks at every sector, the rest of this chunk included; a quick one skips
                    // the inside of the find.
                    next = m_bQuick ? std::max(found.StartingLba + found.SectorCount, p + i + 1) : p + i + 1;
                    break;
                }
            }
            done += std::min(next, last + 1) - p;
            p = next;
        }
    }
    emit progressed(done, std::min<int64_t>(done, m_n64Total));
    emit scanFinished(m_bStop.load());
}
