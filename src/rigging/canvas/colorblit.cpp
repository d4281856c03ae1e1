#include "rigging/canvas/colorblit.h"

#include <emmintrin.h>

#include <cstdlib>
#include <cstring>

namespace rigging {

// Coverage s (0x8000 = once) becomes cov = 2 min(|s|, 32767) in 0..0xFFFE; the weight is
// cov x alpha x 257 / 2^17, so full coverage of alpha 255 is 32766 and blends to the colour
// exactly. A channel moves by (c - d) x weight / 32768, rounded.

int colorBlitWeight(int32_t coverage, uint32_t alpha) noexcept {
    int32_t a = coverage < 0 ? -coverage : coverage;
    if (a > 32767) a = 32767;
    uint32_t cov = static_cast<uint32_t>(a) << 1;
    return static_cast<int>(((cov * ((alpha & 255) * 257)) >> 16) >> 1);
}

int colorBlitChannel(int c, int d, int weight) noexcept {
    int v = (((c - d) * 128) * weight) >> 16;  // as the signed high-half multiply
    return d + ((v + 32) >> 6);
}

namespace {

inline __m128i weights(__m128i sums, __m128i alpha257) {
    __m128i sign = _mm_srai_epi32(sums, 31);
    __m128i mag = _mm_sub_epi32(_mm_xor_si128(sums, sign), sign);
    __m128i cov = _mm_slli_epi16(_mm_packs_epi32(mag, mag), 1);
    return _mm_srli_epi16(_mm_mulhi_epu16(cov, alpha257), 1);
}

inline __m128i blendHalf(__m128i d16, __m128i c16, __m128i w) {
    __m128i diff = _mm_slli_epi16(_mm_sub_epi16(c16, d16), 7);
    __m128i v = _mm_mulhi_epi16(diff, w);
    return _mm_add_epi16(d16, _mm_srai_epi16(_mm_add_epi16(v, _mm_set1_epi16(32)), 6));
}

// Four pixels, w holding their weights in 16-bit lanes 0-3.
inline __m128i blend4(__m128i dst, __m128i c16, __m128i w) {
    const __m128i zero = _mm_setzero_si128();
    __m128i pairs = _mm_unpacklo_epi16(w, w);
    __m128i wlo = _mm_unpacklo_epi32(pairs, pairs);
    __m128i whi = _mm_unpackhi_epi32(pairs, pairs);
    __m128i lo = blendHalf(_mm_unpacklo_epi8(dst, zero), c16, wlo);
    __m128i hi = blendHalf(_mm_unpackhi_epi8(dst, zero), c16, whi);
    return _mm_packus_epi16(lo, hi);
}

// Applies f to the 4 pixels at x .. x + 3 of which only [lo, hi) may be touched.
template <typename F>
inline void withGroup(uint32_t* row, int x, int lo, int hi, F&& f) {
    if (x >= lo && x + 4 <= hi) {
        auto* p = reinterpret_cast<__m128i*>(row + x);
        _mm_storeu_si128(p, f(_mm_loadu_si128(p)));
        return;
    }
    int a = x < lo ? lo : x, b = x + 4 > hi ? hi : x + 4;
    if (a >= b) return;
    alignas(16) uint32_t tmp[4] = {0, 0, 0, 0};
    std::memcpy(&tmp[a - x], row + a, static_cast<std::size_t>(b - a) * 4);
    __m128i r = f(_mm_load_si128(reinterpret_cast<const __m128i*>(tmp)));
    _mm_store_si128(reinterpret_cast<__m128i*>(tmp), r);
    std::memcpy(row + a, &tmp[a - x], static_cast<std::size_t>(b - a) * 4);
}

// First group g in [from, to) whose mask bit is set, or `to`.
inline int nextSetBit(const uint64_t* mask, int from, int to) {
    int word = from >> 6;
    uint64_t bits = mask[word] & (~uint64_t{0} << (from & 63));
    while (true) {
        if (bits != 0) {
            int g = (word << 6) + __builtin_ctzll(bits);
            return g < to ? g : to;
        }
        if (((word + 1) << 6) >= to) return to;
        bits = mask[++word];
    }
}

}  // namespace

void ColorBlit::init(uint8_t* p, uint64_t rowPitch, int h, uint32_t c) noexcept {
    pixels = p;
    pitch = rowPitch;
    height = h;
    color = c;
}

void ColorBlit::colorBlit(int32_t* deltas, uint64_t* mask, int xl, int xr, int y) noexcept {
    if (xl >= xr || y < 0 || y >= height) return;
    const int lo = xl > windowX0 ? xl : windowX0, hi = xr < windowX1 ? xr : windowX1;
    if (y < windowY0 || y >= windowY1 || lo >= hi) {
        // Nothing of this row is written; its coverage must not reach the next one.
        const int g0 = xl >> 2, g1 = (xr + 3) >> 2;
        std::memset(deltas + g0 * 4, 0, static_cast<std::size_t>(g1 - g0) * 16);
        return;
    }
    auto* row = reinterpret_cast<uint32_t*>(pixels + static_cast<uint64_t>(y) * pitch);
    const uint32_t alpha = color >> 24;
    const __m128i alpha257 = _mm_set1_epi16(static_cast<short>(alpha * 257));
    const __m128i c16 =
        _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(color)), _mm_setzero_si128());

    const int gEnd = (xr + 3) >> 2;
    int g = xl >> 2;
    int32_t acc = 0;
    while (g < gEnd) {
        int n = nextSetBit(mask, g, gEnd);
        if (n > g && acc != 0) {
            // Constant coverage over groups g .. n - 1.
            int a = g * 4 < lo ? lo : g * 4, b = n * 4 > hi ? hi : n * 4;
            int w = colorBlitWeight(acc, alpha);
            if (alpha == 255 && w >= kOpaqueWeight) {
                for (int x = a; x < b; ++x) row[x] = color;
            } else if (w > 0) {
                __m128i wv = _mm_set1_epi16(static_cast<short>(w));
                for (int x = a & ~3; x < b; x += 4)
                    withGroup(row, x, a, b, [&](__m128i d) { return blend4(d, c16, wv); });
            }
        }
        if (n >= gEnd) break;
        g = n;
        __m128i accv = _mm_set1_epi32(acc);
        do {
            auto* dp = reinterpret_cast<__m128i*>(deltas + g * 4);
            __m128i v = _mm_loadu_si128(dp);
            _mm_storeu_si128(dp, _mm_setzero_si128());
            v = _mm_add_epi32(v, _mm_slli_si128(v, 4));
            v = _mm_add_epi32(v, _mm_slli_si128(v, 8));
            v = _mm_add_epi32(v, accv);
            accv = _mm_shuffle_epi32(v, 0xFF);
            __m128i wv = weights(v, alpha257);
            withGroup(row, g * 4, lo, hi, [&](__m128i d) { return blend4(d, c16, wv); });
            ++g;
        } while (g < gEnd && _mm_movemask_epi8(_mm_cmpeq_epi32(
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(deltas + g * 4)),
                                 _mm_setzero_si128())) != 0xFFFF);
        acc = _mm_cvtsi128_si32(accv);
    }
}

void doBlit_ColorBlit(void* userData, int32_t* deltas, uint64_t* mask, int xl, int xr,
                      int y) noexcept {
    static_cast<ColorBlit*>(userData)->colorBlit(deltas, mask, xl, xr, y);
}

}  // namespace rigging
