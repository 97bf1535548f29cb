#include "GlError.h"

#include <GL/gl.h>

#include <cstdio>

namespace FormAnimator {

std::string EGlError::MessageFor(uint32_t Code)
{
    struct Row {
        uint32_t code;
        const char* message;
    };
    static constexpr Row messages[] = {
        {0x0500, "Invalid enum value (GL_INVALID_ENUM)"},
        {0x0501, "Value out of range (GL_INVALID_VALUE)"},
        {0x0502, "Operation not allowed (GL_INVALID_OPERATION)"},
        {0x0503, "Stack overflow (GL_STACK_OVERFLOW)"},
        {0x0504, "Stack underflow (GL_STACK_UNDERFLOW)"},
        {0x0505, "Out of memory (GL_OUT_OF_MEMORY)"},
    };
    for (const Row& row : messages)
        if (row.code == Code)
            return row.message;
    char text[40];
    std::snprintf(text, sizeof text, "Unknown error ($%X)", static_cast<unsigned>(Code));
    return text;
}

void CheckGlError()
{
    GLenum code = glGetError();
    if (code != GL_NO_ERROR)
        throw EGlError::FromCode(code);
}

} // namespace FormAnimator
