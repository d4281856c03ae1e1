#include "panelmaps.h"

#include <cmath>

namespace gfxgen {

float bevelProfile(Bevel kind, float t) {
    switch (kind) {
        case Bevel::linear:
            return t;
        case Bevel::smooth:
            return t * t * (3 - 2 * t);
        case Bevel::round:
            return std::sqrt(std::max(0.0f, 1.0f - (1.0f - t) * (1.0f - t)));
    }
    return t;
}

void encodeHeight(float height, uint8_t rgb[3]) {
    const long sum = std::clamp(std::lround(height * 765.0 / 65535.0), 0L, 765L);
    const int q = static_cast<int>(sum / 3), r = static_cast<int>(sum % 3);
    rgb[0] = static_cast<uint8_t>(q + (r > 0 ? 1 : 0));
    rgb[1] = static_cast<uint8_t>(q + (r > 1 ? 1 : 0));
    rgb[2] = static_cast<uint8_t>(q);
}

int decodeHeight(const uint8_t rgb[3]) {
    return (rgb[0] + rgb[1] + rgb[2]) * 257 / 3;
}

PanelMaps::PanelMaps(int w, int h, const Surface& base, float baseHeight)
    : albedo(w, h, base.albedo),
      emission(w, h, base.emission),
      rough(w, h, base.rough),
      metal(w, h, base.metal),
      spec(w, h, base.spec),
      height(w, h, baseHeight) {}

void PanelMaps::blendSurface(int x, int y, const Surface& s, float a) {
    albedo.blend(x, y, s.albedo, a);
    auto mixInto = [a](float& dst, float v) { dst += (v - dst) * a; };
    mixInto(emission.at(x, y), s.emission);
    mixInto(rough.at(x, y), s.rough);
    mixInto(metal.at(x, y), s.metal);
    mixInto(spec.at(x, y), s.spec);
}

void PanelMaps::paintCoverage(const Plane& cov, const Surface& s, float opacity) {
    for (int y = 0; y < heightPx(); ++y)
        for (int x = 0; x < width(); ++x) {
            const float a = cov.at(x, y) * opacity;
            if (a > 0) blendSurface(x, y, s, std::min(a, 1.0f));
        }
}

Image8 PanelMaps::encodeAlbedo() const {
    Image8 out(width(), heightPx(), 4);
    for (int y = 0; y < heightPx(); ++y)
        for (int x = 0; x < width(); ++x) {
            uint8_t* p = out.at(x, y);
            const Rgb c = albedo.at(x, y);
            p[0] = toByte(c.r), p[1] = toByte(c.g), p[2] = toByte(c.b), p[3] = 255;
        }
    return out;
}

Image8 PanelMaps::encodeEmission() const {
    Image8 out(width(), heightPx(), 4);
    for (int y = 0; y < heightPx(); ++y)
        for (int x = 0; x < width(); ++x) {
            uint8_t* p = out.at(x, y);
            p[0] = p[1] = p[2] = toByte(emission.at(x, y));
            p[3] = 255;
        }
    return out;
}

Image8 PanelMaps::encodeMaterial() const {
    Image8 out(width(), heightPx(), 4);
    for (int y = 0; y < heightPx(); ++y)
        for (int x = 0; x < width(); ++x) {
            uint8_t* p = out.at(x, y);
            p[0] = toByte(rough.at(x, y));
            p[1] = toByte(metal.at(x, y));
            p[2] = toByte(spec.at(x, y));
            p[3] = 255;
        }
    return out;
}

Image8 PanelMaps::encodeHeightMap() const {
    Image8 out(width(), heightPx(), 4);
    for (int y = 0; y < heightPx(); ++y)
        for (int x = 0; x < width(); ++x) {
            uint8_t* p = out.at(x, y);
            encodeHeight(height.at(x, y), p);
            p[3] = 255;
        }
    return out;
}

}  // namespace gfxgen
