#pragma once
// A bitmap font: glyph boxes in an atlas image, kerning pairs and line metrics.

#include <cstdint>
#include <vector>

#include <glm/vec2.hpp>

#include "Common/Assets/AssetMetadata.h"

struct Glyph {
    glm::vec2 posMin{0.0f};
    glm::vec2 posMax{0.0f};
    glm::vec2 uvMin{0.0f};
    glm::vec2 uvMax{0.0f};
    float advance = 0.0f;
    int32_t index = 0;
    int32_t character = 0;
};

struct Kerning {
    int32_t left = 0;
    int32_t right = 0;
    float amount = 0.0f;
};

struct FontAsset {
    AssetMetadata metadata;
    AssetRef atlas;
    std::vector<Glyph> glyphs;
    std::vector<Kerning> kerning;
    float spaceAdvance = 0.0f;
    float lineHeight = 0.0f;
    float topHeight = 0.0f;
    float bottomHeight = 0.0f;
};
