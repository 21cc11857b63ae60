#pragma once
// What a sprite commit produced: new sprites for the parts that broke off, debris cells, whether
// the sprite is destroyed, and which piece takes each core type that left the body.

#include <cstdint>
#include <unordered_map>
#include <vector>

#include <glm/glm.hpp>

#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Math/Transform.h"

struct CommitSettings {
    uint8_t debug_print = 0; // the flood fill's state dump
    // A sprite with fewer active cells is destroyed; a detached part with at most this many
    // cells becomes debris.
    int32_t min_cells = 20;
};

struct SplitPiece {
    glm::vec2 offset{0.0f}; // the piece's lowest cell corner in the committed sprite's cells
    Sprite sprite;
    Transform transform; // the piece's place in the world
};

struct SplitResult {
    std::vector<SplitPiece> pieces;
    std::vector<DebrisCell> debris; // global cells of the committed sprite
    uint8_t destroyed = 0;
    std::unordered_map<uint32_t, uint64_t> core_pieces; // core type -> piece index

    SplitResult() { reset(); }
    void reset() {
        pieces.clear();
        debris.clear();
        destroyed = 0;
        core_pieces = {};
        core_pieces.max_load_factor(1.0f);
        core_pieces.rehash(8);
    }
};
