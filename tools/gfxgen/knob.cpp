#include "knob.h"

#include <cmath>

#include "brindlewave/editorlayout.h"
#include "noise.h"
#include "shading.h"
#include "shapes.h"

namespace gfxgen {

namespace {

constexpr float kPi = 3.14159265358979f;

// Radii in pixels from the knob's centre.
constexpr float kCapRadius = 12.6f;   // brushed metal cap
constexpr float kCapEdge = 13.2f;     // cap chamfer ends, dark groove begins
constexpr float kRingRadius = 13.7f;  // top ring of the body
constexpr float kShoulder = 15.2f;    // top ring rounds off into the skirt
constexpr float kBodyRadius = 18.5f;  // outer edge of the fluted skirt
constexpr int kRidges = 28;

constexpr float kShadowAlpha = 110.0f / 255.0f;
constexpr float kShadowSigma = 2.0f;
constexpr float kShadowDx = 1.0f, kShadowDy = 2.0f;

struct KnobSample {
    float height;  // in pixels
    int zone;      // 0 cap, 1 groove, 2 body
};

// Height of the knob at radius r and angle psi (radians, relative to the pointer).
KnobSample knobHeight(float r, float psi) {
    if (r < kCapRadius) return {7.0f - 0.004f * r * r, 0};
    if (r < kCapEdge) {
        const float t = (r - kCapRadius) / (kCapEdge - kCapRadius);
        return {7.0f - 0.004f * kCapRadius * kCapRadius - 1.1f * t * t, 0};
    }
    if (r < kRingRadius) return {5.3f, 1};
    if (r < kShoulder) return {5.9f, 2};
    // Fluted cone: the shoulder rounds off, then the flutes run down to the edge.
    const float t = std::min((r - kShoulder) / (kBodyRadius - kShoulder), 1.0f);
    const float cone = 5.9f - 4.0f * std::pow(t, 1.35f);
    const float flute = std::pow(0.5f + 0.5f * std::cos(kRidges * psi), 2.0f);
    const float fluteDepth = 0.9f * smoothstep(0.0f, 0.2f, t);
    return {cone - fluteDepth * flute, 2};
}

Rgb sampleSky(const RgbPlanes& sky, Vec3 r) {
    float sx, sy;
    skyCoordinates(r, sky.width(), sky.height(), sx, sy);
    return {sky.r.sample(sx, sy), sky.g.sample(sx, sy), sky.b.sample(sx, sy)};
}

struct Shaded {
    Rgb colour;
    bool inside;
};

Shaded shadeKnob(float dx, float dy, float pointer, const RgbPlanes& sky,
                 const EditorLights& lights, Vec3 eye) {
    const float r = std::hypot(dx, dy);
    if (r >= kBodyRadius) return {{}, false};
    // Angles clockwise from 12 o'clock; the screen's y grows downward.
    const float phi = std::atan2(dx, -dy);
    const KnobSample s = knobHeight(r, phi - pointer);
    const float e = 0.2f;
    auto h = [&](float x, float y) {
        return knobHeight(std::hypot(x, y), std::atan2(x, -y) - pointer).height;
    };
    const float gx = (h(dx + e, dy) - h(dx - e, dy)) / (2 * e);
    const float gy = (h(dx, dy + e) - h(dx, dy - e)) / (2 * e);
    const Vec3 n = normalize({-gx, gy, 1.0f});

    Vec3 albedo;
    Material m;
    float lit = 1.0f;
    if (s.zone == 0) {
        // Concentric brushing: rings of slightly different brightness and roughness.
        const float ring = valueNoise(r * 9.0f, 0.5f, 1.0f, 71) * 0.6f +
                           valueNoise(r * 31.0f, 3.5f, 1.0f, 72) * 0.4f;
        const float k = 1.0f + 0.06f * ring;
        albedo = Vec3{0.74f, 0.75f, 0.77f} * k;
        m = {0.30f + 0.05f * ring, 0.85f, 0.45f};
    } else if (s.zone == 1) {
        albedo = {0.09f, 0.09f, 0.10f};
        m = {0.8f, 0.0f, 0.1f};
        lit = 0.4f;
    } else {
        albedo = {0.30f, 0.305f, 0.32f};
        m = {0.40f, 0.35f, 0.55f};
    }
    // The oblique light grazes in from the upper left and upper right; on the panel it only
    // shows through cast shadows, on a knob it also falls off on the sides facing away.
    const Vec3 ul = normalize({-1.0f, 1.0f, 0.9f}), ur = normalize({1.0f, 1.0f, 0.9f});
    const float grazing =
        (std::max(0.0f, dot(n, ul)) + 0.7f * std::max(0.0f, dot(n, ur))) / (1.7f * ul.z);
    lit *= std::min(grazing, 1.3f);
    const Rgb skyRgb = sampleSky(sky, reflect(eye, n));
    Vec3 out = shadeSurface(lights, albedo, m, n, eye, {skyRgb.r, skyRgb.g, skyRgb.b}, lit);

    if (s.zone == 0) {
        // Brushed metal glints across its grain: lobes along the light's half vectors.
        const Vec3 radial = normalize({dx, -dy, 0.0f});
        const Vec3 tangent{-radial.y, radial.x, 0.0f};
        auto lobe = [&](Vec3 light, float power) {
            const Vec3 hv = normalize(eye + light);
            const float th = dot(tangent, hv);
            return std::pow(std::max(0.0f, 1.0f - th * th), power * 0.5f);
        };
        const float specLobe = lobe(lights.l3Dir, 40.0f) * 0.45f;
        const float keyLobe = lobe(lights.l2Dir, 16.0f) * 0.22f;
        out = out + Vec3{albedo.x * (lights.l3Colour.x * specLobe * 4.0f + keyLobe),
                         albedo.y * (lights.l3Colour.y * specLobe * 4.0f + keyLobe),
                         albedo.z * (lights.l3Colour.z * specLobe * 4.0f + keyLobe)};
    }
    return {{out.x * 255.0f, out.y * 255.0f, out.z * 255.0f}, true};
}

// The pointer line on the cap: 2 px wide from r = 4 to 12, in the accent green.
float pointerDistance(float dx, float dy, float pointer) {
    const float ux = std::sin(pointer), uy = -std::cos(pointer);
    return sdSegment(dx, dy, ux * 4.0f, uy * 4.0f, ux * 11.5f, uy * 11.5f, 1.0f);
}

}  // namespace

Image8 makeKnobFilmstrip(int size, int frames, const RgbPlanes& sky) {
    const EditorLights lights;
    const Vec3 eye = eyeVector(500.0f, 420.0f);
    const Rgb accent{103, 218, 108};
    const float centre = size * 0.5f;
    constexpr int kSub = 6;
    Image8 strip(size, size * frames, 4);
    for (int f = 0; f < frames; ++f) {
        const float pointer =
            brindlewave::layout::kKnobStartDegrees * kPi / 180.0f +
            brindlewave::layout::kKnobSweepDegrees * kPi / 180.0f * f / (frames - 1);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                Rgb sum;
                int inside = 0;
                float pointerCover = 0;
                for (int sy = 0; sy < kSub; ++sy)
                    for (int sx = 0; sx < kSub; ++sx) {
                        const float dx = x + (sx + 0.5f) / kSub - centre;
                        const float dy = y + (sy + 0.5f) / kSub - centre;
                        const Shaded s = shadeKnob(dx, dy, pointer, sky, lights, eye);
                        if (!s.inside) continue;
                        ++inside;
                        sum = sum + s.colour;
                        if (pointerDistance(dx, dy, pointer) < 0) pointerCover += 1;
                    }
                const float dx = x + 0.5f - centre, dy = y + 0.5f - centre;
                const float c = inside / float(kSub * kSub);
                Rgb colour = inside > 0 ? sum * (1.0f / inside) : Rgb{};
                // Pointer and its faint halo, lit from within.
                const float pc = pointerCover / (kSub * kSub);
                const float dist = pointerDistance(dx, dy, pointer) + 1.0f;
                const float halo = std::hypot(dx, dy) < kCapRadius
                                       ? 0.30f * std::exp(-0.5f * dist * dist / (1.3f * 1.3f))
                                       : 0.0f;
                colour = colour + accent * halo;
                colour = mix(colour, accent, pc / std::max(c, 1e-6f));
                // Soft drop shadow, down and to the right, under the knob.
                const float sr = std::hypot(dx - kShadowDx, dy - kShadowDy) - kBodyRadius + 0.5f;
                const float shadow =
                    kShadowAlpha * 0.5f * std::erfc(sr / (kShadowSigma * 1.41421356f));
                float alpha = c + shadow * (1.0f - c);
                if (alpha > 0) colour = colour * (c / alpha);
                // Nothing may show outside the disc that is the knob's hit area.
                alpha *= 1.0f - smoothstep(21.0f, 22.4f, std::hypot(dx, dy));
                uint8_t* p = strip.at(x, f * size + y);
                p[0] = toByte(colour.r), p[1] = toByte(colour.g), p[2] = toByte(colour.b);
                p[3] = toByte(alpha * 255.0f);
            }
    }
    return strip;
}

}  // namespace gfxgen
