// CRC-32 (IEEE 802.3, reflected, as GPT uses it).
#pragma once

#include <cstddef>
#include <cstdint>

uint32_t Crc32(const void* data, size_t size, uint32_t crc = 0);
