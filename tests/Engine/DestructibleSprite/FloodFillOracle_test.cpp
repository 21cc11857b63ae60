// The flood fill against a plain model of its rule, without its fast paths (bit rows, whole untouched chunks
// from a per-seed cache) or its bookkeeping (union-find, open counts): for many random sprites and cuts, the same
// groups with the same pieces (seed, cells in fill order, box, borders, per-type counts) in the same order, and
// the same draws from the global generator.

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Common/Assets/SpriteAsset.h"
#include "Engine/DestructibleSprite/FloodFill.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Random.h"
#include "OracleFloodFill.h"

namespace {

// Chunks full, or with a few holes, or half empty; now and then a chunk missing; mostly Filled cells with some
// of the core types.
SpriteAsset random_asset(std::mt19937& gen, int32_t chunks_x, int32_t chunks_y) {
    SpriteAsset a;
    a.metadata.name = "oracle";
    a.chunkCount = {static_cast<uint32_t>(chunks_x), static_cast<uint32_t>(chunks_y)};
    a.cellCount = {static_cast<uint32_t>(chunks_x * 32), static_cast<uint32_t>(chunks_y * 32)};
    for (int32_t cy = 0; cy < chunks_y; ++cy) {
        for (int32_t cx = 0; cx < chunks_x; ++cx) {
            const uint32_t kind = gen() % 10;
            if (kind == 0 && chunks_x * chunks_y > 1) {
                continue;
            }
            SpriteChunkData d;
            d.index = cy * chunks_x + cx;
            d.gridPixelOffset = {cx * 32, cy * 32};
            for (int32_t i = 0; i < 1024; ++i) {
                if ((kind == 1 && gen() % 40 == 0) || (kind == 2 && gen() % 2 == 0)) {
                    continue;
                }
                const uint32_t type = gen() % 50 == 0 ? 2 + gen() % 3 : 1;
                d.mask[static_cast<size_t>(i)] = static_cast<uint8_t>(type);
                d.color[static_cast<size_t>(i)] = 0xFF000000u | static_cast<uint32_t>(i);
                d.activePixelCount += 1;
                a.groups[type].activeCount += 1;
            }
            a.activePixelCount += d.activePixelCount;
            a.chunks.push_back(d);
        }
    }
    a.groups[1].root_grid_index_position = {chunks_x * 16, chunks_y * 16};
    return a;
}

// Straight cuts one or two cells wide, in any direction, and a few single cells.
void cut(std::mt19937& gen, Sprite& s) {
    const auto w = static_cast<int32_t>(s.grid().cells_x);
    const auto h = static_cast<int32_t>(s.grid().cells_y);
    const auto remove = [&](int32_t x, int32_t y) {
        if (x >= 0 && y >= 0 && x < w && y < h) {
            const ChunkCell cc = s.grid().to_chunk_cell(x, y);
            s.remove_cell(cc.chunk, cc.cell);
        }
    };
    // Now and then straight through, so that large parts with whole chunks come off.
    if (gen() % 3 == 0) {
        const bool across = gen() % 2 == 0;
        const int32_t at = static_cast<int32_t>(gen() % static_cast<uint32_t>(across ? w : h));
        for (int32_t k = 0; k < (across ? h : w); ++k) {
            remove(across ? at : k, across ? k : at);
        }
    }
    const uint32_t cuts = 1 + gen() % 4;
    for (uint32_t c = 0; c < cuts; ++c) {
        float x = static_cast<float>(gen() % static_cast<uint32_t>(w));
        float y = static_cast<float>(gen() % static_cast<uint32_t>(h));
        const float angle = static_cast<float>(gen() % 6283) * 0.001f;
        const int32_t steps = static_cast<int32_t>(gen() % static_cast<uint32_t>(2 * (w + h)));
        const int32_t thick = 1 + static_cast<int32_t>(gen() % 2);
        for (int32_t k = 0; k < steps; ++k) {
            for (int32_t t = 0; t < thick; ++t) {
                remove(static_cast<int32_t>(std::floor(x)) + t, static_cast<int32_t>(std::floor(y)));
            }
            x += std::cos(angle) * 0.5f;
            y += std::sin(angle) * 0.5f;
        }
    }
    for (uint32_t k = gen() % 8; k > 0; --k) {
        remove(static_cast<int32_t>(gen() % static_cast<uint32_t>(w)),
               static_cast<int32_t>(gen() % static_cast<uint32_t>(h)));
    }
}

void expect_same_piece(const ChunkPiece& a, const ChunkPiece& b, const std::string& where) {
    EXPECT_EQ(a.seed, b.seed) << where;
    EXPECT_EQ(a.cells, b.cells) << where;
    EXPECT_EQ(a.min_x, b.min_x) << where;
    EXPECT_EQ(a.min_y, b.min_y) << where;
    EXPECT_EQ(a.max_x, b.max_x) << where;
    EXPECT_EQ(a.max_y, b.max_y) << where;
    EXPECT_EQ(a.border_count, b.border_count) << where;
    EXPECT_EQ(a.chunk, b.chunk) << where;
    EXPECT_EQ(a.counts, b.counts) << where;
    for (size_t side = 0; side < 4; ++side) {
        ASSERT_EQ(a.borders[side].count, b.borders[side].count) << where << " side " << side;
        for (uint64_t k = 0; k < a.borders[side].count; ++k) {
            EXPECT_EQ(a.borders[side].cells[k], b.borders[side].cells[k]) << where << " side " << side;
        }
    }
}

TEST(FloodFillOracle, RandomCutsGiveWhatThePlainModelGives) {
    SpriteChunkPool pool(32, 1024, 32);
    int32_t split = 0;
    int32_t whole_chunk_pieces = 0;
    for (uint32_t seed = 0; seed < 600; ++seed) {
        std::mt19937 gen(seed);
        const int32_t chunks_x = 1 + static_cast<int32_t>(gen() % 5);
        const int32_t chunks_y = 1 + static_cast<int32_t>(gen() % 5);
        const SpriteAsset asset = random_asset(gen, chunks_x, chunks_y);
        {
            Sprite sprite(pool, asset, false);
            cut(gen, sprite);

            random_seed(seed);
            FloodFill fill(sprite.grid(), sprite.chunk_table(), sprite.dirty_chunks());
            const std::vector<FloodFillGroup> got = fill.run();
            const uint32_t next_draw = random_generator()();

            random_seed(seed);
            OracleFloodFill oracle(sprite.grid(), sprite.chunk_table(), sprite.dirty_chunks());
            const std::vector<FloodFillGroup> want = oracle.run();
            EXPECT_EQ(random_generator()(), next_draw) << "seed " << seed;

            ASSERT_EQ(got.size(), want.size()) << "seed " << seed;
            split += got.empty() ? 0 : 1;
            for (size_t g = 0; g < got.size(); ++g) {
                const std::string where = "seed " + std::to_string(seed) + " group " + std::to_string(g);
                EXPECT_EQ(got[g].total, want[g].total) << where;
                EXPECT_EQ(got[g].counts, want[g].counts) << where;
                ASSERT_EQ(got[g].pieces.size(), want[g].pieces.size()) << where;
                for (size_t p = 0; p < got[g].pieces.size(); ++p) {
                    expect_same_piece(got[g].pieces[p], want[g].pieces[p], where + " piece " + std::to_string(p));
                    whole_chunk_pieces += got[g].pieces[p].cells.size() == 1024 ? 1 : 0;
                }
            }
        }
        pool.apply_pending();
    }
    // The cases reach both paths of the fill: parts that split off, and whole untouched chunks.
    EXPECT_GT(split, 40);
    EXPECT_GT(whole_chunk_pieces, 40);
}

} // namespace
