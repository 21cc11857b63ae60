#include "Engine/Assert.h"

#include <cstdio>
#include <cstdlib>

void pellmar_assert_failed(const char* condition, const char* message, const char* file, int line) {
    // Standard output may be a buffered log file; the failure goes where it cannot be lost.
    std::fflush(stdout);
    std::fprintf(stderr, "Assertion failed: %s (%s) at %s:%d\n", message, condition, file, line);
    std::fflush(stderr);
    std::abort();
}
