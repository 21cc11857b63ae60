#include "Common/Assets/AssetPackage.h"

#include <stdexcept>

#include <fmt/format.h>

#include "Engine/Log.h"

std::string uuid_to_string(const Uuid& uuid) {
    std::string text;
    text.reserve(32);
    for (uint8_t byte : uuid) {
        text += fmt::format("{:02x}", byte);
    }
    return text;
}

void asset_lookup_failed(std::string_view kind, std::string_view wanted, const char* message) {
    {
        LogGuard scope(LogLevelError, LogAssets, 1);
        LOGF("Failed to load asset");
        LOGF("No {} \"{}\" in the asset package", kind, wanted);
    }
    throw MissingAssetError(kind, wanted, message);
}

MissingAssetError::MissingAssetError(std::string_view kind_, std::string_view wanted_, const char* message)
    : std::invalid_argument(message), kind(kind_), wanted(wanted_) {}

namespace {

template <typename T>
void log_list(std::string_view heading, const AssetList<T>& list) {
    LOGF("{}", heading);
    for (const T& asset : list.m_assets) {
        LOGF(" - {}", asset.metadata.name);
    }
}

} // namespace

void AssetPackage::log_contents() const {
    log_list("Images", images);
    log_list("Fonts", fonts);
    log_list("Sprites", sprites);
    log_list("Multi Sprites", multi_sprites);
    log_list("Particles", particles);
}
