#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Engine/Engine/EngineEvents.h"
#include "Engine/Engine/SceneEvents.h"
#include "GameSceneFixture.h"
#include "Support/InputEvents.h"

using test_support::EventRecorder;
using test_support::input_frame;
using test_support::key_event;

namespace {

struct KeyCase {
    const char* name;
    SDL_Scancode key;
    size_t toggles;
    size_t pause_requests;
};

class GameSceneKeys : public testing::TestWithParam<KeyCase> {};

TEST_P(GameSceneKeys, PressedKeyPublishesItsRequestOnceInTheTick) {
    const KeyCase& c = GetParam();
    GameSceneFixture f;
    EventRecorder<ToggleEditorEvent> toggles(f.engine.event_bus());
    EventRecorder<PauseRequestEvent> pauses(f.engine.event_bus());

    // The press frame, then a frame with the key still held: only the press counts.
    input_frame(f.engine.input(), f.engine.input_axes(), 1, {key_event(c.key, true)});
    f.scene->update_input_schemes();
    f.tick();
    input_frame(f.engine.input(), f.engine.input_axes(), 2, {});
    f.scene->update_input_schemes();
    f.tick();

    EXPECT_EQ(toggles.events.size(), c.toggles);
    ASSERT_EQ(pauses.events.size(), c.pause_requests);
    for (const PauseRequestEvent& e : pauses.events) {
        EXPECT_EQ(e.paused, 0);
        EXPECT_EQ(e.toggle, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, GameSceneKeys,
                         testing::Values(KeyCase{"backtick", SDL_SCANCODE_GRAVE, 1, 0},
                                         KeyCase{"escape", SDL_SCANCODE_ESCAPE, 0, 1},
                                         KeyCase{"other", SDL_SCANCODE_Q, 0, 0}),
                         [](const testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

TEST(GameSceneKeys, EscapePausesTheSceneThroughItsRequest) {
    GameSceneFixture f;
    input_frame(f.engine.input(), f.engine.input_axes(), 1, {key_event(SDL_SCANCODE_ESCAPE, true)});
    f.scene->update_input_schemes();
    f.tick(); // publishes the request; its dispatch answers with the pause change, moved at the same dispatch
    std::vector<std::string> unused = f.group(SystemGroup::Unused);
    EXPECT_NE(std::find(unused.begin(), unused.end(), "BulletMoveSystem"), unused.end());
}

} // namespace
