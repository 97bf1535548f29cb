#pragma once

#include <exception>
#include <string>

namespace FormAnimator {

// The message of a caught exception; "unknown error" for one that is no
// std::exception.
std::string Describe(std::exception_ptr failure);

} // namespace FormAnimator
