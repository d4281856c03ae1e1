#pragma once
// Float images used while drawing the artwork, before it is quantised to 8 bits.

#include <algorithm>
#include <cstdint>
#include <vector>

namespace gfxgen {

// One channel of w x h floats, rows top to bottom.
struct Plane {
    int w = 0, h = 0;
    std::vector<float> v;

    Plane() = default;
    Plane(int width, int height, float fill = 0.0f)
        : w(width), h(height), v(static_cast<size_t>(width) * height, fill) {}

    float& at(int x, int y) { return v[static_cast<size_t>(y) * w + x]; }
    float at(int x, int y) const { return v[static_cast<size_t>(y) * w + x]; }
    // Clamped to the edges.
    float clampedAt(int x, int y) const {
        return at(std::clamp(x, 0, w - 1), std::clamp(y, 0, h - 1));
    }
    // Bilinear, pixel centres at i + 0.5, clamped to the edges.
    float sample(float x, float y) const;
};

struct Rgb {
    float r = 0, g = 0, b = 0;
};
constexpr Rgb operator*(Rgb c, float k) {
    return {c.r * k, c.g * k, c.b * k};
}
constexpr Rgb operator+(Rgb a, Rgb b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
constexpr Rgb mix(Rgb a, Rgb b, float t) {
    return a * (1.0f - t) + b * t;
}

// Three planes holding a colour picture (0..255 floats).
struct RgbPlanes {
    Plane r, g, b;
    RgbPlanes() = default;
    RgbPlanes(int w, int h, Rgb fill = {}) : r(w, h, fill.r), g(w, h, fill.g), b(w, h, fill.b) {}
    int width() const { return r.w; }
    int height() const { return r.h; }
    Rgb at(int x, int y) const { return {r.at(x, y), g.at(x, y), b.at(x, y)}; }
    void set(int x, int y, Rgb c) {
        r.at(x, y) = c.r;
        g.at(x, y) = c.g;
        b.at(x, y) = c.b;
    }
    void blend(int x, int y, Rgb c, float a) { set(x, y, mix(at(x, y), c, a)); }
};

// An 8-bit picture as written to a PNG file: 3 (RGB) or 4 (RGBA) channels.
struct Image8 {
    int w = 0, h = 0, channels = 4;
    std::vector<uint8_t> px;

    Image8() = default;
    Image8(int width, int height, int ch)
        : w(width), h(height), channels(ch), px(static_cast<size_t>(width) * height * ch, 0) {}
    uint8_t* at(int x, int y) { return &px[(static_cast<size_t>(y) * w + x) * channels]; }
    const uint8_t* at(int x, int y) const {
        return &px[(static_cast<size_t>(y) * w + x) * channels];
    }
};

// Rounds and saturates a 0..255 float to a byte.
inline uint8_t toByte(float v) {
    const float r = v + 0.5f;
    if (!(r > 0.0f)) return 0;
    if (r >= 255.0f) return 255;
    return static_cast<uint8_t>(r);
}

// Separable Gaussian blur with clamped edges (sigma in pixels).
Plane gaussianBlur(const Plane& src, float sigma);
// Box blur along x only, repeated; the kernel is 2 * radius + 1 wide, edges wrap so that a
// streak texture has no seam at either end.
Plane boxBlurX(const Plane& src, int radius, int passes);

}  // namespace gfxgen
