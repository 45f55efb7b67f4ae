// Creates Linux swap areas.
#pragma once

#include <cstdint>

class ISectorDevice;
class IProgressReporter;

enum SwapFormatResult : int { kSwapFormatOk = 0, kSwapBadArgument = 1, kSwapOutOfMemory = 2, kSwapWriteFailed = 4 };

// A version-1 swap header in the first 4 KiB page of the area.
int FormatSwap(ISectorDevice* device, int64_t volumeStart, int64_t sectors, IProgressReporter* progress);
