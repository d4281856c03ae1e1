#pragma once
// The editor's lights and an approximation of how its compositor lights a surface. The knobs
// are drawn unlit into the window, so their shading is baked here with the same lights as the
// background; the previews use it to show the maps roughly as the editor will.

#include <cmath>

#include "plane.h"

namespace gfxgen {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};
constexpr Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
constexpr Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
constexpr Vec3 operator*(Vec3 a, float k) {
    return {a.x * k, a.y * k, a.z * k};
}
constexpr float dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 normalize(Vec3 v) {
    const float l = std::sqrt(dot(v, v));
    return l > 0 ? v * (1.0f / l) : Vec3{0, 0, 1};
}

// Light setup of the editor (directions in a y-up frame, x to the right, z toward the viewer).
struct EditorLights {
    Vec3 l1Colour{0.4f * 0.98f, 0.41f * 0.98f, 0.23f * 0.98f};  // oblique, shadowed
    Vec3 l2Dir = normalize({-0.8f, 0.7f, 0.5f});                // key light, upper left
    Vec3 l2Colour{0.287f, 0.287f, 0.3444f};
    Vec3 l3Dir = normalize({1.0f, 1.0f, -0.3f});  // specular light, upper right
    Vec3 l3Colour{0.3f * 0.84f, 0.3f * 0.84f, 0.3f * 0.84f};
    float ambient = 0.032f;
    float skyAmount = 0.6f;
};

// Material channels in 0..1: roughness, metalness, specular intensity.
struct Material {
    float rough = 1, metal = 0, spec = 0;
};

// The direction from a window pixel toward the eye, as the compositor assumes it.
inline Vec3 eyeVector(float x, float y, float w = 1000, float h = 700) {
    return normalize({0.5f - x / w, y / h - 0.5f, 1.0f});
}
// r = e - 2 (n . e) n
inline Vec3 reflect(Vec3 e, Vec3 n) {
    return e - n * (2.0f * dot(e, n));
}

// Where a reflected direction lands in the sky image.
inline void skyCoordinates(Vec3 r, int skyW, int skyH, float& sx, float& sy) {
    sx = (0.5f - 0.5f * r.x) * (skyW - 1) + 0.5f;
    sy = (0.5f + 0.5f * r.y) * (skyH - 1) + 0.5f;
}

// Linear light reaching the eye from a surface with albedo (0..1), lit by the editor's lights:
// ambient, the oblique light scaled by lit (0 in full shadow, 1 unshadowed), the key light
// with its roughness-dependent wrap, the specular light, and the sky reflection (sky in
// 0..255, sampled by the caller along the reflected ray).
Vec3 shadeSurface(const EditorLights& lights, Vec3 albedo, const Material& m, Vec3 n, Vec3 eye,
                  Vec3 sky, float lit);

// The editor's colour grading table for one channel (lift, gamma, gain, contrast), 0..255.
float gradeChannel(float v255, float lift, float gamma, float gain, float contrast);
Rgb gradeColour(Rgb c);

// The normal of a height field (heights in the editor's depth units, 4655 = one pixel of
// height) at pixel (x, y), from central differences, in the y-up frame.
Vec3 heightNormal(const Plane& height, int x, int y);

}  // namespace gfxgen
