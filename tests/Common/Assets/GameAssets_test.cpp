// The game's own assets.bin, as the build makes it: every asset the game looks up is there, of its kind and
// within what the game relies on, and truncated copies of it are refused.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <glm/common.hpp>
#include <glm/vec2.hpp>
#include <gtest/gtest.h>

#include "Common/Assets/AssetLoader.h"
#include "LoadHelpers.h"

namespace {

class GameAssets : public testing::Test {
protected:
    static void SetUpTestSuite() {
        testing::internal::CaptureStdout();
        loaded = new AssetLoadResult(load_assets(PELLMAR_ASSETS_BIN));
        log = new std::string(testing::internal::GetCapturedStdout());
    }
    static void TearDownTestSuite() {
        delete loaded;
        delete log;
    }
    static const AssetPackage& package() { return loaded->package; }
    static AssetLoadResult* loaded;
    static std::string* log;
};

AssetLoadResult* GameAssets::loaded = nullptr;
std::string* GameAssets::log = nullptr;

struct CellInfo {
    int x, y;
    uint16_t mask;
    uint32_t color;
};

std::vector<CellInfo> cells_of(const SpriteAsset& s) {
    std::vector<CellInfo> cells;
    for (const SpriteChunkData& c : s.chunks) {
        for (int i = 0; i < kSpriteChunkCells; ++i) {
            uint16_t m = c.mask[i];
            if ((m & 0x1F) != 0 && (m & 0x20) == 0) {
                cells.push_back({c.gridPixelOffset.x + i % 32, c.gridPixelOffset.y + i / 32, m, c.color[i]});
            }
        }
    }
    return cells;
}

TEST_F(GameAssets, LoadsWithoutComplaint) {
    ASSERT_FALSE(loaded->failed) << loaded->message;
    EXPECT_NE(log->find("[Assets] Done\n"), std::string::npos) << *log;
}

TEST_F(GameAssets, UuidsAreUniqueWithinEachList) {
    auto unique = [](const auto& list) {
        std::set<Uuid> ids;
        for (const auto& a : list.m_assets) {
            ids.insert(a.metadata.uuid);
        }
        return ids.size() == list.m_assets.size();
    };
    const AssetPackage& p = package();
    EXPECT_TRUE(unique(p.images));
    EXPECT_TRUE(unique(p.fonts));
    EXPECT_TRUE(unique(p.sprites));
    EXPECT_TRUE(unique(p.multi_sprites));
    EXPECT_TRUE(unique(p.particles));
}

TEST_F(GameAssets, ParticlesAreThereAndSane) {
    const char* names[] = {"game/particles/default_cannon_spark", "game/particles/default_cannon_spark_smoke",
                           "game/particles/explosion_spark",      "game/particles/explosion_smoke",
                           "game/particles/player_cloud",         "engine/particles/spark"};
    for (const char* name : names) {
        const ParticleAsset* asset = package().particles.find_by_name(name);
        ASSERT_NE(asset, nullptr) << name;
        const ParticleSpawnSettings& s = asset->spawn;
        auto both = [](const auto& range, auto check) {
            return check(range.min_or_value) && (range.single || check(range.max));
        };
        auto positive = [](float v) { return v > 0.0f; };
        EXPECT_TRUE(both(s.life, positive)) << name;
        EXPECT_TRUE(both(s.factor_scale, positive)) << name;
        EXPECT_TRUE(both(s.factor_color, positive)) << name;
        EXPECT_TRUE(both(s.damping, [](float v) { return v >= 0.0f; })) << name;
        EXPECT_TRUE(both(s.number_to_spawn, [](int32_t v) { return v >= 1; })) << name;
        auto color = [](glm::vec4 c) {
            return std::all_of(&c.x, &c.x + 4, [](float v) { return v >= 0.0f && v <= 1.0f; });
        };
        EXPECT_TRUE(both(s.initial_color, color)) << name;
        EXPECT_TRUE(both(s.final_color, color)) << name;
    }
    const RangeI32& cloud = package().get_by_name<ParticleAsset>("game/particles/player_cloud").spawn.number_to_spawn;
    EXPECT_LE(cloud.min_or_value, 3);
    EXPECT_TRUE(cloud.single || (cloud.max >= 1 && cloud.max <= 3));
}

TEST_F(GameAssets, ItemImagesAreSmallRgba) {
    for (const char* name : {"game/item/core", "game/item/health"}) {
        const ImageAsset* image = package().images.find_by_name(name);
        ASSERT_NE(image, nullptr) << name;
        EXPECT_EQ(image->channels, 4) << name;
        EXPECT_GE(image->width, 1) << name;
        EXPECT_LE(image->width, 64) << name;
        EXPECT_GE(image->height, 1) << name;
        EXPECT_LE(image->height, 64) << name;
        EXPECT_EQ(image->pixels.size(), size_t(image->width) * image->height * 4) << name;
    }
}

TEST_F(GameAssets, SpritesAreWellFormed) {
    for (const SpriteAsset& s : package().sprites.m_assets) {
        const std::string& name = s.metadata.name;
        std::vector<CellInfo> cells = cells_of(s);
        for (const SpriteChunkData& c : s.chunks) {
            EXPECT_GT(c.activePixelCount, 0) << name << ": empty chunks are left out";
            for (uint16_t m : c.mask) {
                ASSERT_EQ(m & ~0x1F, 0) << name << ": stored cells carry no removed or edge bits";
            }
        }
        for (const CellInfo& cell : cells) {
            ASSERT_GT(cell.color >> 24, 0u) << name << " cell (" << cell.x << ", " << cell.y << ") is invisible";
        }

        std::set<uint32_t> core_types;
        for (const SpriteCoreData& core : s.cores) {
            EXPECT_TRUE(core_types.insert(core.type).second) << name << ": two cores of type " << core.type;
            int64_t count = 0;
            glm::ivec2 lo(1 << 30), hi(-1);
            glm::dvec2 sum(0.0);
            for (const CellInfo& cell : cells) {
                if ((cell.mask & 0x1F) == core.type) {
                    ++count;
                    lo = glm::min(lo, glm::ivec2(cell.x, cell.y));
                    hi = glm::max(hi, glm::ivec2(cell.x, cell.y));
                    sum += glm::dvec2(cell.x + 0.5, cell.y + 0.5);
                }
            }
            ASSERT_GT(count, 0) << name << " core " << core.type << " has no cells";
            EXPECT_EQ(core.initialCellCount, count) << name << " core " << core.type;
            // A core above a fifth of the live cells explodes on the first tick.
            EXPECT_LE(count * 5, s.activePixelCount)
                << name << " core " << core.type << ": " << count << " of " << s.activePixelCount;
            EXPECT_EQ(core.min, lo) << name << " core " << core.type;
            EXPECT_GE(core.max.x, hi.x) << name;
            EXPECT_LE(core.max.x, hi.x + 1) << name;
            EXPECT_GE(core.max.y, hi.y) << name;
            EXPECT_LE(core.max.y, hi.y + 1) << name;
            glm::dvec2 center = sum / double(count);
            EXPECT_LE(std::abs(core.gridPointOffset.x - center.x), 1.0) << name << " core " << core.type;
            EXPECT_LE(std::abs(core.gridPointOffset.y - center.y), 1.0) << name << " core " << core.type;
        }
        for (int t = 1; t < kSpriteGroupCount; ++t) {
            if (s.groups[t].activeCount == 0) {
                continue;
            }
            glm::ivec2 lo(1 << 30), hi(-1);
            for (const CellInfo& cell : cells) {
                if ((cell.mask & 0x1F) == t) {
                    lo = glm::min(lo, glm::ivec2(cell.x, cell.y));
                    hi = glm::max(hi, glm::ivec2(cell.x, cell.y));
                }
            }
            glm::ivec2 root = s.groups[t].root_grid_index_position;
            EXPECT_TRUE(root.x >= lo.x && root.x <= hi.x && root.y >= lo.y && root.y <= hi.y)
                << name << " group " << t << " root (" << root.x << ", " << root.y << ") outside its cells";
        }
    }
}

bool has_core(const SpriteAsset& s, uint32_t type) {
    return std::any_of(s.cores.begin(), s.cores.end(), [&](const SpriteCoreData& c) { return c.type == type; });
}

TEST_F(GameAssets, NamedSpritesHaveTheirRolesAndSizes) {
    const AssetPackage& p = package();
    for (const char* name : {"Player", "Enemy/Bomb", "Enemy/Fighter", "Enemy/Station", "Enemy/Base", "Enemy/Boss1"}) {
        const SpriteAsset* s = p.sprites.find_by_name(name);
        ASSERT_NE(s, nullptr) << name;
        EXPECT_TRUE(has_core(*s, 2)) << name << " needs a Core";
    }
    for (const char* name : {"hello", "horrid", "game/shapes/hear", "game/shapes/star", "game/shapes/hexagon",
                             "half_chunk", "full_chunk", "floor", "Chunk", "game/ui/in_game_side_panel",
                             "game/ui/in_game_pause_menu", "game/sprite/smoke1", "game/sprite/star"}) {
        const SpriteAsset* s = p.sprites.find_by_name(name);
        ASSERT_NE(s, nullptr) << name;
        EXPECT_TRUE(s->cores.empty()) << name << " is a rock, a shape or a picture";
        EXPECT_GT(s->activePixelCount, 0) << name;
    }
    for (const char* name : {"full_chunk", "Chunk"}) {
        const SpriteAsset& s = p.get_by_name<SpriteAsset>(name);
        EXPECT_EQ(s.chunkCount, glm::ivec2(1, 1)) << name;
        EXPECT_EQ(s.activePixelCount, 1024) << name;
    }
    const SpriteAsset& half = p.get_by_name<SpriteAsset>("half_chunk");
    EXPECT_EQ(half.chunkCount, glm::ivec2(1, 1));
    EXPECT_EQ(half.activePixelCount, 512);
    const SpriteAsset& floor = p.get_by_name<SpriteAsset>("floor");
    EXPECT_GE(floor.chunkCount.x, 4 * floor.chunkCount.y);
    for (const char* name : {"game/shapes/hear", "game/shapes/star", "game/shapes/hexagon"}) {
        EXPECT_LE(p.get_by_name<SpriteAsset>(name).chunkCount.x, 5) << name;
    }
    EXPECT_LE(p.get_by_name<SpriteAsset>("Enemy/Bomb").activePixelCount, 200);
    const SpriteAsset& base = p.get_by_name<SpriteAsset>("Enemy/Base");
    EXPECT_LE(std::max(base.chunkCount.x, base.chunkCount.y), 5);
}

TEST_F(GameAssets, SnakeJoinsItsPiecesAtJointCores) {
    const AssetPackage& p = package();
    const MultiSpriteAsset& snake = p.get_by_id<MultiSpriteAsset>(p.get_id_by_name<MultiSpriteAsset>("snake"));
    const MultiSprite& d = snake.data;
    ASSERT_FALSE(d.instances.empty());
    EXPECT_EQ(
        std::count_if(d.instances.begin(), d.instances.end(), [](const MultiSpriteInstance& i) { return i.type == 1; }),
        1);
    for (const MultiSpriteInstance& i : d.instances) {
        EXPECT_LE(i.type, 1u);
    }
    ASSERT_FALSE(d.joints.empty());
    std::vector<std::set<int32_t>> joint_types(d.instances.size());
    for (const MultiSpriteJoint& j : d.joints) {
        for (auto [instance, attachment] : {std::pair{j.instance_0, j.attachment_0}, {j.instance_1, j.attachment_1}}) {
            const MultiSpritePart& part = d.sprites.at(d.instances.at(instance).sprite);
            const AttachmentPoint& point = part.attachment_points.at(attachment);
            EXPECT_GE(point.cell_type, 7) << part.sprite;
            EXPECT_LE(point.cell_type, 10) << part.sprite;
            EXPECT_TRUE(has_core(p.get_by_name<SpriteAsset>(part.sprite), uint32_t(point.cell_type)))
                << part.sprite << " has no core of joint type " << point.cell_type;
            joint_types[instance].insert(point.cell_type);
        }
    }
    // A segment between two others hangs on two different joint types.
    for (size_t i = 0; i < d.instances.size(); ++i) {
        int links = 0;
        for (const MultiSpriteJoint& j : d.joints) {
            links += (j.instance_0 == int32_t(i)) + (j.instance_1 == int32_t(i));
        }
        if (links >= 2) {
            EXPECT_GE(joint_types[i].size(), 2u) << "instance " << i;
        }
    }
}

TEST(GameAssetsFile, TruncatedCopiesAreRefused) {
    std::ifstream in(PELLMAR_ASSETS_BIN, std::ios::binary);
    ASSERT_TRUE(in.is_open()) << PELLMAR_ASSETS_BIN;
    const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(whole.size(), 1000u);
    std::vector<size_t> cuts = {0, 1, 7, 8, 9, 39, 40, 41, whole.size() - 1, whole.size() - 8};
    for (size_t k = 1; k < 60; ++k) {
        cuts.push_back(whole.size() * k / 60 + k * 13 % 97);
    }
    testing::internal::CaptureStdout();
    for (size_t n : cuts) {
        std::istringstream cut(whole.substr(0, n), std::ios::binary);
        AssetLoadResult r = read_assets(cut, "assets.bin");
        EXPECT_TRUE(r.failed) << "cut at " << n;
        EXPECT_EQ(r.message.rfind("Malformed asset file assets.bin: ", 0), 0u) << r.message;
        EXPECT_TRUE(asset_bytes::is_empty(r.package)) << "cut at " << n;
    }
    testing::internal::GetCapturedStdout();
}

} // namespace
