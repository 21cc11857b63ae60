#pragma once
// Everything loaded from the asset file: five lists in file order.

#include <string>
#include <string_view>
#include <type_traits>

#include "Common/Assets/AssetList.h"
#include "Common/Assets/FontAsset.h"
#include "Common/Assets/ImageAsset.h"
#include "Common/Assets/MultiSpriteAsset.h"
#include "Common/Assets/ParticleAsset.h"
#include "Common/Assets/SpriteAsset.h"

std::string uuid_to_string(const Uuid& uuid);

struct AssetPackage {
    AssetList<ImageAsset> images;
    AssetList<FontAsset> fonts;
    AssetList<SpriteAsset> sprites;
    AssetList<MultiSpriteAsset> multi_sprites;
    AssetList<ParticleAsset> particles;

    template <typename T>
    const AssetList<T>& list() const {
        if constexpr (std::is_same_v<T, ImageAsset>) {
            return images;
        } else if constexpr (std::is_same_v<T, FontAsset>) {
            return fonts;
        } else if constexpr (std::is_same_v<T, SpriteAsset>) {
            return sprites;
        } else if constexpr (std::is_same_v<T, MultiSpriteAsset>) {
            return multi_sprites;
        } else {
            static_assert(std::is_same_v<T, ParticleAsset>, "not an asset kind");
            return particles;
        }
    }

    template <typename T>
    AssetList<T>& list() {
        return const_cast<AssetList<T>&>(static_cast<const AssetPackage*>(this)->list<T>());
    }

    // The first asset of kind T named exactly `name`; logs and throws std::invalid_argument on a miss.
    template <typename T>
    const T& get_by_name(std::string_view name) const {
        if (const T* asset = list<T>().find_by_name(name)) {
            return *asset;
        }
        asset_lookup_failed(kind_name<T>(), name, "GetByName: No asset found");
    }

    // The first asset of kind T with this uuid; logs and throws std::invalid_argument on a miss.
    template <typename T>
    const T& get_by_id(const Uuid& uuid) const {
        if (const T* asset = list<T>().find_by_id(uuid)) {
            return *asset;
        }
        asset_lookup_failed(kind_name<T>(), uuid_to_string(uuid), "GetById: No asset found");
    }

    // The uuid of the first asset of kind T named `name`; logs and throws std::invalid_argument on a miss.
    template <typename T>
    Uuid get_id_by_name(std::string_view name) const {
        if (const T* asset = list<T>().find_by_name(name)) {
            return asset->metadata.uuid;
        }
        asset_lookup_failed(kind_name<T>(), name, "GetById: No asset found");
    }

    // Information lines: a heading per list, then " - name" per asset in file order.
    void log_contents() const;

    template <typename T>
    static constexpr std::string_view kind_name() {
        if constexpr (std::is_same_v<T, ImageAsset>) {
            return "image";
        } else if constexpr (std::is_same_v<T, FontAsset>) {
            return "font";
        } else if constexpr (std::is_same_v<T, SpriteAsset>) {
            return "sprite";
        } else if constexpr (std::is_same_v<T, MultiSpriteAsset>) {
            return "multi-sprite";
        } else {
            return "particle";
        }
    }
};
