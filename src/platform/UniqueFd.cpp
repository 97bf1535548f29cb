#include "UniqueFd.h"

#include <unistd.h>

namespace platform {

int UniqueFd::Close() noexcept
{
    const int fd = Release();
    return fd >= 0 ? ::close(fd) : 0;
}

} // namespace platform
