#pragma once
// A UI picture made from a sprite asset, packed into the scene's atlas. The pixels stay here because the atlas
// only borrows them until its next upload.

#include <string_view>

#include "Engine/Graphics/UvRect.h"
#include "Game/Rendering/SpritePicture.h"

class TextureAtlasPacked;
struct AssetPackage;
struct SpriteAsset;

struct UiSpritePicture {
    // Looks the sprite up by name (an unknown name throws) and packs its picture. A picture that does not fit is
    // reported by the atlas and leaves the region empty (0 x 0).
    void load(AssetPackage& assets, std::string_view name, TextureAtlasPacked& atlas);

    const SpriteAsset* asset = nullptr;
    UvRect region{glm::vec2(0.0f), glm::vec2(0.0f), 0, 0};
    SpritePicture picture;
};
