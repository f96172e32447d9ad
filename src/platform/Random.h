#pragma once

#include <cstdint>
#include <random>

// Uniform random integers for training. The draw is our own (rejection sampling on a Mersenne
// twister) rather than a library distribution, so a seeded source gives the same numbers with
// every compiler and library, which is what lets tests replay a training session.

namespace marvek {

class TRandomSource {
public:
    explicit TRandomSource(uint32_t seed = 5489u) : itsEngine(seed) {}

    void Seed(uint32_t seed) { itsEngine.seed(seed); }
    // A uniformly chosen integer from low to high, both included; low when high < low.
    int Between(int low, int high);

private:
    std::mt19937 itsEngine;
};

// The program's source, seeded from the system at start. Tests call Seed() on it.
TRandomSource& RandomSource();

} // namespace marvek
