#pragma once
// The fused step's broad phase: proxies sorted into buckets by the left edges of their swept bounds.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "Engine/Math/AxisAlignedArea.h"
#include "Engine/Physics/SpriteCollision.h"

// The proxies by the left edges of their swept bounds, in buckets as wide as the widest proxy: a proxy whose
// bounds overlap an area starts left of the area's right edge and no further left of its left edge than the
// widest proxy is wide, so it sits in one of the few buckets between those two places.
class LeftEdgeBuckets {
public:
    void fill(const std::vector<SpritePhysicsProxy>& proxies);

    // Every proxy that may overlap the area, and others.
    std::span<const int32_t> candidates(const AxisAlignedArea& area) const {
        if (m_count == 0) {
            return {};
        }
        const double from = static_cast<double>(area.min.x) - m_widest * (1.0 + 1e-9) -
                            1e-12 * (std::fabs(static_cast<double>(area.min.x)) + 1.0);
        const size_t first = bucket(std::max(from, m_left));
        const size_t last = bucket(std::min(static_cast<double>(area.max.x), m_right));
        if (first > last) {
            return {};
        }
        return {m_entries.data() + m_starts[first], m_entries.data() + m_starts[last + 1]};
    }

private:
    // Rounding keeps the order of places, so a place between two others gets a bucket between theirs.
    size_t bucket(double x) const {
        const double b = (x - m_left) / m_width;
        // Compared before the cast: a far-off or non-finite edge must not overflow the conversion.
        if (!(b > 0.0)) {
            return 0;
        }
        return b >= static_cast<double>(m_count - 1) ? m_count - 1 : static_cast<size_t>(b);
    }

    double m_left = 0.0;
    double m_right = 0.0;
    double m_widest = 0.0;
    double m_width = 1.0;
    size_t m_count = 0;
    std::vector<size_t> m_starts;
    std::vector<size_t> m_fill;
    std::vector<int32_t> m_entries;
};
