#include "Engine/TypeName.h"

#include <cstdlib>
#include <memory>

#include <cxxabi.h>

std::string demangle_type_name(const char* mangled) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(mangled);
}
