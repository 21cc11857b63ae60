// The "Recording" panel pressed through the GUI, and the play-back states it drives: play, pause, steps
// forward and backward, restart, the end of the records, and files that cannot be played.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>
#include <sys/stat.h>

#include "Engine/Engine/Engine.h"
#include "Engine/Engine/Interrupt.h"
#include "Engine/Engine/Recording.h"
#include "Engine/Engine/Scene.h"
#include "Engine/Random.h"
#include "Support/FileSizeLimit.h"
#include "Support/HeadlessGui.h"
#include "Support/InputEvents.h"
#include "Support/Launcher.h"
#include "Support/SceneHarness.h"

using namespace test_support;

namespace {

// Remembers the recorded tick numbers it ran since its last start, and the first random numbers it saw.
class ReplayScene : public SceneBase {
public:
    std::vector<uint32_t> ticks;
    int starts = 0;
    int32_t first_draw = -1;
    int first_rand = -1;

    void on_start() override {
        ++starts;
        ticks.clear();
        first_draw = random_draw();
        first_rand = std::rand();
    }
    void on_stop() override {}
    void on_tick(const SimulationTick& tick) override { ticks.push_back(tick.tick); }
    void on_start_rendering() override {}
    void on_stop_rendering() override {}
    void on_render(const SimulationTick&) override {}
    void on_editor_ui(const SimulationTick&) override {}
};

std::vector<uint32_t> range(uint32_t from, uint32_t to) {
    std::vector<uint32_t> out;
    for (uint32_t t = from; t < to; ++t) {
        out.push_back(t);
    }
    return out;
}

class RecordingPanel : public ::testing::Test {
protected:
    void SetUp() override {
        engine.set_scene(scene);
        engine.startup();
        frame();
    }
    void TearDown() override { engine.shutdown(); }

    // A recording of `count` frames whose tick numbers are 100, 101, ...; frame 3 did not tick.
    void write_file(uint32_t count) {
        std::vector<TickRecord> records;
        for (uint32_t i = 0; i < count; ++i) {
            TickRecord r;
            r.tick.tick = 100 + i;
            r.tick.delta_time = 1.0f / 60.0f;
            r.tick.fixed_delta_time = 1.0f / 60.0f;
            r.tick.run_simulation_tick = i == 3 ? 0 : 1;
            r.viewport = ViewportRect{0, 0, 400, 400};
            records.push_back(r);
        }
        std::ofstream out(kRecordingFile, std::ios::binary | std::ios::trunc);
        write_recording(records, out);
    }
    std::vector<uint32_t> ticked(uint32_t from, uint32_t to) {
        std::vector<uint32_t> out;
        for (uint32_t t : range(100 + from, 100 + to)) {
            if (t != 103) {
                out.push_back(t);
            }
        }
        return out;
    }

    // One GUI frame with the panel, then one engine frame.
    void frame() {
        ImGui::NewFrame();
        engine.draw_recording_panel();
        ImGui::Render();
        engine.run_frame();
    }
    // Presses a button of the panel: activated in one frame, pressed in the next.
    void press(const char* label) {
        ImGuiWindow* window = ImGui::FindWindowByName("Recording");
        ASSERT_NE(window, nullptr);
        ImGui::ActivateItem(window->GetID(label));
        frame();
        frame();
    }
    // One GUI frame with the panel, then one engine frame; the texts the panel drew.
    std::string panel_texts() {
        const std::string texts = gui.frame([&] { engine.draw_recording_panel(); });
        engine.run_frame();
        return texts;
    }

    AssetsWorkingDir dir;
    HeadlessGui gui;
    std::vector<std::string> reported;
    Engine engine{[this] {
        EngineConfig config = windowless_config();
        config.report_failure = [this](std::string_view line) { reported.emplace_back(line); };
        return config;
    }()};
    std::shared_ptr<ReplayScene> scene = std::make_shared<ReplayScene>();
};

TEST_F(RecordingPanel, PlayFeedsOneRecordPerFrameAndEndsIdle) {
    write_file(8);
    random_draw();
    press("Play");
    EXPECT_EQ(scene->starts, 2) << "play restarts the scene";
    // Both generators start again from 0 at the restart.
    std::mt19937 fresh(0);
    EXPECT_EQ(scene->first_draw, static_cast<int32_t>(fresh() >> 1));
    std::srand(0);
    EXPECT_EQ(scene->first_rand, std::rand());

    while (engine.recording_state() == Engine::kReplayPlaying && scene->ticks.size() < 20) {
        frame();
    }
    EXPECT_EQ(engine.recording_state(), Engine::kRecordingIdle);
    EXPECT_EQ(scene->ticks, ticked(0, 8)) << "every record once, the frozen one without a tick";
    EXPECT_EQ(engine.replay_index(), 8);
    // Live again: the scene ticks from the clock.
    frame();
    EXPECT_LT(scene->ticks.back(), 100u);
}

TEST_F(RecordingPanel, PlayPausedReplaysTheStartIndexThenStepsBothWays) {
    write_file(10);
    // What "Play Paused" does with "Start at index" at 6.
    engine.play_recording(true, 6);
    frame();
    EXPECT_EQ(engine.recording_state(), Engine::kReplayPaused);
    EXPECT_EQ(scene->ticks, ticked(0, 6)) << "six records in the first frame";
    EXPECT_EQ(engine.replay_index(), 6);
    frame();
    EXPECT_EQ(scene->ticks, ticked(0, 6)) << "paused: nothing more";

    press("Step Forward");
    EXPECT_EQ(scene->ticks, ticked(0, 7));
    EXPECT_EQ(engine.replay_index(), 7);

    const int starts = scene->starts;
    press("Step Backwards");
    EXPECT_EQ(scene->starts, starts + 1) << "a step back restarts the scene";
    EXPECT_EQ(scene->ticks, ticked(0, 6));
    EXPECT_EQ(engine.replay_index(), 6);

    press("Restart");
    EXPECT_EQ(scene->starts, starts + 2);
    EXPECT_TRUE(scene->ticks.empty()) << "restart replays nothing";
    EXPECT_EQ(engine.replay_index(), 0);
    EXPECT_EQ(engine.recording_state(), Engine::kReplayPaused);

    // Stepping back at the first records restarts and replays nothing.
    press("Step Backwards");
    EXPECT_TRUE(scene->ticks.empty());
    EXPECT_EQ(engine.replay_index(), 0);
    press("Step Forward");
    press("Step Backwards");
    EXPECT_TRUE(scene->ticks.empty());
    EXPECT_EQ(engine.replay_index(), 0);

    press("Resume");
    EXPECT_EQ(engine.recording_state(), Engine::kReplayPlaying);
    while (engine.recording_state() == Engine::kReplayPlaying) {
        frame();
    }
    EXPECT_EQ(scene->ticks, ticked(0, 10));
}

TEST_F(RecordingPanel, AQuitReachesTheEngineWhileThePlayBackIsPaused) {
    write_file(10);
    press("Play Paused");
    ASSERT_EQ(engine.recording_state(), Engine::kReplayPaused);
    raise_interrupt_request();
    frame();
    EXPECT_TRUE(engine.run_frame().quit) << "the quit of a paused frame ends the run";
}

TEST_F(RecordingPanel, SteppingPastTheLastRecordEndsThePlayBack) {
    write_file(3);
    press("Play Paused");
    press("Step Forward");
    press("Step Forward");
    press("Step Forward");
    EXPECT_EQ(engine.replay_index(), 3);
    EXPECT_EQ(engine.recording_state(), Engine::kReplayPaused);
    press("Step Forward");
    EXPECT_EQ(engine.recording_state(), Engine::kRecordingIdle);
    std::vector<uint32_t> replayed;
    for (uint32_t t : scene->ticks) {
        if (t >= 100) {
            replayed.push_back(t);
        }
    }
    EXPECT_EQ(replayed, ticked(0, 3)) << "then live ticks";
}

TEST_F(RecordingPanel, StopLeavesTheSceneWhereThePlayBackWas) {
    write_file(10);
    press("Play");
    press("Stop");
    EXPECT_EQ(engine.recording_state(), Engine::kRecordingIdle);
    size_t replayed = 0;
    for (uint32_t t : scene->ticks) {
        replayed += t >= 100 ? 1 : 0;
    }
    EXPECT_EQ(replayed, 2u) << "the frames of the two presses, the frozen record not among them";
    const int starts = scene->starts;
    frame();
    EXPECT_EQ(scene->starts, starts) << "no restart: the game goes on live";
}

TEST_F(RecordingPanel, RecordCancelAndFinish) {
    std::remove(kRecordingFile);
    press("Record");
    EXPECT_EQ(engine.recording_state(), Engine::kRecordingActive);
    EXPECT_EQ(scene->starts, 2);
    press("Cancel");
    EXPECT_EQ(engine.recording_state(), Engine::kRecordingIdle);
    EXPECT_FALSE(std::ifstream(kRecordingFile).good()) << "cancel writes nothing";

    press("Record");
    press("Finish");
    EXPECT_EQ(engine.recording_state(), Engine::kRecordingIdle);
    std::ifstream in(kRecordingFile, std::ios::binary);
    ASSERT_TRUE(in.good());
    std::vector<TickRecord> read;
    EXPECT_FALSE(read_recording(read, in).failed);
    EXPECT_EQ(read.size(), engine.records().size());
}

TEST_F(RecordingPanel, AFinishWhoseWriteFailsKeepsThePreviousRecordingByteForByte) {
    write_file(8);
    const std::string previous = read_file(kRecordingFile);
    press("Record");
    ASSERT_EQ(engine.recording_state(), Engine::kRecordingActive);
    {
        // No file may grow past 4 bytes: the new recording's count alone does not fit.
        FileSizeLimit limit(4);
        press("Finish");
    }
    EXPECT_EQ(engine.recording_state(), Engine::kRecordingIdle);
    EXPECT_EQ(read_file(kRecordingFile), previous);
    EXPECT_FALSE(std::filesystem::exists(std::string(kRecordingFile) + ".partial"));
    const std::string line = "Cannot write recording.bin: File too large; the previous recording is kept";
    EXPECT_EQ(reported, std::vector<std::string>{line}) << "the terminal gets it";
    const std::string texts = panel_texts();
    EXPECT_NE(texts.find(line), std::string::npos) << texts;

    // The previous recording still plays, and the press takes the line away.
    press("Play");
    EXPECT_EQ(engine.recording_state(), Engine::kReplayPlaying);
    EXPECT_EQ(panel_texts().find("Cannot write"), std::string::npos);
}

TEST_F(RecordingPanel, AFailedPlayShowsWhyUntilTheNextActionInThePanel) {
    std::filesystem::remove_all(kRecordingFile);
    press("Play");
    const std::string line = "Cannot play recording.bin: No file";
    EXPECT_NE(panel_texts().find(line), std::string::npos);
    EXPECT_NE(panel_texts().find(line), std::string::npos) << "it stays while nothing is done there";
    EXPECT_EQ(engine.recording_notice(), line);
    EXPECT_EQ(reported, std::vector<std::string>{line});

    // Pressed again, it fails again: the line is the new failure's.
    press("Play");
    EXPECT_NE(panel_texts().find(line), std::string::npos);
    EXPECT_EQ(reported.size(), 2u);

    press("Record");
    EXPECT_EQ(panel_texts().find("Cannot play"), std::string::npos) << panel_texts();
    EXPECT_TRUE(engine.recording_notice().empty());
    press("Cancel");
}

struct BadFile {
    const char* name;
    enum Kind { Missing, Bytes, NamedPipe, Directory } kind;
    std::string bytes;
    const char* reason; // the end of the log line
};

class UnplayableRecording : public RecordingPanel, public ::testing::WithParamInterface<BadFile> {};

TEST_P(UnplayableRecording, StaysIdleWithOneLogLine) {
    std::filesystem::remove_all(kRecordingFile);
    switch (GetParam().kind) {
    case BadFile::Missing:
        break;
    case BadFile::Bytes:
        std::ofstream(kRecordingFile, std::ios::binary) << GetParam().bytes;
        break;
    case BadFile::NamedPipe:
        // Nobody writes to it: opening it for reading as a plain stream would wait forever.
        ASSERT_EQ(mkfifo(kRecordingFile, 0644), 0);
        break;
    case BadFile::Directory:
        std::filesystem::create_directory(kRecordingFile);
        break;
    }
    const int starts = scene->starts;
    StdoutCapture capture;
    press("Play");
    const std::vector<std::string> lines = log_messages(capture.finish());
    std::filesystem::remove_all(kRecordingFile);
    EXPECT_EQ(engine.recording_state(), Engine::kRecordingIdle);
    EXPECT_EQ(scene->starts, starts) << "nothing restarts";
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("Cannot play recording.bin: "), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(GetParam().reason), std::string::npos) << lines[0];
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnplayableRecording,
    ::testing::Values(BadFile{"missing", BadFile::Missing, "", "No file"},
                      BadFile{"empty", BadFile::Bytes, "", "too short for its record count"},
                      BadFile{"short", BadFile::Bytes, std::string(3, '\x01'), "too short for its record count"},
                      BadFile{"huge_count", BadFile::Bytes, std::string(8, '\xff') + std::string(63, '\0'),
                              "cannot fit"},
                      BadFile{"named_pipe", BadFile::NamedPipe, "", "Not a regular file (a named pipe)"},
                      BadFile{"directory", BadFile::Directory, "", "Is a directory"}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

} // namespace
