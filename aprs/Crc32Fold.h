#pragma once

#include <cstddef>
#include <cstdint>

// CRC-32 (IEEE 802.3, reflected) of a byte run folded sixteen bytes at a time with carry-less
// multiplication where the processor has it. state is the running value without the final
// complement, as the byte-at-a-time table update keeps it; the result continues it over data.
// Returns false (state untouched) when the processor lacks the instructions or size is not a
// multiple of 16 of at least 64: the caller then uses its table.
bool crc32FoldBlocks(uint32_t& state, const uint8_t* data, size_t size);
