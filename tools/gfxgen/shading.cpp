#include "shading.h"

#include <algorithm>

namespace gfxgen {

Vec3 shadeSurface(const EditorLights& L, Vec3 albedo, const Material& m, Vec3 n, Vec3 eye, Vec3 sky,
                  float lit) {
    // Directional light: a half-Lambert term remapped by roughness.
    const float v = 0.5f * dot(n, L.l2Dir) + 0.5f;
    const float r0 = 0.24f - 0.5f * m.rough;
    const float f = (v - r0) / (1.0f - r0);
    // Oblique light: 1.0 when nothing shadows the pixel.
    const Vec3 oblique = L.l1Colour * lit;
    // Specular: Blinn-Phong with an exponent from roughness.
    const Vec3 h = normalize(eye + L.l3Dir);
    const float s = std::max(0.001f, dot(n, h));
    const float exponent = std::exp((1.0f - m.rough) * 5.5f) * 0.8f * 2.8f;
    const float spec =
        (1.0f - 0.5f * m.metal) * (1.0f - m.rough) * 10.0f * std::pow(s, exponent) * m.spec;
    Vec3 out;
    const float* lc[3] = {&L.l2Colour.x, &L.l2Colour.y, &L.l2Colour.z};
    const float* oc[3] = {&oblique.x, &oblique.y, &oblique.z};
    const float* sc[3] = {&L.l3Colour.x, &L.l3Colour.y, &L.l3Colour.z};
    const float* ab[3] = {&albedo.x, &albedo.y, &albedo.z};
    const float* sk[3] = {&sky.x, &sky.y, &sky.z};
    float* o[3] = {&out.x, &out.y, &out.z};
    for (int c = 0; c < 3; ++c) {
        *o[c] = *ab[c] * (L.ambient + *oc[c] + *lc[c] * f + *sc[c] * spec +
                          *sk[c] / 255.0f * m.metal * L.skyAmount);
    }
    return out;
}

float gradeChannel(float v255, float lift, float gamma, float gain, float contrast) {
    const float t = v255 / 255.0f;
    float v = std::clamp(((1 - t) * lift + t) * gain, 0.0f, 1.0f);
    v = std::clamp(std::pow(v, 1.0f / gamma), 0.0f, 1.0f);
    const float smooth = v * v * (3 - 2 * v);
    v = v + (smooth - v) * contrast;
    return v * 255.0f;
}

Rgb gradeColour(Rgb c) {
    return {gradeChannel(c.r, -0.03f, 1.04f, 1.045f, 0.22f),
            gradeChannel(c.g, 0.0f, 0.99f, 0.98f, 0.175f),
            gradeChannel(c.b, 0.13f, 1.0f, 0.965f, 0.245f)};
}

Vec3 heightNormal(const Plane& height, int x, int y) {
    constexpr float kUnitsPerPixel = 4655.0f;
    const float dx = (height.clampedAt(x + 1, y) - height.clampedAt(x - 1, y)) * 0.5f;
    const float dy = (height.clampedAt(x, y + 1) - height.clampedAt(x, y - 1)) * 0.5f;
    // Rising toward the bottom of the picture faces up (y-up frame).
    return normalize({-dx / kUnitsPerPixel, dy / kUnitsPerPixel, 1.0f});
}

}  // namespace gfxgen
