#pragma once
// Running sums over the live cells of a sprite, and the mass properties they give.

#include <cstdint>

#include <glm/glm.hpp>

#include "Engine/DestructibleSprite/SpriteGrid.h"

struct CellMoments {
    int64_t sum_x = 0;
    int64_t sum_y = 0;
    int64_t sum_xx = 0;
    int64_t sum_yy = 0;
    int64_t count = 0;

    void add_cell(glm::ivec2 cell) {
        count += 1;
        sum_x += cell.x;
        sum_y += cell.y;
        sum_xx += cell.x * cell.x;
        sum_yy += cell.y * cell.y;
    }
    void remove_cell(glm::ivec2 cell) {
        count -= 1;
        sum_x -= cell.x;
        sum_y -= cell.y;
        sum_xx -= cell.x * cell.x;
        sum_yy -= cell.y * cell.y;
    }
    void add_all(const CellMoments& other) {
        count += other.count;
        sum_x += other.sum_x;
        sum_y += other.sum_y;
        sum_xx += other.sum_xx;
        sum_yy += other.sum_yy;
    }
    void remove_all(const CellMoments& other) {
        count -= other.count;
        sum_x -= other.sum_x;
        sum_y -= other.sum_y;
        sum_xx -= other.sum_xx;
        sum_yy -= other.sum_yy;
    }
    bool operator==(const CellMoments&) const = default;
};

struct MassProperties {
    glm::vec2 center_of_mass{0.0f}; // sprite-local
    float inertia = 0.0f;
    float mass = 0.0f;
    float inverse_inertia = 0.0f;
    float inverse_mass = 0.0f;
};

// Cell mass 1/1024; inertia in world units at the usual scale of half the chunk counts (a cell 1/32 wide for
// chunks of 32), the units of the contact levers. No cells give an all-zero result.
MassProperties mass_properties_from_moments(const CellMoments& moments, const SpriteGrid& grid);
