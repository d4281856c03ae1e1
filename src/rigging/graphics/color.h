#pragma once
// Pixel types of every image of the editor, and the colour operations several users share.

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

namespace rigging {

// 8-bit colour, r at the lowest address: as a little-endian word r is bits 0-7, a 24-31.
struct RGBA {
    std::uint8_t r, g, b, a;
    friend constexpr bool operator==(const RGBA&, const RGBA&) noexcept = default;
};

// 16-bit single channel: depth maps.
struct L16 {
    std::uint16_t l;
    friend constexpr bool operator==(const L16&, const L16&) noexcept = default;
};

// 8-bit single channel: glyph coverage.
struct L8 {
    std::uint8_t l;
    friend constexpr bool operator==(const L8&, const L8&) noexcept = default;
};

// Float colours of the compositor's intermediate buffers.
struct RGBf {
    float r, g, b;
    friend constexpr bool operator==(const RGBf&, const RGBf&) noexcept = default;
};

struct RGBAf {
    float r, g, b, a;
    constexpr RGBAf& operator+=(const RGBAf& o) noexcept {
        r += o.r;
        g += o.g;
        b += o.b;
        a += o.a;
        return *this;
    }
    friend constexpr bool operator==(const RGBAf&, const RGBAf&) noexcept = default;
};

static_assert(sizeof(RGBA) == 4 && sizeof(L16) == 2 && sizeof(L8) == 1);
static_assert(sizeof(RGBf) == 12 && sizeof(RGBAf) == 16);

// Rounded mean of four pixels, each channel on its own (alpha included): (a + b + c + d + 2) >> 2.
constexpr RGBA average4(RGBA c1, RGBA c2, RGBA c3, RGBA c4) noexcept {
    auto m = [](int a, int b, int c, int d) {
        return static_cast<std::uint8_t>((a + b + c + d + 2) >> 2);
    };
    return {m(c1.r, c2.r, c3.r, c4.r), m(c1.g, c2.g, c3.g, c4.g), m(c1.b, c2.b, c3.b, c4.b),
            m(c1.a, c2.a, c3.a, c4.a)};
}

constexpr L16 average4(L16 c1, L16 c2, L16 c3, L16 c4) noexcept {
    return {static_cast<std::uint16_t>((c1.l + c2.l + c3.l + c4.l + 2) >> 2)};
}

// Every channel, alpha included: floor((fg * alpha + bg * (255 - alpha)) / 255), by the exact
// reciprocal multiply (x * 0x8081) >> 23, four channels in one 128-bit lane set.
inline RGBA blendColor(RGBA fg, RGBA bg, std::uint8_t alpha) noexcept {
    std::uint32_t fw, bw;
    std::memcpy(&fw, &fg, 4);
    std::memcpy(&bw, &bg, 4);
    const __m128i zero = _mm_setzero_si128();
    __m128i f = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(fw)), zero);
    __m128i b = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(bw)), zero);
    __m128i a = _mm_set1_epi16(alpha);
    __m128i ia = _mm_set1_epi16(static_cast<short>(255 - alpha));
    // At most 255 * 255: fits an unsigned 16-bit lane.
    __m128i sum = _mm_add_epi16(_mm_mullo_epi16(f, a), _mm_mullo_epi16(b, ia));
    __m128i q = _mm_srli_epi16(_mm_mulhi_epu16(sum, _mm_set1_epi16(static_cast<short>(0x8081))), 7);
    std::uint32_t rw = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(q, zero)));
    RGBA r;
    std::memcpy(&r, &rw, 4);
    return r;
}

}  // namespace rigging
