#include <emmintrin.h>

#include <algorithm>

#include "rigging/gui/pbrpasses.h"
#include "rigging/gui/pbrpixel.h"

namespace rigging {

namespace {

constexpr int kReach = 10;
// Light reaching the pixel when lit from every sample: the weights sum with the 0.7 of the
// left light to about 1 / 0.181.
constexpr float kNormalisation = 0.18100029f;
constexpr float kLeftShare = 0.7f;
// A sample this many units above the ray shadows fully.
constexpr float kPenumbra = 15360.0f;

struct Weights {
    float w[kReach + 1];
    constexpr Weights() : w() {
        double v = 1.0;
        for (int i = 0; i <= kReach; ++i, v *= 0.78) w[i] = static_cast<float>(v);
    }
};
constexpr Weights kWeights;

// 1 when the sample lies at or below the ray of slope one through the pixel, fading to 0 at
// kPenumbra above it (for e >= 0 the quotient is at least 1, so the clamp gives exactly 1).
inline float lit(float e) noexcept {
    return std::min(1.0f, std::max(0.0f, (e + kPenumbra) / kPenumbra));
}
inline __m128 lit(__m128 e) noexcept {
    const __m128 p = _mm_set1_ps(kPenumbra);
    return _mm_min_ps(_mm_set1_ps(1.0f),
                      _mm_max_ps(_mm_setzero_ps(), _mm_div_ps(_mm_add_ps(e, p), p)));
}

inline __m128 load4(const L16* p) noexcept {
    __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    return _mm_cvtepi32_ps(_mm_unpacklo_epi16(v, _mm_setzero_si128()));
}

float lightAt(const OwnedImage<L16>& depth, int x, int y) noexcept {
    const int W = depth.width();
    const float d = static_cast<float>(depth(x, y).l);
    float L = 0.0f;
    for (int k = 0; k < kReach; ++k) {
        const L16* row = depth.scanlinePtr(std::max(y - 1 - k, 0));
        const float r = static_cast<float>(row[std::min(x + 1 + k, W - 1)].l);
        const float l = static_cast<float>(row[std::max(x - 1 - k, 0)].l);
        const float above = d + static_cast<float>(k + 1);
        L += (lit(above - r) + kLeftShare * lit(above - l)) * kWeights.w[k + 1];
    }
    return L;
}

// Four neighbouring pixels far enough from the left and right edges that no sample column is
// clamped; lane for lane the same arithmetic as lightAt.
__m128 lightAt4(const OwnedImage<L16>& depth, int x, int y) noexcept {
    const __m128 d = load4(depth.scanlinePtr(y) + x);
    __m128 L = _mm_setzero_ps();
    for (int k = 0; k < kReach; ++k) {
        const L16* row = depth.scanlinePtr(std::max(y - 1 - k, 0));
        const __m128 r = load4(row + x + 1 + k);
        const __m128 l = load4(row + x - 1 - k);
        const __m128 above = _mm_add_ps(d, _mm_set1_ps(static_cast<float>(k + 1)));
        __m128 both = _mm_add_ps(lit(_mm_sub_ps(above, r)),
                                 _mm_mul_ps(_mm_set1_ps(kLeftShare), lit(_mm_sub_ps(above, l))));
        L = _mm_add_ps(L, _mm_mul_ps(both, _mm_set1_ps(kWeights.w[k + 1])));
    }
    return L;
}

}  // namespace

void PassObliqueShadowLight::render(int, const geom::box2i& area,
                                    const CompositorPassBuffers& buffers) noexcept {
    const OwnedImage<L16>& depth = buffers.depthMap->level(0);
    const OwnedImage<RGBA>& diffuse = buffers.diffuseMap->level(0);
    OwnedImage<RGBAf>& acc = *buffers.accumBuffer;
    const int W = depth.width();
    // Columns whose whole group of four samples every k without clamping.
    const int vecMin = kReach, vecMax = W - 1 - kReach - 3;
    const __m128 colour = pbr::rgb0(color);
    alignas(16) float L[4];
    for (int y = area.min.y; y < area.max.y; ++y) {
        const RGBA* diff = diffuse.scanlinePtr(y);
        RGBAf* out = acc.scanlinePtr(y);
        int x = area.min.x;
        while (x < area.max.x) {
            int n = 1;
            if (x >= vecMin && x <= vecMax && x + 4 <= area.max.x) {
                _mm_store_ps(L, lightAt4(depth, x, y));
                n = 4;
            } else {
                L[0] = lightAt(depth, x, y);
            }
            for (int i = 0; i < n; ++i) {
                __m128 light = _mm_mul_ps(_mm_mul_ps(colour, pbr::unit(diff[x + i])),
                                          _mm_set1_ps(L[i] * kNormalisation));
                pbr::addInto(out[x + i], light);
            }
            x += n;
        }
    }
}

}  // namespace rigging
