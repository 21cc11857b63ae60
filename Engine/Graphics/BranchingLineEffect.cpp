#include "Engine/Graphics/BranchingLineEffect.h"

#include <algorithm>
#include <cmath>

#include "Engine/Math/Vector.h"
#include "Engine/Random.h"

namespace {

constexpr float kTrailWidth = 0.02f;
constexpr uint32_t kTrailColor = 0x64FF8080u; // RGBA8: a translucent light blue
constexpr float kStepLength = 0.1f;

TrailSettings node_trail_settings(int32_t segments) {
    TrailSettings s;
    s.max_points = static_cast<int32_t>(static_cast<float>(segments) * 0.5f);
    s.min_segment = 0.001f;
    s.taper = true;
    s.reverse_taper = false;
    s.max_length = 1.0f;
    s.max_width = 0.025f;
    return s;
}

} // namespace

std::vector<BranchNode> generate_branching_lines(const SpawnLightningEvent& e, float start_time) {
    const int32_t n = e.segment_count;
    std::vector<BranchNode> nodes;
    BranchNode node;
    node.trail = Trail(node_trail_settings(n));
    node.polyline.push_back(e.from);
    node.timing = e.timing;
    node.start_time = start_time;
    node.end_time = 0.0f;

    const float fn = static_cast<float>(n);
    glm::vec2 p = e.from;
    for (int32_t i = 0; i < n; ++i) {
        const float f = std::sqrt(static_cast<float>(i) / fn);
        const glm::vec2 d = ((e.to - e.from) / fn) * e.offset_scale * (1.0f - f);
        const float r = glm::length(d);
        const glm::vec2 o = random_in_disc(r);
        const float left = static_cast<float>(n - i);
        p.x = p.x + (e.to.x - p.x) / left + 0.5f * o.x;
        p.y = p.y + (e.to.y - p.y) / left + 0.5f * o.y;
        node.polyline.push_back(p);
        // A timing of zero or less would never arrive: such a line has an empty window instead.
        node.end_time += e.timing > 0.0f ? r / e.timing : 0.0f;

        if (random_chance(e.branch_factor / fn)) {
            const glm::vec2 q = p + random_in_disc_radius_range(1.0f - f, glm::distance(p, e.to));
            SpawnLightningEvent child;
            child.from = p;
            child.to = lerp_clamped(q, e.to, 0.5f);
            child.segment_count = static_cast<int32_t>(fn * 0.5f);
            child.branch_factor = e.branch_factor * 0.5f;
            child.offset_scale = e.offset_scale * 0.5f;
            child.timing = e.timing * 0.5f;
            std::vector<BranchNode> branch = generate_branching_lines(child, node.end_time);
            nodes.insert(nodes.begin(), std::make_move_iterator(branch.begin()), std::make_move_iterator(branch.end()));
        }
    }
    node.length = polyline_length(node.polyline);
    nodes.push_back(std::move(node));
    return nodes;
}

void spawn_branching_line_effect(std::vector<BranchingLineEffect>& effects, const SpawnLightningEvent& event) {
    BranchingLineEffect effect;
    effect.nodes = generate_branching_lines(event, 0.0f);
    for (const BranchNode& node : effect.nodes) {
        effect.lifetime = std::max(effect.lifetime, node.end_time);
    }
    if (effects.size() >= kMaxBranchingLineEffects) {
        return;
    }
    effects.push_back(std::move(effect));
}

void update_branching_line_effects(std::vector<BranchingLineEffect>& effects, float dt) {
    size_t i = 0;
    while (i < effects.size()) {
        BranchingLineEffect& effect = effects[i];
        for (BranchNode& node : effect.nodes) {
            if (node.start_time > effect.age || effect.age > node.end_time) {
                continue;
            }
            const int32_t steps = static_cast<int32_t>(node.length / kStepLength);
            const float window = node.end_time - node.start_time;
            for (int32_t k = 0; k < steps; ++k) {
                // An empty window is over the moment it starts: the line shows its end.
                const float t =
                    window > 0.0f
                        ? (effect.age - node.start_time + static_cast<float>(k) * dt / static_cast<float>(steps)) /
                              window
                        : 1.0f;
                node.trail.add_point(polyline_sample(node.polyline, t), kTrailWidth, kTrailColor);
            }
        }
        effect.age += dt;
        if (effect.age > effect.lifetime) {
            if (i + 1 != effects.size()) {
                effects[i] = std::move(effects.back());
            }
            effects.pop_back();
            continue;
        }
        ++i;
    }
}
