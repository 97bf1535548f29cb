#pragma once
// Classes: RandomGenerator.
//
// The program-wide pseudo-random generator: one object, seeded once from the
// clock at start-up, or with a fixed seed by tests that need repeatable draws.

#include <cstdint>
#include <random>

namespace platform {

class RandomGenerator {
public:
    void Seed(uint32_t seed) { engine_.seed(seed); }
    void SeedFromClock();
    // Uniform over 0 .. n - 1; 0 when n <= 0.
    int Next(int n) { return n <= 0 ? 0 : int((uint64_t(engine_()) * uint32_t(n)) >> 32); }
    // Uniform over [0, 1).
    double NextReal() { return engine_() * (1.0 / 4294967296.0); }

private:
    std::mt19937 engine_{5489u};
};

RandomGenerator& ProgramRandom();

inline int Random(int n) { return ProgramRandom().Next(n); }
inline double Random() { return ProgramRandom().NextReal(); }

} // namespace platform
