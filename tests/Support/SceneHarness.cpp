#include "SceneHarness.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

#include "Engine/EntityPool.h"

namespace test_support {

void HarnessScene::on_start() {
    if (setup) {
        setup(*this);
    }
}

void HarnessScene::on_stop() { entity_pool().clear(); }

EngineConfig windowless_config() {
    EngineConfig config;
    config.title = "Pellmar";
    config.width = 1280;
    config.height = 720;
    config.vsync = false;
    config.debug_output = false;
    config.has_window = false;
    return config;
}

EngineConfig fixed_clock_window_config() {
    EngineConfig config;
    config.width = 1280;
    config.height = 720;
    config.vsync = false;
    config.debug_output = false;
    config.time_source = [ns = uint64_t{0}]() mutable { return ns += 16'666'667u; };
    return config;
}

SimulationTick make_tick(uint32_t number, float dt, bool fixed, float share) {
    SimulationTick tick;
    tick.delta_time = dt;
    tick.fixed_delta_time = dt;
    tick.fixed_time_accumulated = share * dt;
    tick.time = static_cast<float>(number) * dt;
    tick.application_time = tick.time;
    tick.fixed_time = tick.time;
    tick.tick = number;
    tick.fixed_tick = number;
    tick.run_simulation_tick = 1;
    tick.run_simulation_tick_fixed = fixed ? 1 : 0;
    return tick;
}

SceneHarness::SceneHarness(std::function<void(HarnessScene&)> setup)
    : engine(windowless_config()), scene(std::make_shared<HarnessScene>()) {
    scene->setup = std::move(setup);
    scene->start(engine);
}

SceneHarness::~SceneHarness() { scene->stop(); }

void SceneHarness::tick(float dt, bool fixed, float share) {
    ++ticks;
    scene->engine_tick(make_tick(ticks, dt, fixed, share));
    engine.event_bus().dispatch();
}

StdoutCapture::StdoutCapture() {
    std::fflush(stdout);
    m_saved = dup(fileno(stdout));
    const std::string file = (m_dir.path() / "stdout.txt").string();
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (m_saved < 0 || fd < 0) {
        throw std::runtime_error("StdoutCapture: cannot redirect standard output");
    }
    dup2(fd, fileno(stdout));
    close(fd);
}

StdoutCapture::~StdoutCapture() {
    if (m_saved >= 0) {
        finish();
    }
}

std::string StdoutCapture::finish() {
    if (m_saved >= 0) {
        std::fflush(stdout);
        dup2(m_saved, fileno(stdout));
        close(m_saved);
        m_saved = -1;
    }
    return read_file(m_dir.path() / "stdout.txt");
}

AssetsWorkingDir::AssetsWorkingDir() : m_previous(std::filesystem::current_path()) {
    std::filesystem::create_symlink(PELLMAR_ASSETS_BIN, m_dir.path() / "assets.bin");
    std::filesystem::current_path(m_dir.path());
}

AssetsWorkingDir::~AssetsWorkingDir() {
    std::error_code ec;
    std::filesystem::current_path(m_previous, ec);
}

std::vector<std::string> log_messages(const std::string& capture) {
    std::vector<std::string> out;
    std::istringstream lines(capture);
    std::string line;
    while (std::getline(lines, line)) {
        // Drop colour escapes.
        std::string plain;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\033') {
                while (i < line.size() && line[i] != 'm') {
                    ++i;
                }
                continue;
            }
            plain.push_back(line[i]);
        }
        // "[Category]" then padding, then the message.
        const size_t close = plain.find(']');
        std::string message = close == std::string::npos ? plain : plain.substr(close + 1);
        const size_t start = message.find_first_not_of(' ');
        out.push_back(start == std::string::npos ? std::string() : message.substr(start));
    }
    return out;
}

} // namespace test_support
