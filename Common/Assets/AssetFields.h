#pragma once
// Field tables of the asset records: the keys and order in which they are read and written.

#include <tuple>

#include "Common/Assets/AssetPackage.h"
#include "Common/Assets/FieldTable.h"
#include "Common/Assets/ParticleSpawnSettings.h"
#include "Common/Assets/Range.h"

template <>
struct FieldTable<AssetMetadata> {
    static constexpr auto fields =
        std::make_tuple(field("name", &AssetMetadata::name), field("uuid", &AssetMetadata::uuid));
};

template <>
struct FieldTable<AssetRef> {
    static constexpr auto fields = std::make_tuple(field("uuid", &AssetRef::uuid));
};

template <>
struct FieldTable<ImageAsset> {
    static constexpr auto fields =
        std::make_tuple(field("metadata", &ImageAsset::metadata), field("width", &ImageAsset::width),
                        field("height", &ImageAsset::height), field("channels", &ImageAsset::channels),
                        field<FieldEncoding::ByteBlock>("pixels", &ImageAsset::pixels));
};

template <>
struct FieldTable<Glyph> {
    static constexpr auto fields =
        std::make_tuple(field("posMin", &Glyph::posMin), field("posMax", &Glyph::posMax), field("uvMin", &Glyph::uvMin),
                        field("uvMax", &Glyph::uvMax), field("advance", &Glyph::advance), field("index", &Glyph::index),
                        field("character", &Glyph::character));
};

template <>
struct FieldTable<Kerning> {
    static constexpr auto fields = std::make_tuple(field("left", &Kerning::left), field("right", &Kerning::right),
                                                   field("amount", &Kerning::amount));
};

template <>
struct FieldTable<FontAsset> {
    static constexpr auto fields =
        std::make_tuple(field("metadata", &FontAsset::metadata), field("atlas", &FontAsset::atlas),
                        field("glyphs", &FontAsset::glyphs), field("kerning", &FontAsset::kerning),
                        field("spaceAdvance", &FontAsset::spaceAdvance), field("lineHeight", &FontAsset::lineHeight),
                        field("topHeight", &FontAsset::topHeight), field("bottomHeight", &FontAsset::bottomHeight));
};

template <>
struct FieldTable<SpriteChunkData> {
    static constexpr auto fields = std::make_tuple(
        field<FieldEncoding::Rgba8>("color", &SpriteChunkData::color), field("mask", &SpriteChunkData::mask),
        field("index", &SpriteChunkData::index), field("activePixelCount", &SpriteChunkData::activePixelCount),
        field("gridPixelOffset", &SpriteChunkData::gridPixelOffset));
};

template <>
struct FieldTable<SpriteCoreData> {
    static constexpr auto fields = std::make_tuple(
        field("min", &SpriteCoreData::min), field("max", &SpriteCoreData::max), field("width", &SpriteCoreData::width),
        field("height", &SpriteCoreData::height), field("gridPointOffset", &SpriteCoreData::gridPointOffset),
        field("type", &SpriteCoreData::type), field("initialCellCount", &SpriteCoreData::initialCellCount),
        field<FieldEncoding::Rgba8>("color", &SpriteCoreData::color));
};

template <>
struct FieldTable<SpriteCellGroup> {
    static constexpr auto fields =
        std::make_tuple(field("activeCount", &SpriteCellGroup::activeCount),
                        field("root_grid_index_position", &SpriteCellGroup::root_grid_index_position));
};

template <>
struct FieldTable<SpriteAsset> {
    static constexpr auto fields =
        std::make_tuple(field("metadata", &SpriteAsset::metadata), field("chunks", &SpriteAsset::chunks),
                        field("cores", &SpriteAsset::cores), field("groups", &SpriteAsset::groups),
                        field("activePixelCount", &SpriteAsset::activePixelCount),
                        field("chunkCount", &SpriteAsset::chunkCount), field("cellCount", &SpriteAsset::cellCount));
};

template <>
struct FieldTable<AttachmentPoint> {
    static constexpr auto fields =
        std::make_tuple(field("cell_type", &AttachmentPoint::cell_type), field("r", &AttachmentPoint::r));
};

template <>
struct FieldTable<MultiSpritePart> {
    static constexpr auto fields = std::make_tuple(field("sprite", &MultiSpritePart::sprite),
                                                   field("attachment_points", &MultiSpritePart::attachment_points));
};

template <>
struct FieldTable<MultiSpriteInstance> {
    static constexpr auto fields = std::make_tuple(
        field("sprite", &MultiSpriteInstance::sprite), field("position", &MultiSpriteInstance::position),
        field("angle", &MultiSpriteInstance::angle), field("type", &MultiSpriteInstance::type));
};

template <>
struct FieldTable<MultiSpriteJoint> {
    static constexpr auto fields = std::make_tuple(
        field("instance_0", &MultiSpriteJoint::instance_0), field("instance_1", &MultiSpriteJoint::instance_1),
        field("attachment_0", &MultiSpriteJoint::attachment_0), field("attachment_1", &MultiSpriteJoint::attachment_1));
};

template <>
struct FieldTable<MultiSprite> {
    static constexpr auto fields =
        std::make_tuple(field("sprites", &MultiSprite::sprites), field("instances", &MultiSprite::instances),
                        field("joints", &MultiSprite::joints));
};

template <>
struct FieldTable<MultiSpriteAsset> {
    static constexpr auto fields =
        std::make_tuple(field("metadata", &MultiSpriteAsset::metadata), field("data", &MultiSpriteAsset::data));
};

template <typename T>
struct FieldTable<Range<T>> {
    static constexpr auto fields =
        std::make_tuple(field("single", &Range<T>::single), field("min_or_value", &Range<T>::min_or_value),
                        field("max", &Range<T>::max));
};

template <>
struct FieldTable<ParticleSpawnSettings> {
    using S = ParticleSpawnSettings;
    static constexpr auto fields = std::make_tuple(
        field("position", &S::position), field("z", &S::z), field("angle", &S::angle), field("angle_xy", &S::angle_xy),
        field("velocity", &S::velocity), field("velocity_z", &S::velocity_z), field("damping", &S::damping),
        field("angular_velocity", &S::angular_velocity), field("angular_velocity_xy", &S::angular_velocity_xy),
        field("angular_damping", &S::angular_damping), field("life", &S::life),
        field("initial_scale", &S::initial_scale), field("final_scale", &S::final_scale),
        field("factor_scale", &S::factor_scale), field("initial_color", &S::initial_color),
        field("final_color", &S::final_color), field("factor_color", &S::factor_color),
        field("number_to_spawn", &S::number_to_spawn));
};

template <>
struct FieldTable<ParticleAsset> {
    static constexpr auto fields =
        std::make_tuple(field("metadata", &ParticleAsset::metadata), field("spawn", &ParticleAsset::spawn));
};

template <typename T>
struct FieldTable<AssetList<T>> {
    static constexpr auto fields = std::make_tuple(field("m_assets", &AssetList<T>::m_assets));
};

template <>
struct FieldTable<AssetPackage> {
    static constexpr auto fields =
        std::make_tuple(field("images", &AssetPackage::images), field("fonts", &AssetPackage::fonts),
                        field("sprites", &AssetPackage::sprites), field("multi_sprites", &AssetPackage::multi_sprites),
                        field("particles", &AssetPackage::particles));
};
