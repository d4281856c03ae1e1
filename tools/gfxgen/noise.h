#pragma once
// Seeded noise. Everything is a pure function of its seed, so the artwork is the same on
// every run and every machine.

#include <cstdint>

#include "plane.h"

namespace gfxgen {

// splitmix64: a small, well-mixed generator; one instance per texture, seeded by a constant.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next();
    // Uniform in [0, 1).
    float uniform() { return static_cast<float>(next() >> 40) * (1.0f / 16777216.0f); }
    // Uniform in [-1, 1).
    float signedUniform() { return uniform() * 2.0f - 1.0f; }

private:
    uint64_t state_;
};

// A hash of lattice point (x, y) to [-1, 1).
float latticeNoise(int x, int y, uint32_t seed);
// Smoothly interpolated lattice noise with cells of the given size in pixels.
float valueNoise(float x, float y, float cell, uint32_t seed);

// White noise blurred along x only, scaled to unit standard deviation: the streaks of metal
// brushed horizontally. Streaks wrap around at the left and right edges.
Plane brushedStreaks(int w, int h, int streakRadius, uint32_t seed);

// Rescales a plane to zero mean and unit standard deviation (a constant plane becomes 0).
void normalise(Plane& p);

}  // namespace gfxgen
