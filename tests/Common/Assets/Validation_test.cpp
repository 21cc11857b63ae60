#include <functional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "AssetBytes.h"
#include "Common/Assets/AssetLoader.h"
#include "LoadHelpers.h"

using namespace asset_bytes;

namespace {

struct BadValue {
    const char* what;
    std::function<void(TestFile&)> damage;
    const char* message; // after "Malformed asset file test.bin: "
};

TestSprite& bomb(TestFile& f) { return f.sprites[0]; }

const BadValue kBadValues[] = {
    {"pixel bytes", [](TestFile& f) { f.images[0].pixels.pop_back(); },
     "image \"game/item/core\" (image 0 of 1): 15 pixel bytes for 2 x 2 x 4 (= 16)"},
    {"no channels", [](TestFile& f) { f.images[0].channels = 0; },
     "image \"game/item/core\" (image 0 of 1): 0 channels (1 to 4 expected)"},
    {"negative width", [](TestFile& f) { f.images[0].width = -2; },
     "image \"game/item/core\" (image 0 of 1): size -2 x 2 is negative"},
    {"negative chunk index", [](TestFile& f) { bomb(f).chunks[0].index = -1; },
     "sprite \"Enemy/Bomb\" (sprite 0 of 2): chunk 0 has index -1 outside 0 to 1"},
    {"chunk index past the grid", [](TestFile& f) { bomb(f).chunks[1].index = 2; },
     "sprite \"Enemy/Bomb\" (sprite 0 of 2): chunk 1 has index 2 outside 0 to 1"},
    {"index beyond 32 bits",
     [](TestFile& f) { bomb(f).chunks[1].index = 0x100000001LL; }, // keeps its low 32 bits: 1 repeats nothing
     nullptr},
    {"duplicate chunk index",
     [](TestFile& f) {
         bomb(f).chunks[1].index = 0;
         bomb(f).chunks[1].offset_x = 0;
     },
     "sprite \"Enemy/Bomb\" (sprite 0 of 2): chunk 1 repeats index 0"},
    {"offset off its index", [](TestFile& f) { bomb(f).chunks[1].offset_x = 64; },
     "sprite \"Enemy/Bomb\" (sprite 0 of 2): chunk 1 (index 1) has offset (64, 0), expected (32, 0)"},
    {"cell type 11",
     [](TestFile& f) {
         bomb(f).chunks[1].cells.push_back({9, 11});
     },
     "sprite \"Enemy/Bomb\" (sprite 0 of 2): chunk 1 cell 9 has cell type 11 (0 to 10 expected)"},
    {"removed cell of type 31",
     [](TestFile& f) {
         bomb(f).chunks[0].cells.push_back({1023, 0x3F});
     },
     "sprite \"Enemy/Bomb\" (sprite 0 of 2): chunk 0 cell 1023 has cell type 31 (0 to 10 expected)"},
    {"chunk count of cells", [](TestFile& f) { bomb(f).chunks[0].active = 4; },
     "sprite \"Enemy/Bomb\" (sprite 0 of 2): chunk 0 counts 4 active cells, holds 3"},
    {"sprite count of cells", [](TestFile& f) { bomb(f).active = 6; },
     "sprite \"Enemy/Bomb\" (sprite 0 of 2): counts 6 active cells, its chunks hold 5"},
    {"group count that would underflow",
     [](TestFile& f) {
         bomb(f).count_groups = false;
         bomb(f).group_counts = {0, 3, 1, 0, 0, 0, 0, 0, 0, 0, 0};
     },
     "sprite \"Enemy/Bomb\" (sprite 0 of 2): group 7 counts 0 active cells, the chunks hold 1"},
    {"cell count", [](TestFile& f) { bomb(f).cells_x = 63; },
     "sprite \"Enemy/Bomb\" (sprite 0 of 2): cell count 63 x 32 is not 32 x the chunk grid 2 x 1"},
    {"negative chunk grid", [](TestFile& f) { f.sprites[1].chunks_y = -1; },
     "sprite \"piece\" (sprite 1 of 2): chunk grid 1 x -1 is out of range"},
    {"huge chunk grid",
     [](TestFile& f) {
         f.sprites[1].chunks_x = 1000;
         f.sprites[1].chunks_y = 1000;
     },
     "sprite \"piece\" (sprite 1 of 2): chunk grid 1000 x 1000 is out of range"},
    {"core colours", [](TestFile& f) { bomb(f).cores[0].color_count = 2; },
     "sprite \"Enemy/Bomb\" (sprite 0 of 2): core 0 has 2 colours for 1 x 1"},
    {"core type Filled", [](TestFile& f) { bomb(f).cores[1].type = 1; },
     "sprite \"Enemy/Bomb\" (sprite 0 of 2): core 1 has type 1 (2 to 10 expected)"},
    {"core type 11", [](TestFile& f) { bomb(f).cores[1].type = 11; },
     "sprite \"Enemy/Bomb\" (sprite 0 of 2): core 1 has type 11 (2 to 10 expected)"},
    {"core without cells", [](TestFile& f) { bomb(f).cores[0].initial = 0; },
     "sprite \"Enemy/Bomb\" (sprite 0 of 2): core 0 starts with 0 cells"},
    {"part name is a prefix", [](TestFile& f) { f.multi_sprites[0].parts[0].sprite = "piec"; },
     "multi-sprite \"snake\" (multi-sprite 0 of 1): part 0 names the sprite \"piec\", which is not in the file"},
    {"instance part", [](TestFile& f) { f.multi_sprites[0].instances[1].sprite = 1; },
     "multi-sprite \"snake\" (multi-sprite 0 of 1): instance 1 uses part 1 of 1"},
    {"negative instance part", [](TestFile& f) { f.multi_sprites[0].instances[0].sprite = -1; },
     "multi-sprite \"snake\" (multi-sprite 0 of 1): instance 0 uses part -1 of 1"},
    {"joint instance", [](TestFile& f) { f.multi_sprites[0].joints[0].i1 = 2; },
     "multi-sprite \"snake\" (multi-sprite 0 of 1): joint 0 uses instance 2 of 2"},
    {"joint attachment", [](TestFile& f) { f.multi_sprites[0].joints[0].a1 = 1; },
     "multi-sprite \"snake\" (multi-sprite 0 of 1): joint 0 uses attachment point 1 of 1 on instance 1"},
    // The test writer stores max = count + 5; a single range ignores its max.
    {"single particle count ignores its max", [](TestFile& f) { f.particles[0].count = 129792 - 4; }, nullptr},
    {"particle range above the ring",
     [](TestFile& f) {
         f.particles[0].count = 129792 - 4;
         f.particles[0].single = 0;
     },
     "particle \"game/particles/explosion_spark\" (particle 0 of 1): number_to_spawn 129793 is above 129792"},
    {"negative particle count", [](TestFile& f) { f.particles[0].count = -50; }, nullptr},
};

class BadValues : public testing::TestWithParam<BadValue> {};

TEST_P(BadValues, AreRejectedNamingTheAsset) {
    const BadValue& c = GetParam();
    TestFile f = sample_file();
    c.damage(f);
    std::istringstream in(file_bytes(f), std::ios::binary);
    testing::internal::CaptureStdout();
    AssetLoadResult r = read_assets(in, "test.bin");
    std::string log = testing::internal::GetCapturedStdout();
    if (c.message == nullptr) {
        EXPECT_FALSE(r.failed) << r.message;
        return;
    }
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.message, std::string("Malformed asset file test.bin: ") + c.message);
    EXPECT_TRUE(is_empty(r.package));
    EXPECT_EQ(log, "\x1b[31m[Assets] " + r.message + "\n");
}

INSTANTIATE_TEST_SUITE_P(Table, BadValues, testing::ValuesIn(kBadValues),
                         [](const testing::TestParamInfo<BadValue>& info) {
                             std::string name = info.param.what;
                             for (char& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) {
                                     ch = '_';
                                 }
                             }
                             return name;
                         });

} // namespace
