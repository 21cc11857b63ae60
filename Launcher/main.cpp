#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include <fmt/format.h>

#include "Engine/Engine/Engine.h"
#include "Engine/Engine/EngineConfig.h"
#include "Engine/Engine/Interrupt.h"
#include "Engine/Log.h"
#include "Game/Scenes/GameInit.h"

namespace {

// Where a person sees a failure: the terminal the game was started from, kept aside before the log takes
// standard output and standard error. -1 when the log itself is on the terminal.
int g_terminal = -1;

// Both streams go to one "game.log": one open file shared through dup2, so the two streams never
// overwrite each other, and line-buffered so nothing is lost when the process ends on an error.
// When the file cannot be made (read-only directory, full disk) the output stays on the terminal.
void redirect_output_to_log() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int log = open("game.log", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (log < 0) {
        std::fprintf(stderr, "Cannot open game.log: %s; the log goes to the terminal\n", std::strerror(errno));
        return;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    g_terminal = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    dup2(log, STDOUT_FILENO);
    dup2(log, STDERR_FILENO);
    close(log);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}

// A failure the game went on from: already in the log, so only the terminal still needs the line.
void report_to_terminal(std::string_view line) {
    if (g_terminal >= 0) {
        std::string out = fmt::format("pellmar: {}\n", line);
        ssize_t ignored = write(g_terminal, out.data(), out.size());
        (void)ignored;
    }
}

// An error line for the log and, when the log is a file, the same line on the terminal.
void report_error(const std::string& line) {
    log_push(LogLevelError, LogLaunch, 0);
    LOGF("{}", line);
    log_pop();
    if (g_terminal >= 0) {
        std::string out = fmt::format("pellmar: {} (log: game.log)\n", line);
        ssize_t ignored = write(g_terminal, out.data(), out.size());
        (void)ignored;
    }
}

} // namespace

int main(int, char**) {
    redirect_output_to_log();
    install_interrupt_handler(g_terminal >= 0 ? g_terminal : STDERR_FILENO);
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
        config.report_failure = [](std::string_view line) { report_to_terminal(line); };
        Engine engine(config);

        result = init_game(engine);
        if (result != 0) {
            report_error(fmt::format("Game init error {}", result));
        } else {
            engine.run();
            LOGF("Exiting main");
        }
    } catch (const std::exception& error) {
        report_error(fmt::format("Fatal error: {}", error.what()));
        result = 1;
    } catch (...) {
        report_error("Fatal error: unknown exception");
        result = 1;
    }

    log_pop();
    return result;
}
