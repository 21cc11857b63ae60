#pragma once
// Where each core of a committed sprite's entity belongs once its split result is applied.
//
// When a piece takes the Core, the entity swaps its sprite with that piece's rock, so the entity
// then holds the piece and the rock holds the old body. Placing cores one map entry at a time
// would depend on the map's order; this settles every core at once: each ends with the sprite
// that holds its cells and its grid point is moved exactly once.

#include <cstdint>

#include <glm/glm.hpp>

struct SplitResult;

struct SplitCorePlacement {
    // True: the core stays on (or moves into) the entity; false: it goes to rock `rock`.
    bool on_entity = true;
    uint64_t rock = 0;
    // Added to the core's grid point (and to the local anchors of its joints, as a cell offset).
    glm::vec2 grid_shift{0.0f};
    // The index of the piece whose sprite the core's cells are in, or -1 for the old body.
    int64_t piece = -1;
};

// Rock k is made from piece k; when some piece k takes the Core, the entity and rock k swap.
SplitCorePlacement split_core_placement(const SplitResult& result, uint32_t core_type);
