#include "Engine/Log.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr std::string_view kCategoryNames[LogCategoryCount] = {
    "Launch", "Event", "Assets", "Entity", "Render", "Engine", "Scene", "System", "Game", "Sprite", "Physics", "Test",
};

constexpr std::string_view kLevelEscapes[6] = {
    "\x1b[94m", "\x1b[34m", "\x1b[90m", "\x1b[39m", "\x1b[93m", "\x1b[31m",
};

std::vector<LogScope>& scope_stack() {
    static std::vector<LogScope> stack;
    return stack;
}

} // namespace

std::string_view log_category_name(int32_t category) {
    if (category < 0 || category >= LogCategoryCount) {
        return "?";
    }
    return kCategoryNames[category];
}

void log_push(int32_t level, int32_t category, int32_t indent_step) {
    auto& stack = scope_stack();
    int32_t base = stack.empty() ? 0 : stack.back().indent;
    stack.push_back(LogScope{level, category, base + indent_step, 0});
}

void log_pop() {
    auto& stack = scope_stack();
    if (!stack.empty()) {
        stack.pop_back();
    }
}

size_t log_depth() { return scope_stack().size(); }

void log_message(const char* file, int line, std::string_view message) {
    auto& stack = scope_stack();
    // A line logged before any scope exists still prints, as ordinary launch information.
    LogScope scope = stack.empty() ? LogScope{LogLevelInfo, LogLaunch, 0, 0} : stack.back();
    int32_t level = scope.level < 0 ? 0 : (scope.level > 5 ? 5 : scope.level);
    std::string_view name = log_category_name(scope.category);

    std::string out;
    out.reserve(message.size() + 32);
    out += kLevelEscapes[level];
    out += '[';
    out += name;
    out += ']';
    int32_t spaces = scope.indent - static_cast<int32_t>(name.size()) + 6;
    if (spaces > 0) {
        out.append(static_cast<size_t>(spaces), ' ');
    }
    out += message;
    if (scope.show_location) {
        out += fmt::format("{}:{}", file, line);
    }
    out += '\n';
    std::fwrite(out.data(), 1, out.size(), stdout);
}
