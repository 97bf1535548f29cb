#include "Random.h"

#include <chrono>

namespace platform {

void RandomGenerator::SeedFromClock()
{
    Seed(uint32_t(std::chrono::system_clock::now().time_since_epoch().count()));
}

RandomGenerator& ProgramRandom()
{
    static RandomGenerator generator;
    return generator;
}

} // namespace platform
