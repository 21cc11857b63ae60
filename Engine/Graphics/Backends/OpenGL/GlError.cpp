#include "Engine/Graphics/Backends/OpenGL/GlError.h"

#include <cstdio>

#include <epoxy/gl.h>

void gl_report_errors(const char* file, int line, const char* call) {
    GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        std::printf("OpenGL error\n\tCode: %d\n\tIn: %s:%d\n\tHere: %s\n", static_cast<int>(error), file, line, call);
    }
}
