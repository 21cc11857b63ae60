#pragma once
// Every GL call is followed by an error query; a failure prints one report and work continues.

#include <cstdint>

void gl_report_errors(const char* file, int line, const char* call);

template <typename T>
T gl_checked(T value, const char* file, int line, const char* call) {
    gl_report_errors(file, line, call);
    return value;
}

#define GL_CALL(call)                                                                                                  \
    do {                                                                                                               \
        call;                                                                                                          \
        ::gl_report_errors(__FILE__, __LINE__, #call);                                                                 \
    } while (0)

#define GL_CALL_RET(call) ::gl_checked((call), __FILE__, __LINE__, #call)
