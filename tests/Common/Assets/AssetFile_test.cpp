#include <cstdio>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "AssetBytes.h"
#include "LoadHelpers.h"

using namespace asset_bytes;

namespace {

// The loader's scope has indent 1, so one space follows "[Assets]"; its error and warning scopes nest one deeper.
const std::string kInfo = "\x1b[39m[Assets] ";
const std::string kError = "\x1b[31m[Assets]  ";

TEST(AssetFile, FortyZeroBytesAreAnEmptyPackageWithFiveHeadings) {
    Loaded loaded = load_file_bytes(std::string(40, '\0'));
    ASSERT_FALSE(loaded.result.failed) << loaded.result.message;
    EXPECT_EQ(loaded.result.message, "");
    EXPECT_TRUE(is_empty(loaded.result.package));
    std::string expected_tail = kInfo + "Done\n" + kInfo + "Images\n" + kInfo + "Fonts\n" + kInfo + "Sprites\n" +
                                kInfo + "Multi Sprites\n" + kInfo + "Particles\n";
    ASSERT_GE(loaded.log.size(), expected_tail.size());
    EXPECT_EQ(loaded.log.substr(loaded.log.size() - expected_tail.size()), expected_tail) << loaded.log;
    EXPECT_EQ(loaded.log.rfind(kInfo + "Loading assets from ", 0), 0u) << loaded.log;
}

TEST(AssetFile, SampleFileReadsEveryField) {
    Loaded loaded = load_file_bytes(file_bytes(sample_file()));
    ASSERT_FALSE(loaded.result.failed) << loaded.result.message;
    const AssetPackage& p = loaded.result.package;

    ASSERT_EQ(p.images.m_assets.size(), 1u);
    const ImageAsset& image = p.images.m_assets[0];
    EXPECT_EQ(image.metadata.name, "game/item/core");
    EXPECT_EQ(image.metadata.uuid, uuid_bytes(1));
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.channels, 4);
    EXPECT_EQ(image.pixels, std::vector<uint8_t>(16, 0x7F));

    ASSERT_EQ(p.fonts.m_assets.size(), 1u);
    const FontAsset& font = p.fonts.m_assets[0];
    EXPECT_EQ(font.atlas.uuid, uuid_bytes(102));
    ASSERT_EQ(font.glyphs.size(), 2u);
    EXPECT_EQ(font.glyphs[1].posMin, glm::vec2(0.125f, 0.25f));
    EXPECT_EQ(font.glyphs[1].uvMax, glm::vec2(0.875f, 1.0f));
    EXPECT_EQ(font.glyphs[1].advance, 9.5f);
    EXPECT_EQ(font.glyphs[1].index, 1);
    EXPECT_EQ(font.glyphs[1].character, 'B');
    ASSERT_EQ(font.kerning.size(), 1u);
    EXPECT_EQ(font.kerning[0].right, 'V');
    EXPECT_EQ(font.kerning[0].amount, -0.5f);
    EXPECT_EQ(font.lineHeight, 12.0f);
    EXPECT_EQ(font.bottomHeight, -3.0f);

    ASSERT_EQ(p.sprites.m_assets.size(), 2u);
    const SpriteAsset& bomb = p.sprites.m_assets[0];
    ASSERT_EQ(bomb.chunks.size(), 2u);
    EXPECT_EQ(bomb.chunks[0].mask[33], 2);
    EXPECT_EQ(bomb.chunks[0].mask[34], 0x21);
    EXPECT_EQ(bomb.chunks[0].color[33], 0xFF00FF00u | 33u);
    EXPECT_EQ(bomb.chunks[0].activePixelCount, 3);
    EXPECT_EQ(bomb.chunks[1].index, 1);
    EXPECT_EQ(bomb.chunks[1].gridPixelOffset, glm::ivec2(32, 0));
    ASSERT_EQ(bomb.cores.size(), 2u);
    EXPECT_EQ(bomb.cores[1].min, glm::ivec2(38, 0));
    EXPECT_EQ(bomb.cores[1].type, 7u);
    EXPECT_EQ(bomb.cores[1].gridPointOffset, glm::vec2(38.5f, 0.5f));
    EXPECT_EQ(bomb.cores[0].color, std::vector<uint32_t>{0xFF000000u});
    EXPECT_EQ(bomb.groups[1].activeCount, 3);
    EXPECT_EQ(bomb.groups[7].activeCount, 1);
    EXPECT_EQ(bomb.groups[10].root_grid_index_position, glm::ivec2(10, 11));
    EXPECT_EQ(bomb.activePixelCount, 5);
    EXPECT_EQ(bomb.chunkCount, glm::ivec2(2, 1));
    EXPECT_EQ(bomb.cellCount, glm::ivec2(64, 32));

    ASSERT_EQ(p.multi_sprites.m_assets.size(), 1u);
    const MultiSprite& snake = p.multi_sprites.m_assets[0].data;
    ASSERT_EQ(snake.sprites.size(), 1u);
    EXPECT_EQ(snake.sprites[0].sprite, "piece");
    EXPECT_EQ(snake.sprites[0].attachment_points[0].r, glm::vec2(3.0f, 4.0f));
    ASSERT_EQ(snake.instances.size(), 2u);
    EXPECT_EQ(snake.instances[1].position, glm::vec2(1.0f, 0.0f));
    EXPECT_EQ(snake.joints[0].instance_1, 1);

    ASSERT_EQ(p.particles.m_assets.size(), 1u);
    const ParticleSpawnSettings& spawn = p.particles.m_assets[0].spawn;
    // Floats count up from 0 through the ranges in file order.
    EXPECT_EQ(spawn.position.min_or_value, glm::vec2(0.0f, 1.0f));
    EXPECT_EQ(spawn.position.max, glm::vec2(2.0f, 3.0f));
    EXPECT_EQ(spawn.z.min_or_value, 4.0f);
    EXPECT_EQ(spawn.initial_color.min_or_value, glm::vec4(40.0f, 41.0f, 42.0f, 43.0f));
    EXPECT_EQ(spawn.factor_color.max, 57.0f);
    EXPECT_EQ(spawn.number_to_spawn.min_or_value, 3);
    EXPECT_EQ(spawn.number_to_spawn.max, 8);
    EXPECT_TRUE(spawn.life.single);

    EXPECT_NE(loaded.log.find(kInfo + " - Enemy/Bomb\n" + kInfo + " - piece\n" + kInfo + "Multi Sprites\n" + kInfo +
                              " - snake\n"),
              std::string::npos)
        << loaded.log;
}

TEST(AssetFile, SpriteWithoutChunksStillStoresGroupsAndTrailer) {
    TestFile f;
    TestSprite s{"empty", 9};
    s.count_groups = false;
    s.group_counts.fill(0);
    f.sprites.push_back(s);
    std::string bytes = file_bytes(f);
    // 5 counts, name (8 + 5), uuid, no chunks, no cores, 11 groups of 24, 5 trailing integers.
    EXPECT_EQ(bytes.size(), 40u + 13 + 16 + 8 + 8 + 264 + 40);
    Loaded loaded = load_file_bytes(bytes);
    ASSERT_FALSE(loaded.result.failed) << loaded.result.message;
    const SpriteAsset& sprite = loaded.result.package.sprites.m_assets.at(0);
    EXPECT_TRUE(sprite.chunks.empty());
    EXPECT_EQ(sprite.groups[4].root_grid_index_position, glm::ivec2(4, 5));
    EXPECT_EQ(sprite.cellCount, glm::ivec2(32, 32));
}

TEST(AssetFile, DuplicateNamesFirstWinsAndBothAreListed) {
    TestFile f;
    f.particles.push_back({"game/particles/player_cloud", 1, 1, 0.0f, 2});
    f.particles.push_back({"game/particles/player_cloud", 2, 1, 0.0f, 3});
    Loaded loaded = load_file_bytes(file_bytes(f));
    ASSERT_FALSE(loaded.result.failed) << loaded.result.message;
    const AssetPackage& p = loaded.result.package;
    EXPECT_EQ(p.get_by_name<ParticleAsset>("game/particles/player_cloud").spawn.number_to_spawn.min_or_value, 2);
    EXPECT_EQ(p.get_id_by_name<ParticleAsset>("game/particles/player_cloud"), uuid_bytes(1));
    EXPECT_EQ(p.get_by_id<ParticleAsset>(uuid_bytes(2)).spawn.number_to_spawn.min_or_value, 3);
    std::string listed = kInfo + " - game/particles/player_cloud\n";
    size_t first = loaded.log.find(listed);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(loaded.log.find(listed, first + 1), std::string::npos) << loaded.log;
    testing::internal::CaptureStdout();
    EXPECT_THROW((void)p.get_by_name<ParticleAsset>("game/particles/player_clou"), std::invalid_argument);
    testing::internal::GetCapturedStdout();
}

TEST(AssetFile, MissingFileLogsBothLinesAndLeavesAnEmptyPackage) {
    test_support::TempDir dir;
    std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    testing::internal::CaptureStdout();
    AssetLoadResult result = load_assets("./assets.bin");
    std::fflush(stdout);
    std::string log = testing::internal::GetCapturedStdout();
    std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(before);

    EXPECT_TRUE(result.failed);
    EXPECT_EQ(result.message, "No file");
    EXPECT_TRUE(is_empty(result.package));
    std::string tried = (cwd / "./assets.bin").string();
    EXPECT_EQ(log, kInfo + "Loading assets from ./assets.bin ...\n" + kError + "Failed could not find file. Tried " +
                       tried + "\n" + kError + "Cannot read " + tried + ": No file\n");
}

// What stands in the file's place decides the reason; none of them may block the start.
TEST(AssetFile, AnUnreadableFileNamesTheReasonAndNeverWaits) {
    struct Case {
        const char* what;
        void (*make)(const std::filesystem::path&);
        const char* reason;
    };
    const Case cases[] = {
        {"a directory", [](const std::filesystem::path& p) { std::filesystem::create_directory(p); }, "Is a directory"},
        {"a named pipe with no writer", [](const std::filesystem::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); },
         "Not a regular file (a named pipe)"},
        {"a character device", [](const std::filesystem::path& p) { std::filesystem::create_symlink("/dev/zero", p); },
         "Not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test_support::TempDir dir;
        std::filesystem::path file = dir.path() / "assets.bin";
        c.make(file);
        testing::internal::CaptureStdout();
        AssetLoadResult result = load_assets(file.string());
        std::fflush(stdout);
        std::string log = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(result.failed);
        EXPECT_EQ(result.message, c.reason);
        EXPECT_TRUE(is_empty(result.package));
        EXPECT_NE(log.find(kError + "Failed could not find file. Tried "), std::string::npos) << log;
        EXPECT_NE(log.find(kError + "Cannot read " + file.string() + ": " + c.reason + "\n"), std::string::npos) << log;
    }
}

TEST(AssetFile, TrailingBytesAreIgnoredWithAWarning) {
    Loaded loaded = load_file_bytes(std::string(43, '\0'));
    ASSERT_FALSE(loaded.result.failed) << loaded.result.message;
    EXPECT_NE(loaded.log.find("\x1b[93m[Assets]  3 bytes after the last asset at byte 40 are ignored\n"),
              std::string::npos)
        << loaded.log;
}

} // namespace
