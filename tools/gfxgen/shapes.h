#pragma once
// Signed distances to simple shapes, in pixels: negative inside, positive outside. Points are
// continuous coordinates; the centre of pixel (i, j) is (i + 0.5, j + 0.5).

#include <algorithm>
#include <cmath>

namespace gfxgen {

// Coverage of a pixel by a shape from the distance at its centre: exact for straight edges.
inline float coverage(float d) {
    return std::clamp(0.5f - d, 0.0f, 1.0f);
}

inline float sdCircle(float px, float py, float cx, float cy, float r) {
    return std::hypot(px - cx, py - cy) - r;
}

// Axis-aligned rectangle (x0, y0)-(x1, y1) with corners rounded by radius.
inline float sdRoundRect(float px, float py, float x0, float y0, float x1, float y1, float radius) {
    const float cx = (x0 + x1) * 0.5f, cy = (y0 + y1) * 0.5f;
    const float hx = (x1 - x0) * 0.5f - radius, hy = (y1 - y0) * 0.5f - radius;
    const float qx = std::fabs(px - cx) - hx, qy = std::fabs(py - cy) - hy;
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

// A segment from a to b with round ends, halfWidth thick on each side.
inline float sdSegment(float px, float py, float ax, float ay, float bx, float by,
                       float halfWidth) {
    const float dx = bx - ax, dy = by - ay;
    const float len2 = dx * dx + dy * dy;
    const float t =
        len2 > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / len2, 0.0f, 1.0f) : 0.0f;
    return std::hypot(px - ax - t * dx, py - ay - t * dy) - halfWidth;
}

// Convex polygon given counter-clockwise or clockwise; n vertices.
float sdConvexPolygon(float px, float py, const float* xs, const float* ys, int n);

// Smooth step from 0 at e0 to 1 at e1.
inline float smoothstep(float e0, float e1, float x) {
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

}  // namespace gfxgen
