#pragma once
// Four-float helpers shared by the lighting passes (private to them).

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "geom/vector.h"
#include "rigging/graphics/color.h"

namespace rigging::pbr {

// The four channels of an 8-bit pixel as floats 0..255.
inline __m128 toFloats(RGBA c) noexcept {
    int word;
    std::memcpy(&word, &c, 4);
    __m128i v = _mm_cvtsi32_si128(word);
    v = _mm_unpacklo_epi8(v, _mm_setzero_si128());
    v = _mm_unpacklo_epi16(v, _mm_setzero_si128());
    return _mm_cvtepi32_ps(v);
}

// b / 255 for every byte, the same bits as the division.
struct ByteUnits {
    float v[256];
    constexpr ByteUnits() : v() {
        for (int i = 0; i < 256; ++i) v[i] = static_cast<float>(i) / 255.0f;
    }
};
inline constexpr ByteUnits kByteUnits;

inline float unit(std::uint8_t b) noexcept {
    return kByteUnits.v[b];
}

// The pixel divided by 255, channel by channel.
inline __m128 unit(RGBA c) noexcept {
    return _mm_div_ps(toFloats(c), _mm_set1_ps(255.0f));
}

// A colour or direction with a zero fourth lane, so products leave the alpha lane alone.
inline __m128 rgb0(const geom::vec3f& v) noexcept {
    return _mm_setr_ps(v.x, v.y, v.z, 0.0f);
}

inline void addInto(RGBAf& acc, __m128 v) noexcept {
    float* p = &acc.r;
    _mm_store_ps(p, _mm_add_ps(_mm_load_ps(p), v));
}

inline __m128 loadNormal(const RGBf& n) noexcept {
    return _mm_setr_ps(n.r, n.g, n.b, 0.0f);
}

inline float dot3(const RGBf& n, const geom::vec3f& d) noexcept {
    return n.r * d.x + n.g * d.y + n.b * d.z;
}

inline float clamp01(float v) noexcept {
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

}  // namespace rigging::pbr
