#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "Common/Assets/AssetPackage.h"
#include "Engine/Graphics/Renderer.h"
#include "Engine/Graphics/TextureAtlasPacked.h"
#include "Engine/Math/Vector.h"
#include "Engine/Random.h"
#include "Game/Systems/Background/SpaceBackgroundRenderSystem.h"
#include "Support/GameWorld.h"
#include "Support/SceneHarness.h"

using namespace test_support;

namespace {

constexpr TextureLayout kAtlasLayout{TextureType2D, TextureFormatRgba8, 1024, 1024, 1, 4, 1};

// The real assets; the background is attached by hand, since a windowless scene starts no rendering.
struct BackgroundFixture {
    explicit BackgroundFixture(uint32_t seed)
        : harness([this](HarnessScene& scene) {
              system = &scene.register_system<SpaceBackgroundRenderSystem>(SystemGroup::Render, scene, &atlas);
          }) {
        random_seed(seed);
        system->attach(*harness.scene);
    }

    AssetsWorkingDir dir;
    TextureAtlasPacked atlas{kAtlasLayout};
    SpaceBackgroundRenderSystem* system = nullptr;
    SceneHarness harness;
};

bool same_records(const std::vector<BackgroundRecord>& a, const std::vector<BackgroundRecord>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].position != b[i].position || a[i].scale != b[i].scale || a[i].angle != b[i].angle ||
            a[i].z != b[i].z || a[i].color != b[i].color || a[i].depth != b[i].depth) {
            return false;
        }
    }
    return true;
}

TEST(SpaceBackground, TheSameSeedGivesTheSameSky) {
    BackgroundFixture a(11);
    BackgroundFixture b(11);
    BackgroundFixture c(12);
    EXPECT_TRUE(same_records(a.system->stars(), b.system->stars()));
    EXPECT_TRUE(same_records(a.system->smoke(), b.system->smoke()));
    EXPECT_FALSE(same_records(a.system->stars(), c.system->stars()));
}

TEST(SpaceBackground, FieldHoldsTheStarsAndSmokeAsScattered) {
    BackgroundFixture f(3);
    ASSERT_EQ(f.system->stars().size(), 4000u);
    ASSERT_EQ(f.system->smoke().size(), 40u);
    uint32_t min_red = 255;
    uint32_t max_red = 0;
    for (const BackgroundRecord& star : f.system->stars()) {
        const uint32_t red = star.color & 0xFFu;
        min_red = std::min(min_red, red);
        max_red = std::max(max_red, red);
        EXPECT_EQ(star.color >> 8, 0xFFFFFFu);
        EXPECT_LE(std::abs(star.position.x), 64.0f);
        EXPECT_LE(std::abs(star.position.y), 36.0f);
        EXPECT_TRUE(star.scale.x >= 0.001f && star.scale.x <= 0.01f && star.scale.x == star.scale.y);
        // z and depth come from one draw r in [0, 1].
        EXPECT_TRUE(star.depth >= 3.0f && star.depth <= 13.0f);
        EXPECT_NEAR(star.z, -3.0f - (star.depth - 3.0f) / 10.0f, 1e-5f);
    }
    // Cyan-white to white, never red 255.
    EXPECT_GE(min_red, 128u);
    EXPECT_LE(max_red, 254u);
    EXPECT_LT(min_red, 140u);
    for (const BackgroundRecord& cloud : f.system->smoke()) {
        EXPECT_EQ(cloud.color & 0xFFu, 100u);
        EXPECT_LE((cloud.color >> 8) & 0xFFu, 199u);
        EXPECT_EQ(cloud.color >> 16, 0x64C8u); // blue 200, alpha 100
        EXPECT_TRUE(cloud.scale.x >= 10.0f && cloud.scale.x <= 20.0f);
        EXPECT_TRUE(cloud.depth >= 4.0f && cloud.depth <= 14.0f);
    }
}

TEST(SpaceBackground, SmokeThenStarsAtTheirPlacesForACameraAtTheOrigin) {
    BackgroundFixture f(5);
    // A view wider than the whole field, so every record is in it.
    Camera& camera = f.harness.scene->camera();
    camera.position = glm::vec3(0.0f);
    camera.set_ortho(40.0f, 16.0f / 9.0f, 10.0f);
    camera.update_matrices();
    f.system->update(make_tick(1, 1.0f / 60.0f, false));
    const std::vector<StaticSpriteInstance>& drawn = f.harness.engine.renderer().background_batch().instances();
    ASSERT_EQ(drawn.size(), 4040u);
    // A cloud is drawn by the part of its picture that holds its shape: that part of the quad at the cloud's place.
    const BackgroundRecord& cloud = f.system->smoke()[0];
    const PictureRect part = f.system->smoke_part();
    const SpritePicture& picture = f.system->smoke_picture();
    ASSERT_GT(part.columns, 0u);
    ASSERT_LT(part.columns * part.rows, picture.width * picture.height / 2) << "most of the picture is left out";
    const glm::vec2 size(static_cast<float>(picture.width), static_cast<float>(picture.height));
    const glm::vec2 center =
        (2.0f * glm::vec2(part.column, part.row) + glm::vec2(part.columns, part.rows)) / size - 1.0f;
    const glm::vec2 expected = cloud.position + rotate(center * cloud.scale, cloud.angle);
    EXPECT_NEAR(drawn[0].model[3].x, expected.x, 1e-4f);
    EXPECT_NEAR(drawn[0].model[3].y, expected.y, 1e-4f);
    // Its x axis is the cloud's, scaled to the part's width.
    const float half_width = cloud.scale.x * static_cast<float>(part.columns) / size.x;
    EXPECT_NEAR(drawn[0].model[0].x, std::cos(cloud.angle) * half_width, 1e-4f);
    EXPECT_NEAR(drawn[0].model[0].y, std::sin(cloud.angle) * half_width, 1e-4f);
    const BackgroundRecord& star = f.system->stars()[0];
    EXPECT_FLOAT_EQ(drawn[40].model[3].x, star.position.x);
    EXPECT_FLOAT_EQ(drawn[40].model[3].y, star.position.y);
    // Tinted with the record's colour.
    EXPECT_FLOAT_EQ(drawn[40].tint.r, static_cast<float>(star.color & 0xFFu) / 255.0f);
}

// The game's view is a small part of the field: a record whose quad lies wholly inside it is drawn, one
// whose quad cannot reach it is not.
TEST(SpaceBackground, OnlyWhatCanTouchTheViewIsDrawn) {
    BackgroundFixture f(7);
    Camera& camera = f.harness.scene->camera();
    const glm::vec2 c(12.5f, -3.25f);
    camera.position = glm::vec3(c, 0.0f);
    camera.set_ortho(5.0f, 16.0f / 9.0f, 10.0f);
    camera.update_matrices();
    const glm::vec2 half(5.0f * 16.0f / 9.0f, 5.0f);
    f.system->update(make_tick(1, 1.0f / 60.0f, false));
    const std::vector<StaticSpriteInstance>& drawn = f.harness.engine.renderer().background_batch().instances();
    std::vector<glm::vec2> stars_drawn;
    size_t clouds_drawn = 0;
    for (const StaticSpriteInstance& item : drawn) {
        // Stars are at most 0.01 across, a cloud's part several units.
        if (glm::length(glm::vec2(item.model[0])) < 0.1f) {
            stars_drawn.emplace_back(item.model[3]);
        } else {
            ASSERT_TRUE(stars_drawn.empty()) << "smoke before stars";
            ++clouds_drawn;
        }
    }
    const auto was_drawn = [&](glm::vec2 p) {
        return std::any_of(stars_drawn.begin(), stars_drawn.end(),
                           [&](glm::vec2 q) { return glm::length(q - p) < 1e-4f; });
    };
    int32_t inside = 0;
    for (const BackgroundRecord& star : f.system->stars()) {
        const glm::vec2 d = SpaceBackgroundRenderSystem::drawn_position(star, c, 2.0f) - c;
        const glm::vec2 p = c + d;
        if (std::abs(d.x) < half.x - 0.02f && std::abs(d.y) < half.y - 0.02f) {
            ++inside;
            EXPECT_TRUE(was_drawn(p)) << "star at " << p.x << ", " << p.y;
        } else if (std::abs(d.x) > half.x + 0.02f || std::abs(d.y) > half.y + 0.02f) {
            EXPECT_FALSE(was_drawn(p)) << "star at " << p.x << ", " << p.y;
        }
    }
    // About 4000 x 160 / 9216 stars are in view.
    EXPECT_GT(inside, 30);
    EXPECT_LT(stars_drawn.size(), 200u);
    // Clouds 20 to 40 across: some reach into the view, not all 40.
    int32_t clouds_over_center = 0;
    for (const BackgroundRecord& cloud : f.system->smoke()) {
        const glm::vec2 d = SpaceBackgroundRenderSystem::drawn_position(cloud, c, 0.5f) - c;
        clouds_over_center += std::abs(d.x) < 2.0f && std::abs(d.y) < 2.0f ? 1 : 0;
    }
    EXPECT_GE(clouds_drawn, static_cast<size_t>(clouds_over_center));
    EXPECT_LT(clouds_drawn, 40u);
}

// A camera move of m shifts every star by m x 2 / depth and every smoke cloud by m x 0.5 / depth (stars
// follow the camera more closely, so they look farther away), for every item not wrapped round the field's edge.
// A cloud is drawn as the part of its picture that holds pixels, a fixed offset from its place: it shifts alike.
TEST(SpaceBackground, EachLayerScrollsByItsParallaxFactorOverItsDepth) {
    BackgroundFixture f(7);
    const glm::vec2 c0(3.0f, -2.0f);
    const glm::vec2 move(0.5f, 0.25f);
    Camera& camera = f.harness.scene->camera();
    // A view wider than the whole field, so that every item is drawn at both places.
    camera.set_ortho(200.0f, 1.0f, 10.0f);
    for (const glm::vec2 c : {c0, c0 + move}) {
        camera.position = glm::vec3(c, 0.0f);
        camera.update_matrices();
        f.system->update(make_tick(1, 1.0f / 60.0f, false));
    }
    const std::vector<StaticSpriteInstance>& drawn = f.harness.engine.renderer().background_batch().instances();
    ASSERT_EQ(drawn.size(), 2u * 4040u);
    size_t checked = 0;
    const auto check = [&](size_t at, const BackgroundRecord& record, float factor) {
        const glm::vec2 before(drawn[at].model[3].x, drawn[at].model[3].y);
        const glm::vec2 after(drawn[4040 + at].model[3].x, drawn[4040 + at].model[3].y);
        const glm::vec2 shift = after - before;
        if (std::abs(shift.x) > 1.0f || std::abs(shift.y) > 1.0f) {
            return; // wrapped round the field
        }
        EXPECT_NEAR(shift.x, move.x * factor / record.depth, 1e-4f) << at;
        EXPECT_NEAR(shift.y, move.y * factor / record.depth, 1e-4f) << at;
        checked += 1;
    };
    for (size_t i = 0; i < 40; ++i) {
        check(i, f.system->smoke()[i], 0.5f);
    }
    for (size_t i = 0; i < 4000; ++i) {
        check(40 + i, f.system->stars()[i], 2.0f);
    }
    EXPECT_GT(checked, 4000u * 9u / 10u);
}

TEST(SpaceBackground, TheSkyNeverRunsOutAndMovesSmoothly) {
    BackgroundFixture f(9);
    // Far along a straight flight every item is still within the field around the camera.
    for (const glm::vec2 c : {glm::vec2(1000.0f, 0.0f), glm::vec2(-3000.0f, 2500.0f), glm::vec2(64.5f, -36.5f)}) {
        int32_t in_view = 0;
        for (const BackgroundRecord& star : f.system->stars()) {
            const glm::vec2 p = SpaceBackgroundRenderSystem::drawn_position(star, c, 2.0f);
            ASSERT_LE(std::abs(p.x - c.x), 64.0f + 1e-3f);
            ASSERT_LE(std::abs(p.y - c.y), 36.0f + 1e-3f);
            in_view += std::abs(p.x - c.x) < 9.0f && std::abs(p.y - c.y) < 5.0f ? 1 : 0;
        }
        // A 18 x 10 view sees about 4000 x 180 / 9216 stars.
        EXPECT_GT(in_view, 40) << "camera at " << c.x << ", " << c.y;
    }
    // Between two nearby camera positions an item moves by its parallax shift, away from the wrap edges.
    const BackgroundRecord& star = f.system->stars()[0];
    const glm::vec2 c0(500.0f, 200.0f);
    const glm::vec2 c1 = c0 + glm::vec2(0.1f, -0.05f);
    const glm::vec2 p0 = SpaceBackgroundRenderSystem::drawn_position(star, c0, 2.0f);
    const glm::vec2 p1 = SpaceBackgroundRenderSystem::drawn_position(star, c1, 2.0f);
    if (std::abs(p0.x - c0.x) < 60.0f && std::abs(p0.y - c0.y) < 32.0f) {
        EXPECT_NEAR(p1.x - p0.x, 0.1f * 2.0f / star.depth, 1e-3f);
        EXPECT_NEAR(p1.y - p0.y, -0.05f * 2.0f / star.depth, 1e-3f);
    }
}

} // namespace
