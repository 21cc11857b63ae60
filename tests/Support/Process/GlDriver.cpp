// Linked into every test program (not through the support library, whose unused objects the linker drops).
//
// SDL loads Mesa's EGL and software driver when a window opens and unloads them when the video subsystem
// quits. The driver keeps a few allocations until the process ends and runs threads of its own; once it is
// unloaded the sanitizers can no longer name its frames, so its leaks and its internal races would show up as
// unnamed reports. Loading it here, once, for the life of the process keeps every report named: the
// suppressions below then name the driver's libraries only, and every frame of our code is still checked.

#include <initializer_list>

#include <dlfcn.h>

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libEGL_mesa.so\n"
           "leak:libEGL.so\n"
           "leak:swrast_dri.so\n"
           "leak:libgallium\n"
           "leak:libLLVM\n";
}

namespace {

const bool g_driver_loaded = [] {
    for (const char* library : {"libEGL.so.1", "libEGL_mesa.so.0", "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"}) {
        dlopen(library, RTLD_NOW | RTLD_NODELETE);
    }
    return true;
}();

} // namespace

// The software driver's own threads race with each other inside the driver, most at context teardown. Only
// calls made from the driver's libraries are ignored (each name matches exactly one library); every access
// that comes from our code, including our calls into GL, is still checked.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:swrast_dri.so\n"
           "called_from_lib:libEGL_mesa.so.0\n"
           "called_from_lib:libglapi.so.0\n"
           "called_from_lib:libLLVM-15.so.1\n";
}
