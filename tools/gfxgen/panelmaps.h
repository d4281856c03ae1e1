#pragma once
// The four maps of a lit surface while it is being drawn: colour, emission, material and
// height, all as floats. Shapes are painted into them with anti-aliased edges and bevelled
// heights; encode*() quantise them to the 8-bit files the editor loads.

#include <algorithm>
#include <cstdint>

#include "plane.h"
#include "shapes.h"

namespace gfxgen {

// What a region is made of. Material channels are bytes: roughness, metalness, specular.
struct Surface {
    Rgb albedo;
    float rough = 255, metal = 0, spec = 0;
    float emission = 0;
};

// Pixel bounds of a region to visit (max exclusive).
struct Bounds {
    int x0, y0, x1, y1;
};

// How a bevel rises from the edge of a shape (t = 0) to its plateau (t = 1).
enum class Bevel { linear, smooth, round };
float bevelProfile(Bevel kind, float t);

// 16-bit height (0..65535) as three bytes whose sum carries it: 766 levels instead of 256.
void encodeHeight(float height, uint8_t rgb[3]);
// How the editor reads it back: (R + G + B) * 257 / 3.
int decodeHeight(const uint8_t rgb[3]);

struct PanelMaps {
    RgbPlanes albedo;
    Plane emission, rough, metal, spec, height;

    PanelMaps(int w, int h, const Surface& base, float baseHeight);
    int width() const { return albedo.width(); }
    int heightPx() const { return albedo.height(); }

    Bounds clip(Bounds b) const {
        return {std::max(b.x0, 0), std::max(b.y0, 0), std::min(b.x1, width()),
                std::min(b.y1, heightPx())};
    }

    // Blends a surface over everything inside sdf < 0 with weight coverage * opacity.
    template <class Sdf>
    void paint(Bounds b, Sdf sdf, const Surface& s, float opacity = 1.0f) {
        b = clip(b);
        for (int y = b.y0; y < b.y1; ++y)
            for (int x = b.x0; x < b.x1; ++x) {
                const float a = coverage(sdf(x + 0.5f, y + 0.5f)) * opacity;
                if (a > 0) blendSurface(x, y, s, a);
            }
    }

    // Moves the height toward target inside the shape: from the shape's edge the change ramps
    // up over bevelWidth pixels. A bevel of 0 is a sharp, anti-aliased step.
    template <class Sdf>
    void shapeHeight(Bounds b, Sdf sdf, float target, float bevelWidth,
                     Bevel kind = Bevel::smooth) {
        b = clip(b);
        for (int y = b.y0; y < b.y1; ++y)
            for (int x = b.x0; x < b.x1; ++x) {
                const float d = sdf(x + 0.5f, y + 0.5f);
                const float t = bevelWidth > 0
                                    ? bevelProfile(kind, std::clamp(-d / bevelWidth, 0.0f, 1.0f))
                                    : coverage(d);
                if (t > 0) height.at(x, y) += (target - height.at(x, y)) * t;
            }
    }

    // Adds to the height inside the shape, ramped like shapeHeight.
    template <class Sdf>
    void raise(Bounds b, Sdf sdf, float amount, float bevelWidth, Bevel kind = Bevel::smooth) {
        b = clip(b);
        for (int y = b.y0; y < b.y1; ++y)
            for (int x = b.x0; x < b.x1; ++x) {
                const float d = sdf(x + 0.5f, y + 0.5f);
                const float t = bevelWidth > 0
                                    ? bevelProfile(kind, std::clamp(-d / bevelWidth, 0.0f, 1.0f))
                                    : coverage(d);
                if (t > 0) height.at(x, y) += amount * t;
            }
    }

    // Blends a surface with per-pixel weights (text, soft marks); cov is the map's size.
    void paintCoverage(const Plane& cov, const Surface& s, float opacity = 1.0f);

    void blendSurface(int x, int y, const Surface& s, float a);

    Image8 encodeAlbedo() const;    // RGBA, alpha 255
    Image8 encodeEmission() const;  // grey in R = G = B, alpha 255
    Image8 encodeMaterial() const;  // R roughness, G metalness, B specular, alpha 255
    Image8 encodeHeightMap() const;
};

}  // namespace gfxgen
