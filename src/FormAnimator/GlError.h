#pragma once
// Classes: EGlError.
//
// OpenGL errors and offscreen-surface failures.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace FormAnimator {

class EGlError : public std::runtime_error {
public:
    explicit EGlError(const std::string& Message) : std::runtime_error(Message) {}
    // The message for a glGetError code: "Invalid enum value (GL_INVALID_ENUM)"
    // and so on, "Unknown error ($<hex>)" for codes without a name.
    static EGlError FromCode(uint32_t Code) { return EGlError(MessageFor(Code)); }
    static std::string MessageFor(uint32_t Code);
};

// One glGetError: raises EGlError for a pending code.
void CheckGlError();

} // namespace FormAnimator
