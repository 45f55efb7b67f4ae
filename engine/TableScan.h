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
    // MBR: the extended container's slot number (1-4, 0 when there is none), start and length.
    int ContainerNumber = 0;
    int64_t ContainerStart = 0;
    int64_t ContainerSectors = 0;
    bool GptHeaderValid = false;
    GptHeader Header{};
};
