#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "Engine/DestructibleSprite/ChunkRows.h"

namespace {

// Both ways of building the rows, over every flag word at every place of a row: a cell is active when its type
// (the low 5 bits) is not Empty and its removed bit (0x20) is clear, whatever the edge and direction bits say.
TEST(ChunkRows, EveryFlagWordGivesItsBitOnBothPaths) {
    for (const bool simd : {true, false}) {
        set_chunk_rows_simd(simd);
        EXPECT_EQ(chunk_rows_simd(), simd);
        std::array<uint16_t, 1024> flags{};
        std::array<uint32_t, 32> rows{};
        // 64 chunks of 1024 words cover every value once; a value's place shifts from chunk to chunk.
        for (uint32_t base = 0; base < 65536; base += 1024) {
            for (uint32_t i = 0; i < 1024; ++i) {
                flags[i] = static_cast<uint16_t>(base + (i * 97 + base / 1024) % 1024);
            }
            build_chunk_rows(flags.data(), rows.data());
            for (uint32_t i = 0; i < 1024; ++i) {
                const uint16_t f = flags[i];
                const bool active = (f & 0x1F) != 0 && (f & 0x20) == 0;
                ASSERT_EQ(((rows[i / 32] >> (i % 32)) & 1u) != 0, active)
                    << (simd ? "simd" : "plain") << " flags " << f << " at cell " << i;
            }
        }
    }
    set_chunk_rows_simd(true);
}

} // namespace
