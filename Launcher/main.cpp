#include <cstdio>
#include <exception>

#include <unistd.h>

#include "Engine/Engine/Engine.h"
#include "Engine/Engine/EngineConfig.h"
#include "Engine/Engine/Interrupt.h"
#include "Engine/Log.h"
#include "Game/Scenes/GameInit.h"

namespace {

// Both streams go to one "game.log": one open file shared through dup2, so the two streams never
// overwrite each other, and line-buffered so nothing is lost when the process ends on an error.
void redirect_output_to_log() {
    if (std::freopen("game.log", "w", stdout) == nullptr) {
        return;
    }
    std::fflush(stderr);
    dup2(fileno(stdout), fileno(stderr));
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}

} // namespace

int main(int, char**) {
    redirect_output_to_log();
    install_interrupt_handler();
    log_push(LogLevelInfo, LogLaunch, 1);
    LOGF("Hi");

    int result = 0;
    try {
        EngineConfig config;
        config.title = "Pellmar";
        config.width = 1280;
        config.height = 720;
        config.vsync = true;
        config.debug_output = true;
        config.has_window = true;
        Engine engine(config);

        result = init_game(engine);
        if (result != 0) {
            log_push(LogLevelError, LogLaunch, 0);
            LOGF("Game init error {}", result);
            log_pop();
        } else {
            engine.run();
            LOGF("Exiting main");
        }
    } catch (const std::exception& error) {
        log_push(LogLevelError, LogLaunch, 0);
        LOGF("Fatal error: {}", error.what());
        log_pop();
        result = 1;
    } catch (...) {
        log_push(LogLevelError, LogLaunch, 0);
        LOGF("Fatal error: unknown exception");
        log_pop();
        result = 1;
    }

    log_pop();
    return result;
}
