#include <cstdio>
#include <exception>

#include <unistd.h>

#include "Engine/Engine/EngineConfig.h"
#include "Engine/Log.h"

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
        (void)config;
        LOGF("Exiting main");
    } catch (const std::exception& error) {
        log_push(LogLevelError, LogLaunch, 0);
        LOGF("Fatal error: {}", error.what());
        log_pop();
        result = 1;
    }

    log_pop();
    return result;
}
