#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AssetBytes.h"
#include "Common/Assets/AssetFields.h"
#include "Common/Assets/BinaryInputSerialization.h"
#include "Common/Assets/TypeIterator.h"

using namespace asset_bytes;

namespace {

template <typename T>
T read_from(const std::string& bytes, uint64_t* consumed = nullptr, bool* failed = nullptr) {
    std::istringstream in(bytes, std::ios::binary);
    BinaryInputSerialization reader(in);
    T record{};
    read_record(reader, record);
    if (consumed) {
        *consumed = reader.offset();
    }
    if (failed) {
        *failed = reader.failed();
    }
    return record;
}

TEST(BinaryInput, MinusOneReadsAsMinusOneAndAsTheLargestU32) {
    ByteWriter w;
    w.i64(-1).f32(0.0f).f32(0.0f).f32(0.0f).i64(-1); // instance: sprite, position, angle, type
    MultiSpriteInstance instance = read_from<MultiSpriteInstance>(w.bytes());
    EXPECT_EQ(instance.sprite, -1);
    EXPECT_EQ(instance.type, 0xFFFFFFFFu);
}

TEST(BinaryInput, IntegersKeepTheirLow32Bits) {
    ByteWriter w;
    w.i64(0x123456789LL).i64(int64_t(0xFFFFFFFF00000005ull)).f32(1.5f);
    Kerning k = read_from<Kerning>(w.bytes());
    EXPECT_EQ(k.left, 0x23456789);
    EXPECT_EQ(k.right, 5);
    EXPECT_EQ(k.amount, 1.5f);
}

TEST(BinaryInput, MaskEntryKeepsOnlyItsLow16Bits) {
    ByteWriter w;
    std::vector<uint8_t> colors(4096, 0);
    w.raw(colors.data(), colors.size());
    w.i64(0x7FFF0021); // cell 0: high bits above 16 dropped
    w.i64(-1);         // cell 1: all bits set
    for (int i = 2; i < 1024; ++i) {
        w.i64(0);
    }
    w.i64(3).i64(0).i64(96).i64(0);
    uint64_t consumed = 0;
    SpriteChunkData chunk = read_from<SpriteChunkData>(w.bytes(), &consumed);
    EXPECT_EQ(consumed, 12320u);
    EXPECT_EQ(chunk.mask[0], 0x0021);
    EXPECT_EQ(chunk.mask[1], 0xFFFF);
    EXPECT_EQ(chunk.index, 3);
    EXPECT_EQ(chunk.gridPixelOffset, glm::ivec2(96, 0));
}

TEST(BinaryInput, SingleIsTrueForAnyNonZeroValue) {
    struct Case {
        uint64_t stored;
        bool single;
    };
    for (Case c : {Case{0, false}, Case{1, true}, Case{2, true}, Case{0x8000000000000000ull, true}}) {
        ByteWriter w;
        w.u64(c.stored).f32(0.25f).f32(-4.0f);
        Range<float> range = read_from<Range<float>>(w.bytes());
        EXPECT_EQ(range.single, c.single) << c.stored;
        EXPECT_EQ(range.min_or_value, 0.25f);
        EXPECT_EQ(range.max, -4.0f);
    }
}

TEST(BinaryInput, EmptyStringConsumesOnlyItsLength) {
    ByteWriter w;
    w.u64(0).uuid(3);
    uint64_t consumed = 0;
    AssetMetadata meta = read_from<AssetMetadata>(w.bytes(), &consumed);
    EXPECT_EQ(meta.name, "");
    EXPECT_EQ(meta.uuid, uuid_bytes(3));
    EXPECT_EQ(consumed, 24u);
}

TEST(BinaryInput, ParticleRecordIs392BytesAfterItsMetadata) {
    ByteWriter w;
    write(w, TestParticle{"p", 1, 2, 0.0f, -7});
    uint64_t consumed = 0;
    bool failed = true;
    ParticleAsset particle = read_from<ParticleAsset>(w.bytes(), &consumed, &failed);
    EXPECT_FALSE(failed);
    EXPECT_EQ(consumed, 8u + 1 + 16 + 392);
    EXPECT_EQ(consumed, w.size());
    EXPECT_EQ(particle.spawn.number_to_spawn.min_or_value, -7);
    EXPECT_TRUE(particle.spawn.final_scale.single);
}

// Records every call of a walk, so tests can check the exact call sequence.
class CallLog final : public OutputSerializationInterface {
public:
    std::vector<std::string> calls;
    void begin_root() override { calls.push_back("begin_root"); }
    void end_root() override { calls.push_back("end_root"); }
    void begin_object(std::string_view k) override { calls.push_back("begin_object(" + std::string(k) + ")"); }
    void end_object() override { calls.push_back("end_object"); }
    void begin_array(std::string_view k) override { calls.push_back("begin_array(" + std::string(k) + ")"); }
    void end_array() override { calls.push_back("end_array"); }
    void size(std::string_view k, const uint64_t& n) override {
        calls.push_back("size(" + std::string(k) + "," + std::to_string(n) + ")");
    }
    void bytes(std::string_view k, const void*, uint64_t n) override {
        calls.push_back("bytes(" + std::string(k) + "," + std::to_string(n) + ")");
    }
    void int64(std::string_view k, const int64_t& v) override {
        calls.push_back("int64(" + std::string(k) + "," + std::to_string(v) + ")");
    }
    void uint64(std::string_view k, const uint64_t& v) override {
        calls.push_back("uint64(" + std::string(k) + "," + std::to_string(v) + ")");
    }
    void float32(std::string_view k, const float&) override { calls.push_back("float32(" + std::string(k) + ")"); }
    void string(std::string_view k, const std::string& s) override {
        calls.push_back("string(" + std::string(k) + "," + s + ")");
    }
};

TEST(TypeWalk, FontCallsCoverObjectsVectorsAndEmptyVectors) {
    FontAsset font;
    font.metadata.name = "ab";
    font.glyphs.resize(1);
    font.glyphs[0].index = -2;
    CallLog log;
    write_record(log, font);
    const std::vector<std::string> expected = {
        "begin_root", "begin_object(metadata)", "size(name,2)", "string(name,ab)", "bytes(uuid,16)", "end_object",
        "begin_object(atlas)", "bytes(uuid,16)", "end_object", "size(glyphs,1)", "begin_array(glyphs)",
        "begin_object()", "begin_array(posMin)", "float32(x)", "float32(y)", "end_array", "begin_array(posMax)",
        "float32(x)", "float32(y)", "end_array", "begin_array(uvMin)", "float32(x)", "float32(y)", "end_array",
        "begin_array(uvMax)", "float32(x)", "float32(y)", "end_array", "float32(advance)", "int64(index,-2)",
        "int64(character,0)", "end_object", "end_array",
        // An empty vector still opens and closes its array.
        "size(kerning,0)", "begin_array(kerning)", "end_array", "float32(spaceAdvance)", "float32(lineHeight)",
        "float32(topHeight)", "float32(bottomHeight)", "end_root"};
    EXPECT_EQ(log.calls, expected);
}

TEST(TypeWalk, ColorsTravelAsRawBytesAndGroupsWithoutACount) {
    SpriteAsset sprite;
    sprite.cores.resize(1);
    sprite.cores[0].type = 0xFFFFFFFFu; // u32 goes out sign-extended
    sprite.cores[0].color = {1, 2};
    CallLog log;
    write_record(log, sprite);
    auto count = [&](const std::string& call) { return std::count(log.calls.begin(), log.calls.end(), call); };
    EXPECT_EQ(count("int64(type,-1)"), 1);
    EXPECT_EQ(count("size(color,2)"), 1);
    EXPECT_EQ(count("bytes(,4)"), 2);
    EXPECT_EQ(count("size(groups,11)"), 0);
    EXPECT_EQ(count("begin_array(groups)"), 1);
    EXPECT_EQ(count("int64(activeCount,0)"), 11);
}

} // namespace
