#pragma once
// A property a fuzz target holds for every input. A broken one prints what broke and aborts, which libFuzzer
// reports as a finding with the input that caused it; unlike an assert, no build setting turns it off.

#include <cstdio>
#include <cstdlib>
#include <string_view>

inline void fuzz_check(bool holds, std::string_view property, std::string_view detail = {}) {
    if (holds) {
        return;
    }
    std::fprintf(stderr, "fuzz check failed: %.*s\n", static_cast<int>(property.size()), property.data());
    if (!detail.empty()) {
        std::fprintf(stderr, "  %.*s\n", static_cast<int>(detail.size()), detail.data());
    }
    std::abort();
}
