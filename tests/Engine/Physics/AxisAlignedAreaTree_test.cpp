#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Engine/Handle.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"

namespace {

using A = AxisAlignedArea;

A box(float x0, float y0, float x1, float y1) { return A{glm::vec2(x0, y0), glm::vec2(x1, y1)}; }

// Unit boxes on a row with gaps, and one tall box spanning several rows.
const std::vector<A> kBoxes = {
    box(0, 0, 1, 1),  // 0
    box(2, 0, 3, 1),  // 1
    box(4, 0, 5, 1),  // 2
    box(0, 2, 1, 3),  // 3
    box(2, 2, 3, 3),  // 4
    box(6, -2, 7, 4), // 5
};

std::vector<int32_t> sorted(std::vector<int32_t> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// Every leaf's bounds lie inside its ancestors', and parents point back at their children.
void expect_consistent(const AxisAlignedAreaTree<int32_t>& tree) {
    const auto& nodes = tree.nodes();
    for (size_t i = 0; i < nodes.size(); ++i) {
        const AreaTreeNode& n = nodes[i];
        if (!n.is_leaf()) {
            EXPECT_EQ(nodes[static_cast<size_t>(n.left)].parent, static_cast<int32_t>(i));
            EXPECT_EQ(nodes[static_cast<size_t>(n.right)].parent, static_cast<int32_t>(i));
            EXPECT_EQ(n.bounds,
                      A::merged(nodes[static_cast<size_t>(n.left)].bounds, nodes[static_cast<size_t>(n.right)].bounds));
        }
    }
    if (!tree.empty()) {
        EXPECT_EQ(nodes[static_cast<size_t>(tree.root())].parent, -1);
    }
}

class TreeFixture : public testing::Test {
protected:
    void SetUp() override { fill(); }
    void fill() {
        for (size_t i = 0; i < kBoxes.size(); ++i) {
            tree.insert(kBoxes[i], static_cast<int32_t>(i));
        }
    }
    AxisAlignedAreaTree<int32_t> tree;
};

TEST(AreaTree, EmptyTreeReportsNothing) {
    AxisAlignedAreaTree<int32_t> tree;
    std::vector<int32_t> out{42};
    tree.query(box(-100, -100, 100, 100), out);
    tree.query_ray({0, 0}, {1, 0}, 100, out);
    EXPECT_EQ(out, (std::vector<int32_t>{42}));
    EXPECT_EQ(tree.root(), -1);
}

TEST(AreaTree, IdenticalBoxesPairUpWithTheFirstOnTheLeft) {
    AxisAlignedAreaTree<int32_t> tree;
    EXPECT_EQ(tree.insert(box(0, 0, 1, 1), 7), 0);
    EXPECT_EQ(tree.insert(box(0, 0, 1, 1), 8), 2);
    const AreaTreeNode& root = tree.nodes()[2];
    EXPECT_EQ(root.value, -1);
    EXPECT_EQ(tree.nodes()[static_cast<size_t>(root.left)].value, 7);
    EXPECT_EQ(tree.nodes()[static_cast<size_t>(root.right)].value, 8);
    expect_consistent(tree);
}

TEST(AreaTree, InsertGoesTowardsTheSmallerGrowthTiesRight) {
    AxisAlignedAreaTree<int32_t> tree;
    tree.insert(box(0, 0, 1, 1), 0);   // node 0
    tree.insert(box(10, 0, 11, 1), 1); // node 1, root 2 = {0, 1}
    // Next to box 0: growing the left child costs 1, the right child 10.
    tree.insert(box(1, 0, 2, 1), 2); // leaf 3, joint 4 replaces node 0 on the left
    EXPECT_EQ(tree.root(), 2);
    EXPECT_EQ(tree.nodes()[2].left, 4);
    EXPECT_EQ(tree.nodes()[4].left, 0);
    EXPECT_EQ(tree.nodes()[4].right, 3);
    EXPECT_EQ(tree.nodes()[2].bounds, box(0, 0, 11, 1));
    expect_consistent(tree);
}

TEST(AreaTree, EqualGrowthGoesRight) {
    AxisAlignedAreaTree<int32_t> tree;
    tree.insert(box(0, 0, 1, 1), 0);
    tree.insert(box(10, 0, 11, 1), 1);
    // Halfway: either child would grow by 5.
    tree.insert(box(5, 0, 6, 1), 2); // leaf 3, joint 4 replaces node 1 on the right
    EXPECT_EQ(tree.nodes()[2].left, 0);
    EXPECT_EQ(tree.nodes()[2].right, 4);
    EXPECT_EQ(tree.nodes()[4].left, 1);
    EXPECT_EQ(tree.nodes()[4].right, 3);
    expect_consistent(tree);
}

TEST_F(TreeFixture, AreaQueriesUseStrictOverlap) {
    expect_consistent(tree);
    std::vector<int32_t> out;
    // Touches boxes 0 and 1 only along their edges x = 1 and x = 2.
    tree.query(box(1, 0, 2, 1), out);
    EXPECT_TRUE(out.empty());
    tree.query(box(0.5f, 0.5f, 2.5f, 2.5f), out);
    EXPECT_EQ(sorted(out), (std::vector<int32_t>{0, 1, 3, 4}));
    out.clear();
    tree.query(box(5.5f, 3.5f, 8, 8), out);
    EXPECT_EQ(out, (std::vector<int32_t>{5}));
}

struct TreeRayCase {
    const char* name;
    glm::vec2 origin, direction;
    float max_t;
    std::vector<int32_t> expected; // sorted
};

class TreeRays : public TreeFixture, public testing::WithParamInterface<TreeRayCase> {};

TEST_P(TreeRays, ReportsEveryBoxTheRayMeets) {
    const TreeRayCase& c = GetParam();
    std::vector<int32_t> out;
    tree.query_ray(c.origin, c.direction, c.max_t, out);
    EXPECT_EQ(sorted(out), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, TreeRays,
                         testing::Values(TreeRayCase{"row", {-1, 0.5f}, {1, 0}, 100, {0, 1, 2, 5}},
                                         TreeRayCase{"row_short", {-1, 0.5f}, {1, 0}, 3.5f, {0, 1}},
                                         TreeRayCase{"row_back", {10, 0.5f}, {-1, 0}, 100, {0, 1, 2, 5}},
                                         TreeRayCase{"gap_row", {-1, 1.5f}, {1, 0}, 100, {5}},
                                         TreeRayCase{"column", {2.5f, -5}, {0, 1}, 100, {1, 4}},
                                         TreeRayCase{"diagonal", {-0.5f, -0.5f}, {1, 1}, 100, {0, 4}},
                                         TreeRayCase{"away", {-1, 0.5f}, {-1, 0}, 100, {}},
                                         TreeRayCase{"from_inside", {6.5f, 0}, {0, 0.001f}, 0, {5}}),
                         [](const testing::TestParamInfo<TreeRayCase>& info) { return std::string(info.param.name); });

TEST_F(TreeFixture, QueryAfterClearFindsOnlyTheRefill) {
    tree.clear();
    std::vector<int32_t> out;
    tree.query(box(-100, -100, 100, 100), out);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(tree.nodes().empty());

    tree.insert(box(10, 10, 11, 11), 99);
    tree.query(box(-100, -100, 100, 100), out);
    EXPECT_EQ(out, (std::vector<int32_t>{99}));
    out.clear();
    fill();
    tree.query(box(-100, -100, 100, 100), out);
    EXPECT_EQ(sorted(out), (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 99}));
    expect_consistent(tree);
}

TEST_F(TreeFixture, FindGivesTheLeafOrThrows) {
    EXPECT_EQ(tree.find(4).bounds, kBoxes[4]);
    EXPECT_TRUE(tree.find(4).is_leaf());
    EXPECT_THROW(tree.find(17), std::out_of_range);
    // Internal nodes hold -1 but are never found as leaves.
    EXPECT_THROW(tree.find(-1), std::out_of_range);
}

TEST(AreaTree, EntityPayloadsAreReachedThroughLeafValues) {
    AxisAlignedAreaTree<EntityId> tree;
    const EntityId a{3, 1, 2};
    const EntityId b{5, 0, 2};
    tree.insert(box(0, 0, 1, 1), a);
    tree.insert(box(4, 0, 5, 1), b);
    std::vector<int32_t> out;
    tree.query_ray({-1, 0.5f}, {1, 0}, 10, out);
    ASSERT_EQ(out.size(), 2u);
    std::vector<EntityId> hit;
    for (int32_t v : out) {
        hit.push_back(tree.payload(v));
    }
    EXPECT_NE(std::find(hit.begin(), hit.end(), a), hit.end());
    EXPECT_NE(std::find(hit.begin(), hit.end(), b), hit.end());
    EXPECT_EQ(tree.find(1).bounds, box(4, 0, 5, 1));
    EXPECT_EQ(tree.payload(1), b);
}

TEST(AreaTree, BoxesOnALineBuildADeepTreeThatStillAnswers) {
    AxisAlignedAreaTree<int32_t> tree;
    constexpr int32_t n = 5000;
    for (int32_t i = 0; i < n; ++i) {
        tree.insert(box(static_cast<float>(i), 0, static_cast<float>(i) + 0.5f, 1), i);
    }
    std::vector<int32_t> out;
    tree.query(box(100.25f, 0.25f, 102.25f, 0.75f), out);
    EXPECT_EQ(sorted(out), (std::vector<int32_t>{100, 101, 102}));
    out.clear();
    tree.query_ray({-1, 0.5f}, {1, 0}, static_cast<float>(n + 1), out);
    EXPECT_EQ(out.size(), static_cast<size_t>(n));
}

} // namespace
