#include <emmintrin.h>

#include <algorithm>

#include "rigging/gui/pbrpasses.h"
#include "rigging/gui/ransac.h"

namespace rigging {

namespace {

// 1 / 4655: depth units to pixels of height.
constexpr float kDepthToPixels = 0.000214822765f;

}  // namespace

namespace {

// Samples x - 1 .. x + 2 of a depth row, in pixels of height.
inline __m128 row4(const L16* p) noexcept {
    __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    v = _mm_unpacklo_epi16(v, _mm_setzero_si128());
    return _mm_mul_ps(_mm_cvtepi32_ps(v), _mm_set1_ps(kDepthToPixels));
}

}  // namespace

void PassComputeNormal::render(int, const geom::box2i& area,
                               const CompositorPassBuffers& buffers) noexcept {
    const OwnedImage<L16>& depth = buffers.depthMap->level(0);
    OwnedImage<RGBf>& normals = *buffers.normalBuffer;
    // The redraw pipeline keeps a replicated one-pixel ring around the depth map and two
    // samples beyond its right edge, so four samples from x - 1 are always readable; without
    // them the neighbourhood is clamped to the image instead.
    const bool ring = depth.border() >= 1 && depth.borderRight() >= 2;
    const int W = depth.width(), H = depth.height();
    for (int y = area.min.y; y < area.max.y; ++y) {
        RGBf* out = normals.scanlinePtr(y);
        if (ring) {
            const L16* up = depth.scanlinePtr(y - 1);
            const L16* mid = depth.scanlinePtr(y);
            const L16* down = depth.scanlinePtr(y + 1);
            for (int x = area.min.x; x < area.max.x; ++x) {
                const __m128 u = row4(up + x - 1), m = row4(mid + x - 1), d = row4(down + x - 1);
                // (u0 u1 u2 m0) and (m2 d0 d1 d2): the neighbours without the centre m1.
                const __m128 um = _mm_shuffle_ps(u, m, _MM_SHUFFLE(0, 0, 2, 2));
                const __m128 lo = _mm_shuffle_ps(u, um, _MM_SHUFFLE(2, 0, 1, 0));
                const __m128 md = _mm_shuffle_ps(m, d, _MM_SHUFFLE(0, 0, 2, 2));
                const __m128 hi = _mm_shuffle_ps(md, d, _MM_SHUFFLE(2, 1, 2, 0));
                const float centre = _mm_cvtss_f32(_mm_shuffle_ps(m, m, _MM_SHUFFLE(1, 1, 1, 1)));
                geom::vec3f v = computeRANSACNormal(lo, centre, hi);
                out[x] = RGBf{v.x, v.y, v.z};
            }
            continue;
        }
        float n[9];
        for (int x = area.min.x; x < area.max.x; ++x) {
            for (int r = 0; r < 3; ++r) {
                const L16* row = depth.scanlinePtr(std::clamp(y - 1 + r, 0, H - 1));
                for (int c = 0; c < 3; ++c)
                    n[3 * r + c] =
                        static_cast<float>(row[std::clamp(x - 1 + c, 0, W - 1)].l) * kDepthToPixels;
            }
            geom::vec3f v = computeRANSACNormal(n);
            out[x] = RGBf{v.x, v.y, v.z};
        }
    }
}

}  // namespace rigging
