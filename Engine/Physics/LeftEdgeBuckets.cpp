#include "Engine/Physics/LeftEdgeBuckets.h"

#include <algorithm>
#include <limits>

void LeftEdgeBuckets::fill(const std::vector<SpritePhysicsProxy>& proxies) {
    const size_t n = proxies.size();
    m_left = std::numeric_limits<double>::infinity();
    m_right = -m_left;
    m_widest = 0.0;
    for (const SpritePhysicsProxy& p : proxies) {
        const double l = p.swept_bounds.min.x;
        m_left = std::min(m_left, l);
        m_right = std::max(m_right, l);
        m_widest = std::max(m_widest, static_cast<double>(p.swept_bounds.max.x) - l);
    }
    // No more buckets than a few per proxy, however far apart the proxies lie.
    const double span = n == 0 ? 0.0 : m_right - m_left;
    m_width = std::max({m_widest, span / static_cast<double>(4 * n + 1), 1e-30});
    m_count = n == 0 ? 0 : static_cast<size_t>(span / m_width) + 1;
    m_starts.assign(m_count + 1, 0);
    for (const SpritePhysicsProxy& p : proxies) {
        m_starts[bucket(p.swept_bounds.min.x) + 1] += 1;
    }
    for (size_t b = 0; b < m_count; ++b) {
        m_starts[b + 1] += m_starts[b];
    }
    m_entries.resize(n);
    m_fill.assign(m_starts.begin(), m_starts.end() - (m_count == 0 ? 0 : 1));
    for (size_t i = 0; i < n; ++i) {
        m_entries[m_fill[bucket(proxies[i].swept_bounds.min.x)]++] = static_cast<int32_t>(i);
    }
}
