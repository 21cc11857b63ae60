#pragma once
// Multi-sprite sources (".multisprite.json"): instances of sprites joined at their Joint cores.
//   {"instances": [{"sprite": "snake/head", "position": [0, 0], "angle": 0, "type": "head"}, ...],
//    "joints": [{"instances": [0, 1], "cell_types": ["joint3", "joint2"]}, ...]}
// Parts (MultiSprite::sprites) are the distinct sprites in order of first use; each part's attachment points are its
// Joint cores (types 7-10, in type order) at the centre of their cells. A joint names one Joint
// type on each of its two instances. "type" is "piece" (0, the default) or "head" (1).

#include "tools/asset_builder/AssetModel.h"

#include <filesystem>
#include <functional>
#include <string_view>

namespace asset_builder {

using SpriteLookup = std::function<const SpriteAsset*(std::string_view name)>;

// Joined anchors must start about the joint's rest length (0.6 world units) apart.
constexpr float kMinAnchorGap = 0.3f;
constexpr float kMaxAnchorGap = 1.0f;

MultiSprite parse_multi_sprite(std::string_view text, const std::filesystem::path& file, const SpriteLookup& sprites);

} // namespace asset_builder
