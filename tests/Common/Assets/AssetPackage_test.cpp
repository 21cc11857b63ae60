#include <functional>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "Common/Assets/AssetPackage.h"

namespace {

Uuid uuid_of(uint8_t first) {
    Uuid id{};
    id[0] = first;
    id[15] = static_cast<uint8_t>(first ^ 0xA5);
    return id;
}

SpriteAsset sprite(std::string name, uint8_t id, int32_t active) {
    SpriteAsset s;
    s.metadata = {std::move(name), uuid_of(id)};
    s.activePixelCount = active;
    return s;
}

std::string capture(const std::function<void()>& body) {
    testing::internal::CaptureStdout();
    body();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

class Lookup : public testing::Test {
protected:
    void SetUp() override {
        package.sprites.m_assets.push_back(sprite("Enemy/Bomb", 1, 10));
        package.sprites.m_assets.push_back(sprite("Enemy/Bomb", 2, 20));
        package.sprites.m_assets.push_back(sprite("Player", 3, 30));
        package.multi_sprites.m_assets.push_back(MultiSpriteAsset{{"snake", uuid_of(9)}, {}});
    }
    AssetPackage package;
};

TEST_F(Lookup, DuplicateNamesFirstInFileOrderWins) {
    EXPECT_EQ(package.get_by_name<SpriteAsset>("Enemy/Bomb").activePixelCount, 10);
    EXPECT_EQ(package.get_id_by_name<SpriteAsset>("Enemy/Bomb"), uuid_of(1));
    EXPECT_EQ(package.get_by_id<SpriteAsset>(uuid_of(2)).activePixelCount, 20);
    EXPECT_EQ(package.get_by_id<MultiSpriteAsset>(uuid_of(9)).metadata.name, "snake");
}

TEST_F(Lookup, MissesThrowWithTheirMessagesAndLog) {
    struct Case {
        std::function<void()> lookup;
        const char* message;
        std::string named;
    };
    const Case cases[] = {
        // A prefix of an existing name and a longer name are both misses.
        {[&] { (void)package.get_by_name<SpriteAsset>("Enemy/Bom"); }, "GetByName: No asset found",
         "No sprite \"Enemy/Bom\""},
        {[&] { (void)package.get_by_name<SpriteAsset>("Player2"); }, "GetByName: No asset found",
         "No sprite \"Player2\""},
        // Same name, other list.
        {[&] { (void)package.get_by_name<ImageAsset>("Player"); }, "GetByName: No asset found", "No image \"Player\""},
        {[&] { (void)package.get_id_by_name<MultiSpriteAsset>("snak"); }, "GetById: No asset found",
         "No multi-sprite \"snak\""},
        {[&] { (void)package.get_by_id<SpriteAsset>(uuid_of(9)); }, "GetById: No asset found",
         "No sprite \"09" + std::string(28, '0') + "ac\""},
    };
    for (const Case& c : cases) {
        std::string what;
        std::string out = capture([&] {
            try {
                c.lookup();
            } catch (const std::invalid_argument& e) {
                what = e.what();
            }
        });
        EXPECT_EQ(what, c.message);
        EXPECT_NE(out.find("\x1b[31m[Assets] Failed to load asset\n"), std::string::npos) << out;
        EXPECT_NE(out.find(c.named), std::string::npos) << out;
    }
}

TEST_F(Lookup, ContentsLogListsHeadingsAndEveryName) {
    std::string out = capture([&] { package.log_contents(); });
    EXPECT_EQ(out, "\x1b[39m[Launch]Images\n"
                   "\x1b[39m[Launch]Fonts\n"
                   "\x1b[39m[Launch]Sprites\n"
                   "\x1b[39m[Launch] - Enemy/Bomb\n"
                   "\x1b[39m[Launch] - Enemy/Bomb\n"
                   "\x1b[39m[Launch] - Player\n"
                   "\x1b[39m[Launch]Multi Sprites\n"
                   "\x1b[39m[Launch] - snake\n"
                   "\x1b[39m[Launch]Particles\n");
}

TEST(ParticleSpawnSettingsDefaults, AllSingleZeroExceptFactorsAndCount) {
    ParticleSpawnSettings s;
    EXPECT_TRUE(s.position.single);
    EXPECT_EQ(s.position.min_or_value, glm::vec2(0.0f));
    EXPECT_TRUE(s.initial_color.single);
    EXPECT_EQ(s.final_color.max, glm::vec4(0.0f));
    EXPECT_EQ(s.life.min_or_value, 0.0f);
    EXPECT_EQ(s.factor_scale.min_or_value, 1.0f);
    EXPECT_EQ(s.factor_scale.max, 0.0f);
    EXPECT_EQ(s.factor_color.min_or_value, 1.0f);
    EXPECT_EQ(s.number_to_spawn.min_or_value, 1);
    EXPECT_EQ(s.number_to_spawn.max, 0);
    EXPECT_TRUE(s.number_to_spawn.single);
}

} // namespace
