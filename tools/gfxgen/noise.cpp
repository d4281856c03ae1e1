#include "noise.h"

#include <cmath>

namespace gfxgen {

uint64_t Rng::next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

float latticeNoise(int x, int y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 0x8DA6B343u ^ static_cast<uint32_t>(y) * 0xD8163841u ^
                 seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return static_cast<float>(h >> 8) * (2.0f / 16777216.0f) - 1.0f;
}

float valueNoise(float x, float y, float cell, uint32_t seed) {
    const float fx = x / cell, fy = y / cell;
    const int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
    float tx = fx - ix, ty = fy - iy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const float a = latticeNoise(ix, iy, seed), b = latticeNoise(ix + 1, iy, seed);
    const float c = latticeNoise(ix, iy + 1, seed), d = latticeNoise(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

void normalise(Plane& p) {
    double sum = 0, sq = 0;
    for (float x : p.v) sum += x;
    const double mean = sum / p.v.size();
    for (float x : p.v) sq += (x - mean) * (x - mean);
    const double sd = std::sqrt(sq / p.v.size());
    for (float& x : p.v) x = sd > 0 ? static_cast<float>((x - mean) / sd) : 0.0f;
}

Plane brushedStreaks(int w, int h, int streakRadius, uint32_t seed) {
    Rng rng(seed);
    Plane p(w, h);
    for (float& x : p.v) x = rng.signedUniform();
    p = boxBlurX(p, streakRadius, 3);
    normalise(p);
    return p;
}

}  // namespace gfxgen
