#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include <stb_image_write.h>

#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreExplodedEvent.h"
#include "Engine/Random.h"
#include "Game/Entities/ItemEntity.h"
#include "Game/Systems/Ai/ExplosionEvent.h"
#include "Game/Systems/Ui/GameUiRenderSystem.h"
#include "SceneFrame.h"

using namespace test_support;
using scene_frame::kSize;
using scene_frame::SceneFrame;

namespace {

struct Average {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
};

Average average(const Pixels& p, uint32_t x0, uint32_t x1, uint32_t y0, uint32_t y1) {
    Average a;
    double n = 0.0;
    for (uint32_t y = y0; y < y1; ++y) {
        for (uint32_t x = x0; x < x1; ++x) {
            const uint32_t c = p.at(x, y);
            a.r += c & 0xFFu;
            a.g += (c >> 8) & 0xFFu;
            a.b += (c >> 16) & 0xFFu;
            n += 1.0;
        }
    }
    a.r /= n;
    a.g /= n;
    a.b /= n;
    return a;
}

// Pixels within `radius` world units of a point that are not black.
int32_t lit_near(const Pixels& p, glm::vec2 center, float radius) {
    int32_t count = 0;
    const float unit = static_cast<float>(kSize) / 10.0f;
    for (uint32_t y = 0; y < kSize; ++y) {
        for (uint32_t x = 0; x < kSize; ++x) {
            const glm::vec2 world((static_cast<float>(x) + 0.5f) / unit - 5.0f,
                                  (static_cast<float>(y) + 0.5f) / unit - 5.0f);
            if (glm::distance(world, center) <= radius && (p.at(x, y) & 0x00FFFFFFu) > 0x00101010u) {
                ++count;
            }
        }
    }
    return count;
}

// The picture a person sees, for the docs: rows from the top.
void save_png(const Pixels& p, const std::string& path) {
    stbi_flip_vertically_on_write(1);
    stbi_write_png(path.c_str(), static_cast<int>(p.width), static_cast<int>(p.height), 4, p.rgba.data(),
                   static_cast<int>(p.width * 4));
}

// Shrapnel from an explosion in the ship's core on the real back end: the ship is gone, a cloud of particles
// hangs where it was, and the side panel turns red.
TEST(CloudFrame, AShipWhoseCoreExplodedIsACloudAndThePanelTurnsRed) {
    SceneFrame f;
    random_seed(5489);
    f.scene->transition_system(GameUiRenderSystem::kName, SystemGroup::Render);
    f.tick();
    const Pixels before = f.frame();
    const Average panel_before = average(before, 20, 330, 20, 980);

    EventRecorder<SpriteCoreExplodedEvent> exploded(f.engine.event_bus());
    const auto player_exploded = [&] {
        return std::any_of(exploded.events.begin(), exploded.events.end(), [](const SpriteCoreExplodedEvent& e) {
            return e.type == static_cast<uint32_t>(CellType::Core);
        });
    };
    for (int32_t blast = 0; blast < 10 && !player_exploded(); ++blast) {
        PlayerEntity& p = f.player();
        const glm::vec2 core = p.transform.to_world(p.sprite.grid().cell_to_local(p.cores.cores.at(0).grid_point));
        f.engine.event_bus().publish(ExplosionEvent{20, 0, core, glm::vec2(0.0f)});
        for (int32_t i = 0; i < 70 && !player_exploded(); ++i) {
            f.tick();
            f.frame();
        }
    }
    ASSERT_TRUE(player_exploded());
    // A second of cloud: the shrapnel is spent, the cloud particles keep coming.
    Pixels cloud;
    for (int32_t i = 0; i < 70; ++i) {
        f.tick();
        cloud = f.frame();
    }
    ASSERT_EQ(f.player().player.is_cloud, 1);
    save_png(cloud, std::string(PELLMAR_BUILD_DIR) + "/cloud-frame.png");

    EXPECT_GT(lit_near(cloud, f.player().transform.position, 0.8f), 200) << "the cloud's particles";
    const Average panel_cloud = average(cloud, 20, 330, 20, 980);
    EXPECT_GT(panel_cloud.r / std::max(panel_cloud.b, 1.0), 1.2 * panel_before.r / std::max(panel_before.b, 1.0))
        << "the panel tints toward red";
}

// An 8-pixel item is 0.125 world units wide: 12.5 frame pixels here. Its middle rows are opaque edge to edge.
TEST(CloudFrame, ItemsAreDrawnAtOneSixtyFourthOfAUnitPerPicturePixel) {
    SceneFrame f;
    ItemEntity item;
    item.kind = 0;
    item.position = glm::vec2(3.0f, 3.0f);
    item.life = 15.0f;
    item.attraction_delay = 0.6f;
    item.attraction_radius = 1.0f;
    f.scene->entity_pool().list<ItemEntity>().add(std::move(item));
    f.tick();
    const Pixels frame = f.frame();
    const float unit = static_cast<float>(kSize) / 10.0f;
    const auto row = static_cast<uint32_t>((3.0f + 5.0f) * unit);
    uint32_t first = kSize;
    uint32_t last = 0;
    for (uint32_t x = static_cast<uint32_t>(7.0f * unit); x < static_cast<uint32_t>(9.0f * unit); ++x) {
        if ((frame.at(x, row) & 0xFFu) > 0x80u) { // the picture's reds
            first = std::min(first, x);
            last = std::max(last, x);
        }
    }
    ASSERT_LT(first, kSize) << "the item is drawn";
    EXPECT_NEAR(static_cast<float>(last - first + 1), 12.5f, 1.5f);
}

} // namespace
