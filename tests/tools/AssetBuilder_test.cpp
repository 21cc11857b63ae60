// The asset builder run on small sources, its output read back through the game's own loader.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

#include "Common/Assets/AssetLoader.h"
#include "Support/Launcher.h"

namespace fs = std::filesystem;

namespace {

struct BuildRun {
    int exit_code = -1;
    std::string output; // standard output and error together
};

BuildRun run_builder(const fs::path& sources, const fs::path& out, bool game = false) {
    std::string cmd = std::string("'") + PELLMAR_BUILD_DIR + "/pellmar_asset_builder' " + (game ? "--game " : "") +
                      "'" + sources.string() + "' '" + out.string() + "' 2>&1";
    BuildRun run;
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe))
        run.output += buffer;
    int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

void write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// 33 x 3 cells: the drawing straddles the border between two chunks. Centred in a 64 x 32 grid it
// starts at cell (15, 14), so the top text row is y = 16 and the bottom one y = 14.
const char* kTinySprite = R"(; test piece
legend
.  empty
a  filled ff000080
c  core   00ff00
j  joint2 0000ff
grid
a................................
aaaaaaaaaaaaaaaaccaaaaaaaaaaaaaaa
a...............................j
)";

class AssetBuilder : public ::testing::Test {
protected:
    test_support::TempDir dir;
    fs::path sources = dir.path() / "src";
    fs::path out = dir.path() / "assets.bin";

    AssetLoadResult build_and_load() {
        BuildRun run = run_builder(sources, out);
        EXPECT_EQ(run.exit_code, 0) << run.output;
        return load_assets(out.string());
    }
};

TEST_F(AssetBuilder, DerivesChunksGroupsAndCoresOfASpriteAcrossAChunkBorder) {
    write(sources / "test/piece.sprite", kTinySprite);
    AssetLoadResult loaded = build_and_load();
    ASSERT_FALSE(loaded.failed) << loaded.message;
    const SpriteAsset& s = loaded.package.get_by_name<SpriteAsset>("test/piece");

    EXPECT_EQ(s.chunkCount, glm::ivec2(2, 1));
    EXPECT_EQ(s.cellCount, glm::ivec2(64, 32));
    EXPECT_EQ(s.activePixelCount, 36);
    ASSERT_EQ(s.chunks.size(), 2u);
    // Left chunk: x 15..31; right chunk: x 32..47.
    EXPECT_EQ(s.chunks[0].index, 0);
    EXPECT_EQ(s.chunks[0].gridPixelOffset, glm::ivec2(0, 0));
    EXPECT_EQ(s.chunks[0].activePixelCount, 19);
    EXPECT_EQ(s.chunks[1].index, 1);
    EXPECT_EQ(s.chunks[1].gridPixelOffset, glm::ivec2(32, 0));
    EXPECT_EQ(s.chunks[1].activePixelCount, 17);

    // Cell index y * 32 + x with y upwards: the lone top-row cell (15, 16) is index 527, the
    // bottom-row one (15, 14) index 463.
    EXPECT_EQ(s.chunks[0].mask[527], 1);
    EXPECT_EQ(s.chunks[0].color[527], 0x800000ffu);
    EXPECT_EQ(s.chunks[0].mask[463], 1);
    EXPECT_EQ(s.chunks[0].mask[16 * 32 + 16], 0);
    EXPECT_EQ(s.chunks[0].color[16 * 32 + 16], 0u);
    EXPECT_EQ(s.chunks[0].mask[15 * 32 + 31], 2); // core cell (31, 15)
    EXPECT_EQ(s.chunks[1].mask[15 * 32 + 0], 2);  // core cell (32, 15)
    EXPECT_EQ(s.chunks[1].mask[14 * 32 + 15], 8); // joint2 cell (47, 14)

    const int counts[11] = {0, 33, 2, 0, 0, 0, 0, 0, 1, 0, 0};
    for (int t = 0; t < 11; ++t)
        EXPECT_EQ(s.groups[t].activeCount, counts[t]) << "type " << t;
    // The filled cells centre on (30.5, 15.5), the middle of cell (30, 15); the two core cells tie
    // and the first in scan order wins.
    EXPECT_EQ(s.groups[1].root_grid_index_position, glm::ivec2(30, 15));
    EXPECT_EQ(s.groups[2].root_grid_index_position, glm::ivec2(31, 15));
    EXPECT_EQ(s.groups[8].root_grid_index_position, glm::ivec2(47, 14));

    ASSERT_EQ(s.cores.size(), 2u);
    const SpriteCoreData& core = s.cores[0];
    EXPECT_EQ(core.type, 2u);
    EXPECT_EQ(core.min, glm::ivec2(31, 15));
    EXPECT_EQ(core.max, glm::ivec2(32, 15));
    EXPECT_EQ(core.width, 2);
    EXPECT_EQ(core.height, 1);
    EXPECT_FLOAT_EQ(core.gridPointOffset.x, 32.0f);
    EXPECT_FLOAT_EQ(core.gridPointOffset.y, 15.5f);
    EXPECT_EQ(core.initialCellCount, 2);
    EXPECT_EQ(core.color, (std::vector<uint32_t>{0xff00ff00u, 0xff00ff00u}));
    EXPECT_EQ(s.cores[1].type, 8u);
    EXPECT_FLOAT_EQ(s.cores[1].gridPointOffset.x, 47.5f);
    EXPECT_FLOAT_EQ(s.cores[1].gridPointOffset.y, 14.5f);
}

TEST_F(AssetBuilder, OmitsEmptyChunksAndIndexesChunksRowByRow) {
    // An L of 33 x 33 cells in a 2 x 2 chunk grid: column x = 15 and row y = 15; chunk (1, 1) stays empty.
    std::string text = "legend\n. empty\nh filled 808080\ngrid\n";
    for (int row = 0; row < 33; ++row)
        text += row == 32 ? std::string(33, 'h') + "\n" : "h" + std::string(32, '.') + "\n";
    write(sources / "ell.sprite", text);
    AssetLoadResult loaded = build_and_load();
    ASSERT_FALSE(loaded.failed) << loaded.message;
    const SpriteAsset& s = loaded.package.get_by_name<SpriteAsset>("ell");
    EXPECT_EQ(s.chunkCount, glm::ivec2(2, 2));
    EXPECT_EQ(s.activePixelCount, 65);
    ASSERT_EQ(s.chunks.size(), 3u);
    const int indices[3] = {0, 1, 2};
    const glm::ivec2 offsets[3] = {{0, 0}, {32, 0}, {0, 32}};
    const int active[3] = {33, 16, 16};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(s.chunks[i].index, indices[i]);
        EXPECT_EQ(s.chunks[i].gridPixelOffset, offsets[i]);
        EXPECT_EQ(s.chunks[i].activePixelCount, active[i]);
    }
    EXPECT_EQ(s.chunks[2].mask[15 * 32 + 15], 1); // cell (15, 47), the top of the L
}

TEST_F(AssetBuilder, BuildsImagesParticlesAndMultiSpritesDeterministically) {
    write(sources / "test/piece.sprite", kTinySprite);
    write(sources / "test/icon.image", "legend\n. 00000000\nr ff0000\ng 00ff0080\ngrid\nr.\n.g\n");
    // A 2 x 1 RGBA PNG holding (10, 20, 30, 255) and (200, 100, 50, 128).
    const unsigned char png[] = {0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49,
                                 0x48, 0x44, 0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06,
                                 0x00, 0x00, 0x00, 0xf4, 0x22, 0x7f, 0x8a, 0x00, 0x00, 0x00, 0x11, 0x49, 0x44,
                                 0x41, 0x54, 0x78, 0x9c, 0x63, 0xe0, 0x12, 0x91, 0xfb, 0x7f, 0x22, 0xc5, 0xa8,
                                 0x01, 0x00, 0x0b, 0xc4, 0x03, 0x1a, 0x8a, 0x35, 0x4d, 0xec, 0x00, 0x00, 0x00,
                                 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
    write(sources / "test/dot.png", std::string(reinterpret_cast<const char*>(png), sizeof png));
    write(sources / "test/puff.particle.json",
          R"({"_note": "x", "life": {"single": 0, "min_or_value": 0.5, "max": 1.5}, "number_to_spawn": 4,
              "velocity": [1, -2]})");
    // The second piece is turned half round, so both joint2 anchors face each other 0.6 apart.
    write(sources / "test/pair.multisprite.json",
          R"({"instances": [{"sprite": "test/piece", "position": [0, 0]},
                            {"sprite": "test/piece", "position": [1.5625, 0], "angle": 3.14159265, "type": "head"}],
              "joints": [{"instances": [0, 1], "cell_types": ["joint2", "joint2"]}]})");
    AssetLoadResult loaded = build_and_load();
    ASSERT_FALSE(loaded.failed) << loaded.message;
    const AssetPackage& p = loaded.package;

    const ImageAsset& icon = p.get_by_name<ImageAsset>("test/icon");
    EXPECT_EQ(icon.width, 2);
    EXPECT_EQ(icon.height, 2);
    EXPECT_EQ(icon.channels, 4);
    // Top row first.
    const std::vector<uint8_t> pixels = {255, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 128};
    ASSERT_EQ(icon.pixels.size(), pixels.size());
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), icon.pixels.data()));

    const ImageAsset& dot = p.get_by_name<ImageAsset>("test/dot");
    EXPECT_EQ(dot.width, 2);
    EXPECT_EQ(dot.height, 1);
    const std::vector<uint8_t> dot_pixels = {10, 20, 30, 255, 200, 100, 50, 128};
    ASSERT_EQ(dot.pixels.size(), dot_pixels.size());
    EXPECT_TRUE(std::equal(dot_pixels.begin(), dot_pixels.end(), dot.pixels.data()));

    const ParticleSpawnSettings& puff = p.get_by_name<ParticleAsset>("test/puff").spawn;
    EXPECT_FALSE(puff.life.single);
    EXPECT_FLOAT_EQ(puff.life.min_or_value, 0.5f);
    EXPECT_FLOAT_EQ(puff.life.max, 1.5f);
    EXPECT_TRUE(puff.number_to_spawn.single);
    EXPECT_EQ(puff.number_to_spawn.min_or_value, 4);
    EXPECT_EQ(puff.velocity.min_or_value, glm::vec2(1.0f, -2.0f));
    EXPECT_TRUE(puff.factor_scale.single); // left out: the designer's default
    EXPECT_FLOAT_EQ(puff.factor_scale.min_or_value, 1.0f);

    const MultiSprite& pair = p.get_by_name<MultiSpriteAsset>("test/pair").data;
    ASSERT_EQ(pair.sprites.size(), 1u);
    EXPECT_EQ(pair.sprites[0].sprite, "test/piece");
    ASSERT_EQ(pair.sprites[0].attachment_points.size(), 1u);
    EXPECT_EQ(pair.sprites[0].attachment_points[0].cell_type, 8);
    EXPECT_EQ(pair.sprites[0].attachment_points[0].r, glm::vec2(47.5f, 14.5f));
    ASSERT_EQ(pair.instances.size(), 2u);
    EXPECT_EQ(pair.instances[1].sprite, 0);
    EXPECT_EQ(pair.instances[1].type, 1u);
    ASSERT_EQ(pair.joints.size(), 1u);
    EXPECT_EQ(pair.joints[0].instance_1, 1);

    // Uuids come from the names: distinct, and the same on every build.
    EXPECT_NE(p.get_id_by_name<SpriteAsset>("test/piece"), Uuid{});
    const std::string first = test_support::read_file(out);
    ASSERT_EQ(run_builder(sources, out).exit_code, 0);
    EXPECT_EQ(test_support::read_file(out), first);
}

struct BadSource {
    const char* name;
    const char* file;
    const char* text;
    const char* message;
};

void PrintTo(const BadSource& bad, std::ostream* os) { *os << bad.name; }

class AssetBuilderRejects : public AssetBuilder, public ::testing::WithParamInterface<BadSource> {};

TEST_P(AssetBuilderRejects, NamingTheFile) {
    const BadSource& bad = GetParam();
    write(sources / "test/piece.sprite", kTinySprite);
    write(sources / bad.file, bad.text);
    write(out, "old");
    BuildRun run = run_builder(sources, out);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.output.find((sources / bad.file).string()), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(bad.message), std::string::npos) << run.output;
    EXPECT_EQ(test_support::read_file(out), "old"); // a failed build leaves the old package alone
}

INSTANTIATE_TEST_SUITE_P(
    Sources, AssetBuilderRejects,
    ::testing::Values(
        // Lines of blank characters other than space and tab once crashed the builder (exit 139).
        BadSource{"OnlyAFormFeed", "a.sprite", "\f", "no \"grid\" section"},
        BadSource{"OnlyAVerticalTab", "a.sprite", "\v\n", "no \"grid\" section"},
        BadSource{"BlankLinesOfEveryKindBeforeABadDirective", "a.sprite", "\f\n\v\n \t\r\n\f\v\nscal 2\n",
                  ":5: unknown directive \"scal\""},
        BadSource{"FormFeedLineInTheLegend", "a.sprite", "legend\n\f\nh\vfilled\f808080\ngrid\nhh\nhx\n",
                  ":6: unknown legend character 'x' in column 2"},
        BadSource{"FormFeedLineInsideTheGrid", "a.sprite", "legend\nh filled 808080\ngrid\nhh\n\f\nhh\n",
                  ":5: blank line inside the grid"},
        BadSource{"UnknownLegendCharacter", "a.sprite", "legend\n. empty\nh filled 808080\ngrid\nhh\nhx\n",
                  ":6: unknown legend character 'x' in column 2"},
        BadSource{"RaggedRows", "a.sprite", "legend\nh filled 808080\ngrid\nhhh\nhh\n", ":5: ragged row"},
        BadSource{"CoreAboveAFifth", "a.sprite", "legend\nh filled 808080\nc core ff0000\ngrid\nhhhc\n",
                  "more than 20%"},
        BadSource{"TwoCoresOfOneType", "a.sprite", "legend\nh filled 808080\nw weak1 ff0000\ngrid\nwhhhhhhhhhhw\n",
                  ":5: the weak1 cells form 2 separate cores; a sprite has at most one core of each type "
                  "(the cells at "
                  "column 12"},
        BadSource{"TwoPieces", "a.sprite", "legend\n. empty\nh filled 808080\ngrid\nh.h\n",
                  ":5: the filled cells form 2 separate pieces; a sprite must be one piece (cells touching "
                  "by a side); "
                  "the piece at column 3 is cut off"},
        BadSource{"ParticleLifeZero", "a.particle.json", R"({"life": {"single": 0, "min_or_value": 0.2, "max": 0}})",
                  "\"life\" is out of range"},
        BadSource{"ParticleColourAboveOne", "a.particle.json", R"({"life": 1, "initial_color": [1, 0.5, 2, 1]})",
                  "\"initial_color\" is out of range"},
        BadSource{"MissingSprite", "a.multisprite.json",
                  R"({"instances": [{"sprite": "test/missing", "position": [0, 0]}]})",
                  "sprite \"test/missing\" is not among the sources"},
        BadSource{"MissingJointCore", "a.multisprite.json",
                  R"({"instances": [{"sprite": "test/piece", "position": [0, 0]},
                                    {"sprite": "test/piece", "position": [1, 0]}],
                      "joints": [{"instances": [0, 1], "cell_types": ["joint2", "joint3"]}]})",
                  "instance 1 (\"test/piece\") has no joint3 cells to attach to"}),
    [](const ::testing::TestParamInfo<BadSource>& info) { return std::string(info.param.name); });

// Every blank character separates words and makes a blank line alike: the same sprite written with form
// feeds, vertical tabs, carriage returns or tabs builds the very package that spaces build.
TEST_F(AssetBuilder, EveryBlankCharacterBuildsWhatSpacesBuild) {
    const std::string plain = "legend\n\n.  empty\na  filled ff000080\ngrid\naa.\n.aa\n";
    write(sources / "test/piece.sprite", plain);
    ASSERT_EQ(run_builder(sources, out).exit_code, 0);
    const std::string expected = test_support::read_file(out);
    for (const char blank : {'\t', '\r', '\f', '\v'}) {
        SCOPED_TRACE(static_cast<int>(blank));
        std::string text = plain;
        std::replace(text.begin(), text.end(), ' ', blank);
        // The empty line too: a line of that one character.
        text.replace(text.find("\n\n"), 2, std::string("\n") + blank + "\n");
        write(sources / "test/piece.sprite", text);
        const BuildRun run = run_builder(sources, out);
        ASSERT_EQ(run.exit_code, 0) << run.output;
        EXPECT_EQ(test_support::read_file(out), expected);
    }
}

// The game's own content passes the game checks; an oversized bomb does not.
TEST_F(AssetBuilder, GameContentCheckRejectsABombTooLargeToBeLifted) {
    const fs::path real = fs::path(PELLMAR_SOURCE_ROOT) / "SourceAssets";
    fs::copy(real, sources, fs::copy_options::recursive);
    ASSERT_EQ(run_builder(sources, out, true).exit_code, 0);

    std::string bomb = "legend\nh filled 808080\nc core ff0000\ngrid\n";
    for (int row = 0; row < 15; ++row)
        bomb += row == 7 ? "hhhhhhhccchhhhh\n" : "hhhhhhhhhhhhhhh\n";
    write(sources / "Enemy/Bomb.sprite", bomb);
    BuildRun run = run_builder(sources, out, true);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.output.find("Enemy/Bomb.sprite: a bomb may have at most 200 live cells"), std::string::npos)
        << run.output;

    fs::remove(sources / "Enemy/Bomb.sprite");
    run = run_builder(sources, out, true);
    EXPECT_NE(run.output.find("Enemy/Bomb.sprite: missing: the game looks up the sprite \"Enemy/Bomb\""),
              std::string::npos)
        << run.output;
}

// Ships launch half a unit from the station's hangar along its four local axes: a bar reaching into the
// place to the right of the hangar is rejected, though the hangar itself stays open.
TEST_F(AssetBuilder, GameContentCheckRejectsAStationThatBlocksALaunchPlace) {
    const fs::path real = fs::path(PELLMAR_SOURCE_ROOT) / "SourceAssets";
    fs::copy(real, sources, fs::copy_options::recursive);
    std::ifstream in(sources / "Enemy/Station.sprite");
    std::string text, line;
    int row = -1;
    while (std::getline(in, line)) {
        if (row >= 0) {
            // Text row 41 holds cell row 45 (scale 2, rows top first); fill from cell 60 up to the spoke.
            if (row == 41) {
                for (size_t c = 30; c < line.size() && line[c] == '.'; ++c)
                    line[c] = 'h';
            }
            ++row;
        }
        if (line == "grid")
            row = 0;
        text += line + "\n";
    }
    in.close();
    write(sources / "Enemy/Station.sprite", text);
    const BuildRun run = run_builder(sources, out, true);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.output.find("Enemy/Station.sprite: \"Enemy/Fighter\" launched toward (1, 0) from the hangar"),
              std::string::npos)
        << run.output;
}

} // namespace
