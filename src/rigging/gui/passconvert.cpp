#include <emmintrin.h>

#include <cstring>

#include "rigging/gui/pbrpasses.h"

namespace rigging {

namespace {

// Each of r, g, b times 255.99, truncated and saturated (a NaN gives 0), as 32-bit lanes.
inline __m128i channels(const RGBAf& acc) noexcept {
    __m128 v = _mm_mul_ps(_mm_load_ps(&acc.r), _mm_set1_ps(255.99f));
    v = _mm_max_ps(_mm_min_ps(_mm_set1_ps(255.0f), v), _mm_setzero_ps());
    return _mm_cvttps_epi32(v);
}

}  // namespace

void PassClampAndConvertTo8bit::render(int, const geom::box2i& area,
                                       const CompositorPassBuffers& buffers) noexcept {
    const OwnedImage<RGBAf>& acc = *buffers.accumBuffer;
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (int y = area.min.y; y < area.max.y; ++y) {
        const RGBAf* in = acc.scanlinePtr(y);
        RGBA* out = buffers.target.scanlinePtr(y);
        int x = area.min.x;
        for (; x + 4 <= area.max.x; x += 4) {
            __m128i lo = _mm_packs_epi32(channels(in[x]), channels(in[x + 1]));
            __m128i hi = _mm_packs_epi32(channels(in[x + 2]), channels(in[x + 3]));
            __m128i px = _mm_or_si128(_mm_packus_epi16(lo, hi), opaque);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), px);
        }
        // The rest of the row one by one: an area of any width writes nothing beyond itself.
        for (; x < area.max.x; ++x) {
            __m128i c = _mm_packs_epi32(channels(in[x]), _mm_setzero_si128());
            c = _mm_or_si128(_mm_packus_epi16(c, _mm_setzero_si128()), opaque);
            const int word = _mm_cvtsi128_si32(c);
            std::memcpy(&out[x], &word, 4);
        }
    }
}

}  // namespace rigging
