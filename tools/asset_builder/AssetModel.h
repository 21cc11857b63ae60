#pragma once
// The builder's own records of what goes into assets.bin, one struct per stored record.
// Field order is the file order; see Writer.cpp for the bytes.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace asset_builder {

constexpr int kChunkSize = 32;
constexpr int kCellsPerChunk = kChunkSize * kChunkSize;
constexpr int kCellTypeCount = 11;

enum CellType : uint16_t {
    kEmpty = 0,
    kFilled = 1,
    kCore = 2,
    kWeakpoint1 = 3,
    kWeakpoint4 = 6,
    kJoint1 = 7,
    kJoint4 = 10,
};

using Uuid = std::array<uint8_t, 16>;

struct IVec2 {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const IVec2&) const = default;
};

struct Vec2 {
    float x = 0.0f;
    float y = 0.0f;
};

struct Metadata {
    std::string name;
    Uuid uuid{};
    std::filesystem::path source; // the file it was built from; not stored
};

struct Image {
    Metadata metadata;
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 4;
    std::vector<uint8_t> pixels; // rows top to bottom, `channels` bytes a pixel
};

struct Chunk {
    std::array<uint32_t, kCellsPerChunk> color{}; // RGBA8, red in the low byte
    std::array<uint16_t, kCellsPerChunk> mask{};  // cell type only: nothing removed, no edge bits
    int32_t index = 0;
    int32_t active = 0;
    IVec2 grid_offset;
};

struct Core {
    IVec2 min; // inclusive cell box
    IVec2 max;
    int32_t width = 0;
    int32_t height = 0;
    Vec2 grid_point; // centre of the core's cells, in cell units
    uint32_t type = 0;
    int32_t initial_cells = 0;
    std::vector<uint32_t> color; // width x height, rows from min.y upwards; other cells transparent
};

struct CellGroup {
    int32_t active = 0;
    IVec2 root;
};

struct Sprite {
    Metadata metadata;
    std::vector<Chunk> chunks;
    std::vector<Core> cores;
    std::array<CellGroup, kCellTypeCount> groups{};
    int32_t active = 0;
    IVec2 chunk_count;
    IVec2 cell_count;
};

struct AttachmentPoint {
    int32_t cell_type = 0;
    Vec2 r; // cell units of the part's sprite
};

struct MultiSpritePart {
    std::string sprite;
    std::vector<AttachmentPoint> attachments;
};

struct MultiSpriteInstance {
    int32_t part = 0;
    Vec2 position;
    float angle = 0.0f;
    uint32_t type = 0;
};

struct MultiSpriteJoint {
    int32_t instance_0 = 0;
    int32_t instance_1 = 0;
    int32_t attachment_0 = 0;
    int32_t attachment_1 = 0;
};

struct MultiSprite {
    Metadata metadata;
    std::vector<MultiSpritePart> parts;
    std::vector<MultiSpriteInstance> instances;
    std::vector<MultiSpriteJoint> joints;
};

template <typename T>
struct Range {
    bool single = true;
    T value{};
    T max{};
};

struct Vec4 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;
};

struct ParticleSettings {
    Range<Vec2> position;
    Range<float> z;
    Range<float> angle;
    Range<Vec2> angle_xy;
    Range<Vec2> velocity;
    Range<float> velocity_z;
    Range<float> damping;
    Range<float> angular_velocity;
    Range<Vec2> angular_velocity_xy;
    Range<float> angular_damping;
    Range<float> life;
    Range<Vec2> initial_scale;
    Range<Vec2> final_scale;
    Range<float> factor_scale{true, 1.0f, 0.0f};
    Range<Vec4> initial_color;
    Range<Vec4> final_color;
    Range<float> factor_color{true, 1.0f, 0.0f};
    Range<int32_t> number_to_spawn{true, 1, 0};
};

struct Particle {
    Metadata metadata;
    ParticleSettings spawn;
};

struct Package {
    std::vector<Image> images;
    std::vector<Sprite> sprites;
    std::vector<MultiSprite> multi_sprites;
    std::vector<Particle> particles;
    // The game ships no fonts; the list is written empty.
};

} // namespace asset_builder
