#pragma once
// Programmer errors that would otherwise corrupt memory silently stop the program in checked builds:
// Debug and both sanitizer presets (those build RelWithDebInfo, which defines NDEBUG, so the standard
// assert would be off there). In Release the condition is not evaluated at all.

#ifdef PELLMAR_CHECKED
inline constexpr bool kPellmarAssertsOn = true;
#else
inline constexpr bool kPellmarAssertsOn = false;
#endif

// Prints "Assertion failed: <message> (<condition>) at <file>:<line>" to standard error and aborts.
[[noreturn]] void pellmar_assert_failed(const char* condition, const char* message, const char* file, int line);

#ifdef PELLMAR_CHECKED
#define PELLMAR_ASSERT(condition, message)                                                                             \
    (static_cast<bool>(condition) ? static_cast<void>(0)                                                               \
                                  : ::pellmar_assert_failed(#condition, message, __FILE__, __LINE__))
#else
// sizeof keeps the condition compiled (names stay checked, no unused warnings) without evaluating it.
#define PELLMAR_ASSERT(condition, message) static_cast<void>(sizeof(static_cast<bool>(condition)))
#endif
