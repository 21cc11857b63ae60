#pragma once
// The occupancy rows of a 32 x 32 chunk: bit x of rows[y] is set when cell (x, y) is active. A walk reads one
// bit per cell from them instead of the cell's flag word.

#include <cstdint>

// The 32 rows of a chunk from its 1024 flag words, with SSE2 where the build has it.
void build_chunk_rows(const uint16_t* flags, uint32_t* rows);

// Whether build_chunk_rows takes its SSE2 path (where the build has one; on until turned off). Both paths give
// the same rows: the switch lets the tests run the plain one on a machine that has SSE2.
void set_chunk_rows_simd(bool on);
bool chunk_rows_simd();
