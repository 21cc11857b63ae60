#pragma once
// The occupancy rows of a 32 x 32 chunk: bit x of rows[y] is set when cell (x, y) is active. A walk reads one
// bit per cell from them instead of the cell's flag word.

#include <cstdint>

#include "Common/Assets/SpriteAsset.h"

// One bit a cell, one uint32_t a row: the rows are for chunks of 32 cells a side (SpriteGrid::has_row_chunks).
static_assert(kSpriteChunkSize == 32);

// The 32 rows of a chunk from its 1024 flag words, with SSE2 where the build has it.
void build_chunk_rows(const uint16_t* flags, uint32_t* rows);

// Whether build_chunk_rows takes its SSE2 path (where the build has one; on until turned off). Both paths give
// the same rows: the switch lets the tests run the plain one on a machine that has SSE2.
void set_chunk_rows_simd(bool on);
bool chunk_rows_simd();
