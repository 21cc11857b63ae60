#include <gtest/gtest.h>

#include "Engine/Graphics/Trail.h"

namespace {

TrailSettings flat(int32_t max_points, float max_length) {
    TrailSettings s;
    s.max_points = max_points;
    s.max_length = max_length;
    s.taper = false;
    s.max_width = 1.0f;
    return s;
}

TEST(Trail, DefaultsAndEmptyState) {
    Trail t;
    EXPECT_EQ(t.settings().max_points, 10);
    EXPECT_FLOAT_EQ(t.settings().min_segment, 0.001f);
    EXPECT_TRUE(t.settings().taper);
    EXPECT_FALSE(t.settings().reverse_taper);
    EXPECT_FLOAT_EQ(t.settings().max_length, 1.0f);
    EXPECT_FLOAT_EQ(t.settings().max_width, 0.025f);
    EXPECT_TRUE(t.points().empty());
    EXPECT_EQ(t.length(), 0.0f);
    t.pop_front();
    EXPECT_TRUE(t.points().empty());
}

TEST(Trail, PointWithinMinSegmentIsDropped) {
    Trail t(flat(10, 0));
    t.add_point({0, 0}, 0.5f, 1);
    t.add_point({3, 4}, 0.5f, 2);
    t.add_point({3.0005f, 4}, 0.5f, 3);
    ASSERT_EQ(t.points().size(), 2u);
    EXPECT_FLOAT_EQ(t.length(), 5.0f);
    EXPECT_EQ(t.points()[1].color, 2u);
    EXPECT_FLOAT_EQ(t.points()[1].distance, 5.0f);
}

TEST(Trail, WidthIsCappedWithoutTaper) {
    Trail t(flat(10, 0));
    t.add_point({0, 0}, 3.0f, 0);
    t.add_point({1, 0}, 0.25f, 0);
    EXPECT_FLOAT_EQ(t.points()[0].width, 1.0f);
    EXPECT_FLOAT_EQ(t.points()[1].width, 0.25f);
}

TEST(Trail, PointsBeyondCapacityDropTheOldestAndShiftDistances) {
    Trail t(flat(10, 0));
    for (int i = 0; i < 11; ++i) {
        t.add_point({static_cast<float>(i * i), 0}, 1, static_cast<uint32_t>(i));
    }
    ASSERT_EQ(t.points().size(), 10u);
    EXPECT_EQ(t.points().front().color, 1u);
    EXPECT_EQ(t.points().back().color, 10u);
    EXPECT_FLOAT_EQ(t.points().front().distance, 0.0f);
    // Point i sits at x = i * i, so its distance from the new first point (x = 1) is i * i - 1.
    for (size_t k = 0; k < t.points().size(); ++k) {
        const float i = static_cast<float>(k + 1);
        EXPECT_FLOAT_EQ(t.points()[k].distance, i * i - 1.0f);
    }
    EXPECT_FLOAT_EQ(t.length(), 99.0f);
}

TEST(Trail, MaxLengthPopsUntilItFitsButKeepsOnePoint) {
    Trail t(flat(10, 2.5f));
    t.add_point({0, 0}, 1, 0);
    t.add_point({1, 0}, 1, 1);
    t.add_point({2, 0}, 1, 2);
    t.add_point({3, 0}, 1, 3);
    ASSERT_EQ(t.points().size(), 3u);
    EXPECT_EQ(t.points().front().color, 1u);
    EXPECT_FLOAT_EQ(t.length(), 2.0f);
    // A single jump longer than the limit leaves only the newest point.
    t.add_point({20, 0}, 1, 4);
    ASSERT_EQ(t.points().size(), 1u);
    EXPECT_EQ(t.points().front().color, 4u);
    EXPECT_FLOAT_EQ(t.length(), 0.0f);
}

struct TaperCase {
    bool reverse;
    float widths[5];
};

class Taper : public testing::TestWithParam<TaperCase> {};

TEST_P(Taper, WidthsFollowThePlaceAlongTheTrail) {
    TrailSettings s;
    s.max_length = 0;
    s.max_width = 2.0f;
    s.reverse_taper = GetParam().reverse;
    Trail t(s);
    for (int i = 0; i < 5; ++i) {
        t.add_point({static_cast<float>(i), 0}, 0.1f, 0);
    }
    ASSERT_EQ(t.points().size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_FLOAT_EQ(t.points()[i].width, GetParam().widths[i]) << "point " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Ends, Taper,
                         testing::Values(TaperCase{false, {0.0f, 0.5f, 1.0f, 1.5f, 2.0f}},
                                         TaperCase{true, {2.0f, 1.5f, 1.0f, 0.5f, 0.0f}}));

TEST(Trail, LonePointUnderTaperGetsFullWidthNotNaN) {
    for (bool reverse : {false, true}) {
        TrailSettings s;
        s.reverse_taper = reverse;
        Trail t(s);
        t.add_point({1, 1}, 0.01f, 0);
        ASSERT_EQ(t.points().size(), 1u);
        EXPECT_FLOAT_EQ(t.points()[0].width, 0.025f);
    }
}

TEST(Trail, TaperFollowsAfterOldPointsAreDropped) {
    TrailSettings s;
    s.max_points = 3;
    s.max_length = 0;
    s.max_width = 1.0f;
    Trail t(s);
    for (int i = 0; i < 5; ++i) {
        t.add_point({static_cast<float>(i), 0}, 1, 0);
    }
    ASSERT_EQ(t.points().size(), 3u);
    EXPECT_FLOAT_EQ(t.points()[0].width, 0.0f);
    EXPECT_FLOAT_EQ(t.points()[1].width, 0.5f);
    EXPECT_FLOAT_EQ(t.points()[2].width, 1.0f);
}

} // namespace
