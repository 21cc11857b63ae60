#include <gtest/gtest.h>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Support/SpriteFixtures.h"

using namespace test_support;

namespace {

const uint16_t kFilled = static_cast<uint16_t>(CellType::Filled);

class RayCastTest : public ::testing::Test {
protected:
    SpriteChunkPool pool{32, 1024, 32};
    // 64 x 32 cells; a block at x 40..45, y 10..20 (in the second chunk) and a cell at (5, 5).
    Sprite s{pool,
             make_asset_from(64, 32,
                             [](int32_t x, int32_t y) -> uint16_t {
                                 return (x >= 40 && x <= 45 && y >= 10 && y <= 20) || (x == 5 && y == 5) ? kFilled : 0;
                             }),
             false};

    glm::vec2 center(float x, float y) const { return s.grid().cell_center_to_local(glm::vec2(x, y)); }
};

} // namespace

TEST_F(RayCastTest, HitsTheFirstActiveCellAlongTheRay) {
    struct Case {
        const char* name;
        glm::vec2 from, to; // in cell coordinates (cell centres)
        bool hit;
        glm::ivec2 cell;
    };
    const Case cases[] = {
        {"from outside, left to right", {-20, 15}, {80, 15}, true, {40, 15}},
        {"right to left", {80, 15}, {-20, 15}, true, {45, 15}},
        {"from below", {42, -10}, {42, 40}, true, {42, 10}},
        {"diagonal from the first chunk", {5, 5}, {60, 30}, true, {5, 5}},
        {"stops short", {0, 15}, {38, 15}, false, {}},
        {"misses above", {-20, 25}, {80, 25}, false, {}},
        {"starting inside the block", {43, 12}, {43, 12}, true, {43, 12}},
    };
    for (const Case& c : cases) {
        const SpriteRayHit h = s.ray_cast(center(c.from.x, c.from.y), center(c.to.x, c.to.y));
        EXPECT_EQ(h.hit, c.hit) << c.name;
        if (c.hit && h.hit) {
            EXPECT_EQ(glm::ivec2(h.x, h.y), c.cell) << c.name;
        }
    }
}

TEST_F(RayCastTest, RemovedCellsAreNotHit) {
    for (int32_t x = 40; x <= 45; ++x) {
        const ChunkCell cc = s.grid().to_chunk_cell(x, 15);
        s.remove_cell(cc.chunk, cc.cell);
    }
    EXPECT_FALSE(s.ray_cast(center(-20, 15), center(80, 15)).hit);
    const SpriteRayHit h = s.ray_cast(center(-20, 16), center(80, 16));
    EXPECT_TRUE(h.hit);
    EXPECT_EQ(glm::ivec2(h.x, h.y), glm::ivec2(40, 16));
    // A ray from far away stays cheap and still finds the block.
    const SpriteRayHit far = s.ray_cast(center(-1e6f, 16), center(80, 16));
    EXPECT_TRUE(far.hit);
    EXPECT_EQ(far.x, 40);
}
