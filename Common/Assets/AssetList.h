#pragma once
// One kind of asset in file order, with the linear lookups (first exact match wins).

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "Common/Assets/AssetMetadata.h"

// A lookup miss. what() is the lookup's own message ("GetByName: No asset found"); kind ("sprite") and wanted
// (the name or uuid) say which asset was missing.
struct MissingAssetError : std::invalid_argument {
    MissingAssetError(std::string_view kind, std::string_view wanted, const char* message);
    std::string kind;
    std::string wanted;
};

// Logs the lookup miss and throws MissingAssetError with the given message.
[[noreturn]] void asset_lookup_failed(std::string_view kind, std::string_view wanted, const char* message);

template <typename T>
struct AssetList {
    std::vector<T> m_assets;

    const T* find_by_name(std::string_view name) const {
        for (const T& asset : m_assets) {
            if (asset.metadata.name == name) {
                return &asset;
            }
        }
        return nullptr;
    }

    const T* find_by_id(const Uuid& uuid) const {
        for (const T& asset : m_assets) {
            if (asset.metadata.uuid == uuid) {
                return &asset;
            }
        }
        return nullptr;
    }
};
