#include "shapes.h"

namespace gfxgen {

float sdConvexPolygon(float px, float py, const float* xs, const float* ys, int n) {
    float best = 1e30f;
    bool inside = true;
    float orientation = 0;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        orientation += (xs[j] - xs[i]) * (ys[j] + ys[i]);
    }
    const float sign = orientation < 0 ? 1.0f : -1.0f;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        const float ex = xs[j] - xs[i], ey = ys[j] - ys[i];
        const float wx = px - xs[i], wy = py - ys[i];
        const float len2 = ex * ex + ey * ey;
        const float t = std::clamp((wx * ex + wy * ey) / len2, 0.0f, 1.0f);
        best = std::min(best, std::hypot(wx - t * ex, wy - t * ey));
        if (sign * (ex * wy - ey * wx) < 0) inside = false;
    }
    return inside ? -best : best;
}

}  // namespace gfxgen
