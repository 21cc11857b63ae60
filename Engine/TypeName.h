#pragma once
// Readable type names for log lines: "PlayerInputScheme", not the ABI's "17PlayerInputScheme".

#include <string>
#include <typeinfo>

// The demangled form of a std::type_info name; the name itself when it cannot be demangled.
std::string demangle_type_name(const char* mangled);

template <typename T>
std::string type_name() {
    return demangle_type_name(typeid(T).name());
}
