// What reading a disk's partition table finds.
#pragma once

#include <cstdint>

#include "GptHeader.h"
#include "core/DiskGeometry.h"
#include "core/PartitionInfo.h"
#include "core/TableErrorList.h"

struct TableScan {
    PartitionList List;
    TableErrorList Errors;
    bool IsGpt = false;
    bool IsDynamic = false;
    uint32_t MbrSignature = 0;
    bool GptHeaderValid = false;
    GptHeader Header{};
};
