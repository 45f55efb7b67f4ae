#include "MbrWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "commands/CommandSummary.h"
#include "core/ByteOrder.h"
#include "engine/IDisk.h"

int WriteMbrBootProgram(IDisk* disk, const unsigned char* program, std::size_t size, bool keepTable,
                        uint32_t newSignature)
{
    uint8_t sector[512] = {};
    std::memcpy(sector, program, std::min<std::size_t>(size, 446));
    uint8_t current[512];
    if (keepTable && disk->ReadSectors(current, 0, 1)) {
        std::memcpy(sector + 440, current + 440, 4);
        std::memcpy(sector + 446, current + 446, 64);
    } else {
        put_le32(sector + 440, newSignature);
    }
    sector[510] = 0x55;
    sector[511] = 0xAA;
    if (!disk->WriteSectors(sector, 0, 1) || !disk->Flush())
        return kDetailWriteFailed;
    return 0;
}
