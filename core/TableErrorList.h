// The loader's partition-table error list: a status word and corrections.
#pragma once

#include <cstdint>
#include <vector>

enum TableCorrectionKind : int32_t {
    kCorrectSectorCount = 0,
    kCorrectPartitionTypeId = 1,
    kCorrectNothing = 2,
    kCorrectStartingLba = 3,
    kCorrectActive = 4,
    kCorrectIsPrimary = 5,
};

struct TableCorrection {
    int32_t Kind;
    int32_t PartitionIndex;
    int64_t Value;
};
static_assert(sizeof(TableCorrection) == 16);

// Status bits the loader sets for damage it cannot correct.
enum TableStatusBits : uint32_t {
    kTableLinkBackwards = 1u << 0,     // an extended boot record link points backwards or was visited
    kTableLinkOutside = 1u << 1,       // a link leaves its extended container or the disk
    kTableTooManyLogicals = 1u << 2,   // more than 256 logical partitions
    kTableOverlap = 1u << 3,           // entries overlap
    kTablePastEnd = 1u << 4,           // an entry starts past the end of the disk
    kTableGptDamaged = 1u << 5,        // protective MBR but neither GPT header is valid
    kTableReadFailed = 1u << 6,        // a table sector could not be read
    kTableBadEntry = 1u << 7,          // an entry with zero length or an impossible field
};

struct TableErrorList {
    uint32_t Status = 0;
    std::vector<TableCorrection> Corrections;

    bool HasErrors() const { return Status != 0 || !Corrections.empty(); }
    void Clear() { Status = 0; Corrections.clear(); }
};
