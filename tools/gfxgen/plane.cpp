#include "plane.h"

#include <cmath>

namespace gfxgen {

float Plane::sample(float x, float y) const {
    const float fx = x - 0.5f, fy = y - 0.5f;
    const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
    const float tx = fx - x0, ty = fy - y0;
    const float top = clampedAt(x0, y0) * (1 - tx) + clampedAt(x0 + 1, y0) * tx;
    const float bottom = clampedAt(x0, y0 + 1) * (1 - tx) + clampedAt(x0 + 1, y0 + 1) * tx;
    return top * (1 - ty) + bottom * ty;
}

namespace {

std::vector<float> gaussianKernel(float sigma) {
    const int radius = std::max(1, static_cast<int>(std::ceil(sigma * 3.0f)));
    std::vector<float> k(2 * radius + 1);
    float sum = 0;
    for (int i = -radius; i <= radius; ++i) {
        k[i + radius] = std::exp(-0.5f * i * i / (sigma * sigma));
        sum += k[i + radius];
    }
    for (float& x : k) x /= sum;
    return k;
}

}  // namespace

Plane gaussianBlur(const Plane& src, float sigma) {
    if (sigma <= 0) return src;
    const std::vector<float> k = gaussianKernel(sigma);
    const int radius = static_cast<int>(k.size() / 2);
    Plane tmp(src.w, src.h), out(src.w, src.h);
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x) {
            float s = 0;
            for (int i = -radius; i <= radius; ++i) s += k[i + radius] * src.clampedAt(x + i, y);
            tmp.at(x, y) = s;
        }
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x) {
            float s = 0;
            for (int i = -radius; i <= radius; ++i) s += k[i + radius] * tmp.clampedAt(x, y + i);
            out.at(x, y) = s;
        }
    return out;
}

Plane boxBlurX(const Plane& src, int radius, int passes) {
    Plane a = src, b(src.w, src.h);
    const float norm = 1.0f / (2 * radius + 1);
    for (int p = 0; p < passes; ++p) {
        for (int y = 0; y < a.h; ++y) {
            float s = 0;
            for (int i = -radius; i <= radius; ++i) s += a.at(((i % a.w) + a.w) % a.w, y);
            for (int x = 0; x < a.w; ++x) {
                b.at(x, y) = s * norm;
                s += a.at((x + radius + 1) % a.w, y) - a.at(((x - radius) % a.w + a.w) % a.w, y);
            }
        }
        std::swap(a, b);
    }
    return a;
}

}  // namespace gfxgen
