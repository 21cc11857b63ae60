// The binary writer against the file layout written out field by field (AssetBytes.h): a record read from those
// bytes and written again gives the same bytes, negative numbers, floats, colours and byte blocks included.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "AssetBytes.h"
#include "Common/Assets/AssetFields.h"
#include "Common/Assets/BinaryInputSerialization.h"
#include "Common/Assets/BinaryOutputSerialization.h"
#include "Common/Assets/TypeIterator.h"

namespace {

template <typename Record>
std::string read_and_write_again(const std::string& bytes) {
    std::istringstream in(bytes, std::ios::binary);
    BinaryInputSerialization reader(in);
    Record record;
    read_record(reader, record);
    EXPECT_FALSE(reader.failed()) << reader.error();
    EXPECT_EQ(reader.remaining(), 0u);
    BinaryOutputSerialization writer;
    write_record(writer, record);
    const std::vector<uint8_t> out = writer.take();
    return std::string(out.begin(), out.end());
}

TEST(BinaryOutput, SpriteWrittenAgainGivesTheFileBytes) {
    asset_bytes::TestSprite sprite;
    sprite.name = "two chunks";
    sprite.id = 9;
    sprite.chunks = {{{{0, 1}, {33, 2}, {1023, 0x21}}, 0, -1, 0, 0}, {{{5, 7}}, 1, -1, -32, 2147483647}};
    sprite.cores = {{-3, 4, 5, 6, 1, 1, -0.25f, 1e-7f, 2, 1, -1}};
    sprite.chunks_x = 2;
    asset_bytes::ByteWriter w;
    asset_bytes::write(w, sprite);
    EXPECT_EQ(read_and_write_again<SpriteAsset>(w.bytes()), w.bytes());
}

TEST(BinaryOutput, ImageWrittenAgainGivesTheFileBytes) {
    for (const size_t pixels : {0u, 1u, 16u}) {
        asset_bytes::TestImage image;
        image.name = pixels == 0 ? "" : "item";
        image.width = static_cast<int64_t>(pixels);
        image.height = 1;
        image.channels = 1;
        image.pixels.assign(pixels, 0xA5);
        asset_bytes::ByteWriter w;
        asset_bytes::write(w, image);
        EXPECT_EQ(read_and_write_again<ImageAsset>(w.bytes()), w.bytes()) << pixels;
    }
}

} // namespace
