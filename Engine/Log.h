#pragma once
// Coloured, indented log lines on standard output under a global stack of scopes.

#include <cstdint>
#include <string_view>
#include <utility>

#include <fmt/format.h>

enum LogLevel : int32_t {
    LogLevelTrace = 0,
    LogLevelDebug = 1,
    LogLevelVerbose = 2,
    LogLevelInfo = 3,
    LogLevelWarning = 4,
    LogLevelError = 5,
};

enum LogCategory : int32_t {
    LogLaunch = 0,
    LogEvent,
    LogAssets,
    LogEntity,
    LogRender,
    LogEngine,
    LogScene,
    LogSystem,
    LogGame,
    LogSprite,
    LogPhysics,
    LogTest,
    LogCategoryCount,
};

struct LogScope {
    int32_t level;
    int32_t category;
    int32_t indent;
    uint8_t show_location;
};

std::string_view log_category_name(int32_t category);

void log_push(int32_t level, int32_t category, int32_t indent_step);
void log_pop();
// Depth of the scope stack; lets tests and guards check balance.
size_t log_depth();

void log_message(const char* file, int line, std::string_view message);

template <typename... Args>
void log_format(const char* file, int line, fmt::format_string<Args...> format, Args&&... args) {
    log_message(file, line, fmt::format(format, std::forward<Args>(args)...));
}

// Pushes a scope for the lifetime of the object, so early returns still pop it.
struct LogGuard {
    LogGuard(int32_t level, int32_t category, int32_t indent_step) { log_push(level, category, indent_step); }
    ~LogGuard() { log_pop(); }
    LogGuard(const LogGuard&) = delete;
    LogGuard& operator=(const LogGuard&) = delete;
};

#define LOGF(...) ::log_format(__FILE__, __LINE__, __VA_ARGS__)
