#pragma once
// Lightning-like effects: every node is one jagged polyline, generated at once with its random draws; every frame
// a trail grows along each node's polyline during that node's time window, so a short tapering streak runs
// along it.

#include <cstddef>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/Graphics/LightningEvent.h"
#include "Engine/Graphics/Trail.h"

struct BranchNode {
    Trail trail;
    std::vector<glm::vec2> polyline;
    float length = 0.0f;
    float timing = 0.0f;
    float start_time = 0.0f;
    float end_time = 0.0f;
};

struct BranchingLineEffect {
    std::vector<BranchNode> nodes;
    float lifetime = 0.0f;
    float age = 0.0f; // seconds since the effect started
};

// The effect's nodes, branches before the line they branch from. Draws from the global generator: per segment the
// offset, the branch chance, and on a branch its end point followed by the whole branch's own generation.
std::vector<BranchNode> generate_branching_lines(const SpawnLightningEvent& event, float start_time);

// Live effects at most: runs that never render never age them out. A bolt beyond it is still generated, so the
// global random sequence does not depend on whether frames are drawn, and then dropped.
inline constexpr size_t kMaxBranchingLineEffects = 4096;

void spawn_branching_line_effect(std::vector<BranchingLineEffect>& effects, const SpawnLightningEvent& event);

// Grows every effect by dt and removes those past their lifetime (the last one moves into the freed place).
void update_branching_line_effects(std::vector<BranchingLineEffect>& effects, float dt);
