#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include <gtest/gtest.h>

#include <glm/geometric.hpp>

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

// The trail as its steps read, done at once and in the plainest way: every add tapers every point again and
// every drop moves the points that stay. The trail itself keeps its points apart from their head and tapers when
// they are read; both must give the same bits whenever they are read.
class PlainTrail {
public:
    explicit PlainTrail(const TrailSettings& s) : m_settings(s) {}

    void add_point(glm::vec2 position, float width, uint32_t color) {
        if (!m_points.empty()) {
            const float d = glm::distance(m_points.back().position, position);
            if (m_settings.min_segment > d) {
                return;
            }
            m_length += d;
        }
        m_points.push_back(TrailPoint{position, std::min(width, m_settings.max_width), color, m_length});
        if (static_cast<int64_t>(m_points.size()) > m_settings.max_points) {
            pop_front();
        }
        while (m_settings.max_length > 0.0f && m_points.size() > 1 && m_length > m_settings.max_length) {
            pop_front();
        }
        if (m_settings.taper) {
            for (TrailPoint& p : m_points) {
                float f = m_length > 0.0f ? p.distance / m_length : 1.0f;
                if (m_settings.reverse_taper) {
                    f = m_length > 0.0f ? 1.0f - f : 1.0f;
                }
                p.width = f * m_settings.max_width;
            }
        }
    }
    void pop_front() {
        if (m_points.empty()) {
            return;
        }
        if (m_points.size() >= 2) {
            const float d = glm::distance(m_points[0].position, m_points[1].position);
            m_length -= d;
            for (TrailPoint& p : m_points) {
                p.distance -= d;
            }
        }
        m_points.erase(m_points.begin());
    }
    std::vector<TrailPoint> m_points;
    float m_length = 0.0f;

private:
    TrailSettings m_settings;
};

TEST(Trail, ReadsTheSameBitsAsEagerStepsWheneverRead) {
    std::mt19937 draws(3);
    const auto uniform = [&](float a, float b) { return std::uniform_real_distribution<float>(a, b)(draws); };
    for (int32_t run = 0; run < 300; ++run) {
        TrailSettings s;
        s.max_points = static_cast<int32_t>(draws() % 12) + 1;
        s.min_segment = run % 4 == 0 ? 0.0f : uniform(0.0f, 0.05f);
        s.taper = run % 5 != 0;
        s.reverse_taper = run % 3 == 0;
        s.max_length = run % 6 == 0 ? 0.0f : uniform(0.1f, 2.0f);
        s.max_width = uniform(0.01f, 0.1f);
        Trail trail(s);
        PlainTrail plain(s);
        glm::vec2 at(uniform(-5.0f, 5.0f), uniform(-5.0f, 5.0f));
        for (int32_t step = 0; step < 200; ++step) {
            const uint32_t op = draws() % 10;
            if (op < 7) {
                at += glm::vec2(uniform(-0.3f, 0.3f), uniform(-0.3f, 0.3f));
                const float width = uniform(0.0f, 0.2f);
                trail.add_point(at, width, static_cast<uint32_t>(step));
                plain.add_point(at, width, static_cast<uint32_t>(step));
            } else {
                trail.pop_front();
                plain.pop_front();
            }
            // Read now and then, so that several steps go by unread.
            if (draws() % 4 == 0 || step == 199) {
                const std::span<const TrailPoint> got = trail.points();
                ASSERT_EQ(got.size(), plain.m_points.size()) << "run " << run << " step " << step;
                ASSERT_EQ(std::bit_cast<uint32_t>(trail.length()), std::bit_cast<uint32_t>(plain.m_length));
                for (size_t i = 0; i < got.size(); ++i) {
                    const TrailPoint& a = got[i];
                    const TrailPoint& b = plain.m_points[i];
                    ASSERT_TRUE(a.position == b.position && a.color == b.color &&
                                std::bit_cast<uint32_t>(a.width) == std::bit_cast<uint32_t>(b.width) &&
                                std::bit_cast<uint32_t>(a.distance) == std::bit_cast<uint32_t>(b.distance))
                        << "run " << run << " step " << step << " point " << i;
                }
            }
        }
    }
}

// Long stretches of adds and drops without a read (a bullet's trail between frames, or one nobody draws): the
// tapers held back over many drops, and the room made for new points meanwhile, read the same bits.
TEST(Trail, ReadsTheSameBitsAfterLongUnreadStretches) {
    std::mt19937 draws(11);
    const auto uniform = [&](float a, float b) { return std::uniform_real_distribution<float>(a, b)(draws); };
    for (int32_t run = 0; run < 100; ++run) {
        TrailSettings s;
        s.max_points = static_cast<int32_t>(draws() % 40) + 1;
        s.min_segment = run % 3 == 0 ? 0.0f : 0.01f;
        s.taper = run % 4 != 0;
        s.reverse_taper = run % 5 == 0;
        s.max_length = run % 7 == 0 ? 0.0f : uniform(0.2f, 3.0f);
        Trail trail(s);
        PlainTrail plain(s);
        glm::vec2 at(0.0f);
        for (int32_t step = 0; step < 2000; ++step) {
            if (draws() % 16 != 0) {
                at += glm::vec2(uniform(-0.4f, 0.4f), uniform(-0.4f, 0.4f));
                trail.add_point(at, 0.02f, static_cast<uint32_t>(step));
                plain.add_point(at, 0.02f, static_cast<uint32_t>(step));
            } else {
                trail.pop_front();
                plain.pop_front();
            }
            if (step % 500 == 499) {
                const std::span<const TrailPoint> got = trail.points();
                ASSERT_EQ(got.size(), plain.m_points.size()) << "run " << run << " step " << step;
                ASSERT_EQ(std::bit_cast<uint32_t>(trail.length()), std::bit_cast<uint32_t>(plain.m_length));
                for (size_t i = 0; i < got.size(); ++i) {
                    ASSERT_EQ(std::bit_cast<uint32_t>(got[i].distance),
                              std::bit_cast<uint32_t>(plain.m_points[i].distance))
                        << "run " << run << " step " << step << " point " << i;
                    ASSERT_EQ(std::bit_cast<uint32_t>(got[i].width), std::bit_cast<uint32_t>(plain.m_points[i].width));
                    ASSERT_TRUE(got[i].position == plain.m_points[i].position &&
                                got[i].color == plain.m_points[i].color);
                }
            }
        }
    }
}

// A trail that lives for millions of points, read often, its storage cleared out and reused over and over: it
// still reads the same bits.
TEST(Trail, ReadsTheSameBitsAfterMillionsOfPoints) {
    std::mt19937 draws(5);
    const auto uniform = [&](float a, float b) { return std::uniform_real_distribution<float>(a, b)(draws); };
    TrailSettings s;
    s.max_length = 1.0f;
    Trail trail(s);
    PlainTrail plain(s);
    glm::vec2 at(0.0f);
    for (int32_t step = 0; step < 3'000'000; ++step) {
        at += glm::vec2(uniform(-0.3f, 0.3f), uniform(-0.3f, 0.3f));
        trail.add_point(at, 0.02f, 0);
        plain.add_point(at, 0.02f, 0);
        if (step % 3 == 0) {
            const std::span<const TrailPoint> got = trail.points();
            ASSERT_EQ(got.size(), plain.m_points.size()) << step;
            for (size_t i = 0; i < got.size(); ++i) {
                ASSERT_EQ(std::bit_cast<uint32_t>(got[i].distance), std::bit_cast<uint32_t>(plain.m_points[i].distance))
                    << step;
                ASSERT_EQ(std::bit_cast<uint32_t>(got[i].width), std::bit_cast<uint32_t>(plain.m_points[i].width));
            }
        }
    }
}
