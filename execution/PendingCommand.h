// One pending command line and whether it runs in direct-write mode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

struct PendingCommand {
    char Line[516];
    int32_t DirectWrite;

    static PendingCommand Make(const char* line, int directWrite)
    {
        PendingCommand c{};
        if (line)
            std::strncpy(c.Line, line, sizeof c.Line - 1);
        c.DirectWrite = directWrite;
        return c;
    }
};
static_assert(sizeof(PendingCommand) == 520);
static_assert(offsetof(PendingCommand, DirectWrite) == 516);
