#pragma once
// The stored form of a destructible sprite: its non-empty chunks, its cores and per-type cell groups.

#include <array>
#include <cstdint>
#include <vector>

#include <glm/vec2.hpp>

#include "Common/Assets/AssetMetadata.h"

inline constexpr int32_t kSpriteChunkSize = 32;
inline constexpr int32_t kSpriteChunkCells = kSpriteChunkSize * kSpriteChunkSize;
// One group per cell type (Empty, Filled, Core, four weak points, four joints).
inline constexpr int32_t kSpriteGroupCount = 11;

struct SpriteChunkData {
    // RGBA8, red in the low byte, indexed by cell index y x 32 + x.
    std::array<uint32_t, kSpriteChunkCells> color{};
    // Cell flags: low 5 bits the cell type, 0x20 removed.
    std::array<uint16_t, kSpriteChunkCells> mask{};
    // cy x chunks_x + cx in the sprite's chunk grid.
    int32_t index = 0;
    int32_t activePixelCount = 0;
    // Cell coordinates of the chunk's cell (0, 0): 32 x (cx, cy).
    glm::ivec2 gridPixelOffset{0};
};

struct SpriteCoreData {
    // Box of the core's cells in sprite cell coordinates.
    glm::ivec2 min{0};
    glm::ivec2 max{0};
    int32_t width = 0;
    int32_t height = 0;
    // Centre of the core's cells, in cells.
    glm::vec2 gridPointOffset{0.0f};
    // Cell type of the core's cells (2 to 10).
    uint32_t type = 0;
    int32_t initialCellCount = 0;
    // width x height RGBA8 colours of the core's picture.
    std::vector<uint32_t> color;
};

struct SpriteCellGroup {
    int32_t activeCount = 0;
    glm::ivec2 root_grid_index_position{0};
};

struct SpriteAsset {
    AssetMetadata metadata;
    std::vector<SpriteChunkData> chunks;
    std::vector<SpriteCoreData> cores;
    std::array<SpriteCellGroup, kSpriteGroupCount> groups{};
    int32_t activePixelCount = 0;
    glm::ivec2 chunkCount{0};
    glm::ivec2 cellCount{0};
};
