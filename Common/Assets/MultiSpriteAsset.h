#pragma once
// Sprites joined at attachment points (the snake): parts, placed instances and joints between them.

#include <cstdint>
#include <string>
#include <vector>

#include <glm/vec2.hpp>

#include "Common/Assets/AssetMetadata.h"

struct AttachmentPoint {
    int32_t cell_type = 0;
    // Anchor in the part's cell coordinates.
    glm::vec2 r{0.0f};
};

struct MultiSpritePart {
    // Name of a sprite asset.
    std::string sprite;
    std::vector<AttachmentPoint> attachment_points;
};

struct MultiSpriteInstance {
    // Index into MultiSprite::sprites.
    int32_t sprite = 0;
    glm::vec2 position{0.0f};
    float angle = 0.0f;
    uint32_t type = 0;
};

struct MultiSpriteJoint {
    // Indices into MultiSprite::instances and into the attachment points of each instance's part.
    int32_t instance_0 = 0;
    int32_t instance_1 = 0;
    int32_t attachment_0 = 0;
    int32_t attachment_1 = 0;
};

struct MultiSprite {
    std::vector<MultiSpritePart> sprites;
    std::vector<MultiSpriteInstance> instances;
    std::vector<MultiSpriteJoint> joints;
};

struct MultiSpriteAsset {
    AssetMetadata metadata;
    MultiSprite data;
};
