#include "tools/asset_builder/Writer.h"

#include "Common/Assets/AssetFields.h"
#include "Common/Assets/BinaryOutputSerialization.h"
#include "Common/Assets/TypeIterator.h"

namespace asset_builder {

namespace {

template <typename Record>
void take_records(const std::vector<Built<Record>>& built, AssetList<Record>& list) {
    list.m_assets.assign(built.begin(), built.end());
}

} // namespace

AssetPackage to_asset_package(const Package& package) {
    AssetPackage out;
    take_records(package.images, out.images);
    take_records(package.sprites, out.sprites);
    take_records(package.multi_sprites, out.multi_sprites);
    take_records(package.particles, out.particles);
    return out;
}

std::vector<uint8_t> write_package(const Package& package) {
    BinaryOutputSerialization out;
    write_record(out, to_asset_package(package));
    return out.take();
}

} // namespace asset_builder
