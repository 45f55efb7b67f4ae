#include "fs/swap/SwapFormat.h"

#include <cstring>
#include <vector>

#include "core/ByteOrder.h"
#include "core/IProgressReporter.h"
#include "engine/ISectorDevice.h"
#include "fs/swap/SwapHeader.h"

namespace {
constexpr int kOperationFormat = 2; // the progress name of a format
} // namespace

int FormatSwap(ISectorDevice* device, int64_t volumeStart, int64_t sectors, IProgressReporter* progress)
{
    if (!device || !progress || sectors < 16)
        return kSwapBadArgument;
    progress->BeginStep(-1);
    progress->SetProcessName(kOperationFormat);
    progress->SetStepTotal(4);
    progress->SetStepPosition(1);
    std::vector<uint8_t> page(SwapHeader::kPageBytes, 0);
    put_le32(page.data() + SwapHeader::kVersionOffset, 1);
    put_le32(page.data() + SwapHeader::kLastPageOffset, uint32_t(sectors / 8 - 1));
    std::memcpy(page.data() + SwapHeader::MagicOffset(SwapHeader::kPageBytes), SwapHeader::kMagicV1,
                SwapHeader::kMagicBytes);
    progress->SetStepPosition(2);
    if (!device->WriteSectors(page.data(), volumeStart, 8))
        return kSwapWriteFailed;
    progress->SetStepPosition(3);
    progress->CompleteStep();
    return kSwapFormatOk;
}
