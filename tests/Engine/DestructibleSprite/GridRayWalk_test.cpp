#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "Engine/DestructibleSprite/GridRayWalk.h"

namespace {

std::vector<glm::ivec2> walk(GridRayWalk w) {
    std::vector<glm::ivec2> cells;
    while (w.in_range() && cells.size() < 64) {
        cells.push_back(w.cell());
        w.step();
    }
    return cells;
}

struct WalkCase {
    const char* name;
    glm::vec2 start;
    glm::vec2 direction;
    float max_length;
    std::vector<glm::ivec2> cells;
};

const float kDiag = std::sqrt(0.5f);

} // namespace

TEST(GridRayWalk, VisitsHandComputedCells) {
    const std::vector<WalkCase> cases = {
        {"straight right", {0.5f, 0.5f}, {1, 0}, 3.0f, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}},
        {"along a horizontal cell edge", {0.0f, 1.0f}, {1, 0}, 2.5f, {{0, 1}, {1, 1}, {2, 1}}},
        {"along a vertical cell edge", {2.0f, 0.5f}, {0, 1}, 2.0f, {{2, 0}, {2, 1}, {2, 2}}},
        {"left", {2.5f, 1.5f}, {-1, 0}, 2.0f, {{2, 1}, {1, 1}, {0, 1}}},
        {"left from a boundary", {2.0f, 0.5f}, {-1, 0}, 1.5f, {{2, 0}, {1, 0}, {0, 0}}},
        {"diagonal through corners, y first", {0.5f, 0.5f}, {kDiag, kDiag}, 2.0f, {{0, 0}, {0, 1}, {1, 1}}},
        {"diagonal from a lattice point", {0.0f, 0.0f}, {kDiag, kDiag}, 1.5f, {{0, 0}, {0, 1}, {1, 1}}},
        {"down-left diagonal", {1.5f, 1.5f}, {-kDiag, -kDiag}, 1.0f, {{1, 1}, {1, 0}, {0, 0}}},
        {"slope 3/4", {0.5f, 0.5f}, {0.8f, 0.6f}, 3.0f, {{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 2}}},
        {"zero length", {1.5f, 1.5f}, {0.8f, 0.6f}, 0.0f, {{1, 1}}},
    };
    for (const WalkCase& c : cases) {
        EXPECT_EQ(walk(GridRayWalk(c.start, c.direction, c.max_length)), c.cells) << c.name;
    }
}

TEST(GridRayWalk, SetUpPerAxis) {
    const GridRayWalk w({0.5f, 0.5f}, {0.8f, 0.6f}, 3.0f);
    EXPECT_FLOAT_EQ(w.t_delta_x, 1.25f);
    EXPECT_FLOAT_EQ(w.t_delta_y, 5.0f / 3.0f);
    EXPECT_FLOAT_EQ(w.t_max_x, 0.625f);
    EXPECT_FLOAT_EQ(w.t_max_y, 5.0f / 6.0f);
    EXPECT_EQ(w.step_x, 1);
    EXPECT_EQ(w.step_y, 1);

    GridRayWalk flat({0.5f, 0.5f}, {1, 0}, 100.0f);
    EXPECT_TRUE(std::isinf(flat.t_max_y));
    EXPECT_EQ(flat.step_y, 0);
    for (int i = 0; i < 50; ++i) {
        flat.step();
    }
    EXPECT_EQ(flat.cell(), glm::ivec2(50, 0));
    EXPECT_FLOAT_EQ(flat.position().x, 50.0f);
}

TEST(GridRayWalk, RedirectKeepsCellAndRemainingLength) {
    GridRayWalk w({0.5f, 0.5f}, {1, 0}, 3.0f);
    w.step(); // enters (1, 0) at t = 0.5
    w.redirect({0, 1});
    EXPECT_EQ(w.origin, glm::vec2(1.0f, 0.5f));
    EXPECT_FLOAT_EQ(w.max_t, 2.5f);
    EXPECT_EQ(w.t, 0.0f);
    EXPECT_EQ(walk(w), (std::vector<glm::ivec2>{{1, 0}, {1, 1}, {1, 2}, {1, 3}}));
}
