#include "rigging/graphics/mipmap.h"

#include <emmintrin.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "rigging/core/fatal.h"
#include "rigging/core/nogc.h"

namespace rigging {

using geom::box2i;

namespace {

bool nothingToDo(const box2i& r) noexcept {
    return r.empty() || !r.isSorted();
}

// ---- per-pixel forms -------------------------------------------------------------------------

inline RGBA alphaCovPixel(RGBA p1, RGBA p2, RGBA p3, RGBA p4) noexcept {
    const int s = p1.a + p2.a + p3.a + p4.a;
    if (s == 0) return RGBA{0, 0, 0, 0};
    auto channel = [&](int c1, int c2, int c3, int c4) {
        const int sum = c1 * p1.a + c2 * p2.a + c3 * p3.a + c4 * p4.a;
        return static_cast<std::uint8_t>(
            static_cast<int>(static_cast<float>(sum) / static_cast<float>(s) + 0.5f));
    };
    return RGBA{channel(p1.r, p2.r, p3.r, p4.r), channel(p1.g, p2.g, p3.g, p4.g),
                channel(p1.b, p2.b, p3.b, p4.b), static_cast<std::uint8_t>((s + 2) >> 2)};
}

inline RGBA premulPixel(RGBA p1, RGBA p2, RGBA p3, RGBA p4) noexcept {
    auto channel = [&](int c1, int c2, int c3, int c4) {
        return static_cast<std::uint8_t>((c1 * p1.a + c2 * p2.a + c3 * p3.a + c4 * p4.a + 512) >>
                                         10);
    };
    return RGBA{channel(p1.r, p2.r, p3.r, p4.r), channel(p1.g, p2.g, p3.g, p4.g),
                channel(p1.b, p2.b, p3.b, p4.b), channel(p1.a, p2.a, p3.a, p4.a)};
}

// The 4 x 4 neighbourhood of output (x, y): columns 2x - 1 .. 2x + 2 and rows 2y - 1 .. 2y + 2,
// clamped to the source.
struct CubicTaps {
    int col[4];
    int row[4];
    CubicTaps(int x, int y, int w, int h) noexcept
        : col{2 * x - 1 < 0 ? 0 : 2 * x - 1, 2 * x, 2 * x + 1,
              2 * x + 2 > w - 1 ? w - 1 : 2 * x + 2},
          row{2 * y - 1 < 0 ? 0 : 2 * y - 1, 2 * y, 2 * y + 1,
              2 * y + 2 > h - 1 ? h - 1 : 2 * y + 2} {}
};

constexpr int kCubicWeight[4] = {1, 3, 3, 1};

RGBA cubicPixelRGBA(const OwnedImage<RGBA>& src, int x, int y) noexcept {
    const CubicTaps t(x, y, src.width(), src.height());
    int sum[4] = {0, 0, 0, 0};
    for (int j = 0; j < 4; ++j) {
        const RGBA* row = src.scanlinePtr(t.row[j]);
        for (int i = 0; i < 4; ++i) {
            const int w = kCubicWeight[i] * kCubicWeight[j];
            const RGBA p = row[t.col[i]];
            sum[0] += w * p.r;
            sum[1] += w * p.g;
            sum[2] += w * p.b;
            sum[3] += w * p.a;
        }
    }
    auto out = [](int s) { return static_cast<std::uint8_t>((s + 32) >> 6); };
    return RGBA{out(sum[0]), out(sum[1]), out(sum[2]), out(sum[3])};
}

L16 cubicPixelL16(const OwnedImage<L16>& src, int x, int y) noexcept {
    const CubicTaps t(x, y, src.width(), src.height());
    std::int32_t sum = 0;
    for (int j = 0; j < 4; ++j) {
        const L16* row = src.scanlinePtr(t.row[j]);
        for (int i = 0; i < 4; ++i) sum += kCubicWeight[i] * kCubicWeight[j] * row[t.col[i]].l;
    }
    return L16{static_cast<std::uint16_t>((sum + 32) >> 6)};
}

template <typename C, typename PixelFn>
void eachPixel(OwnedImage<C>& level, box2i r, PixelFn fn) noexcept {
    if (nothingToDo(r)) return;
    for (int y = r.min.y; y < r.max.y; ++y) {
        C* d = level.scanlinePtr(y);
        for (int x = r.min.x; x < r.max.x; ++x) d[x] = fn(x, y);
    }
}

template <typename C, typename Combine>
void eachBlock(OwnedImage<C>& level, const OwnedImage<C>& prev, box2i r, Combine combine) noexcept {
    if (nothingToDo(r)) return;
    for (int y = r.min.y; y < r.max.y; ++y) {
        const C* s0 = prev.scanlinePtr(2 * y);
        const C* s1 = prev.scanlinePtr(2 * y + 1);
        C* d = level.scanlinePtr(y);
        for (int x = r.min.x; x < r.max.x; ++x)
            d[x] = combine(s0[2 * x], s0[2 * x + 1], s1[2 * x], s1[2 * x + 1]);
    }
}

// ---- vector helpers --------------------------------------------------------------------------

inline __m128i load128(const void* p) noexcept {
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
inline __m128i load64(const void* p) noexcept {
    return _mm_loadl_epi64(static_cast<const __m128i*>(p));
}
inline __m128i times3(__m128i v) noexcept {
    return _mm_add_epi16(_mm_add_epi16(v, v), v);
}
inline __m128i times3x32(__m128i v) noexcept {
    return _mm_add_epi32(_mm_add_epi32(v, v), v);
}
// Four 32-bit lanes known to lie in 0..65535, narrowed to 16 bits (no unsigned pack in SSE2).
inline __m128i narrowU16(__m128i v) noexcept {
    const __m128i bias = _mm_set1_epi32(32768);
    __m128i p = _mm_packs_epi32(_mm_sub_epi32(v, bias), _mm_sub_epi32(v, bias));
    return _mm_xor_si128(p, _mm_set1_epi16(static_cast<short>(0x8000)));
}
inline __m128i evens16(__m128i v) noexcept {
    return _mm_and_si128(v, _mm_set1_epi32(0xFFFF));
}
inline __m128i odds16(__m128i v) noexcept {
    return _mm_srli_epi32(v, 16);
}
inline std::uint32_t bits(RGBA p) noexcept {
    std::uint32_t w;
    std::memcpy(&w, &p, 4);
    return w;
}
inline RGBA fromBits(std::uint32_t w) noexcept {
    RGBA p;
    std::memcpy(&p, &w, 4);
    return p;
}

// One source pixel pair (p, q) widened and interleaved per channel, with the pair's alphas
// repeated for a multiply-add: the 32-bit lanes of madd(x, a) are c_p * a_p + c_q * a_q.
struct AlphaPair {
    __m128i x, a;
    explicit AlphaPair(const RGBA* twoPixels) noexcept {
        __m128i v = _mm_unpacklo_epi8(load64(twoPixels), _mm_setzero_si128());
        x = _mm_unpacklo_epi16(v, _mm_srli_si128(v, 8));
        a = _mm_shuffle_epi32(x, 0xFF);
    }
};

}  // namespace

// ---- box ---------------------------------------------------------------------------------------

void generateLevelBoxRGBAScalar(OwnedImage<RGBA>& level, const OwnedImage<RGBA>& previous,
                                box2i rect) noexcept {
    eachBlock(level, previous, rect,
              [](RGBA a, RGBA b, RGBA c, RGBA d) { return average4(a, b, c, d); });
}

void generateLevelBoxRGBA(OwnedImage<RGBA>& level, const OwnedImage<RGBA>& previous,
                          box2i rect) noexcept {
    if (nothingToDo(rect)) return;
    const __m128i zero = _mm_setzero_si128(), two = _mm_set1_epi16(2);
    for (int y = rect.min.y; y < rect.max.y; ++y) {
        const RGBA* s0 = previous.scanlinePtr(2 * y);
        const RGBA* s1 = previous.scanlinePtr(2 * y + 1);
        RGBA* d = level.scanlinePtr(y);
        int x = rect.min.x;
        // Two outputs from four source pixels of each row.
        for (; x + 2 <= rect.max.x; x += 2) {
            __m128i a = load128(s0 + 2 * x), b = load128(s1 + 2 * x);
            __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
            __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
            __m128i sum = _mm_add_epi16(_mm_unpacklo_epi64(lo, hi), _mm_unpackhi_epi64(lo, hi));
            sum = _mm_srli_epi16(_mm_add_epi16(sum, two), 2);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(d + x), _mm_packus_epi16(sum, sum));
        }
        for (; x < rect.max.x; ++x)
            d[x] = average4(s0[2 * x], s0[2 * x + 1], s1[2 * x], s1[2 * x + 1]);
    }
}

void generateLevelBoxL16Scalar(OwnedImage<L16>& level, const OwnedImage<L16>& previous,
                               box2i rect) noexcept {
    eachBlock(level, previous, rect,
              [](L16 a, L16 b, L16 c, L16 d) { return average4(a, b, c, d); });
}

void generateLevelBoxL16(OwnedImage<L16>& level, const OwnedImage<L16>& previous,
                         box2i rect) noexcept {
    if (nothingToDo(rect)) return;
    const __m128i two = _mm_set1_epi32(2);
    for (int y = rect.min.y; y < rect.max.y; ++y) {
        const L16* s0 = previous.scanlinePtr(2 * y);
        const L16* s1 = previous.scanlinePtr(2 * y + 1);
        L16* d = level.scanlinePtr(y);
        int x = rect.min.x;
        // Four outputs from eight source samples of each row; each 32-bit lane holds one
        // horizontal pair.
        for (; x + 4 <= rect.max.x; x += 4) {
            __m128i a = load128(s0 + 2 * x), b = load128(s1 + 2 * x);
            __m128i sum = _mm_add_epi32(_mm_add_epi32(evens16(a), odds16(a)),
                                        _mm_add_epi32(evens16(b), odds16(b)));
            sum = _mm_srli_epi32(_mm_add_epi32(sum, two), 2);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(d + x), narrowU16(sum));
        }
        for (; x < rect.max.x; ++x)
            d[x] = average4(s0[2 * x], s0[2 * x + 1], s1[2 * x], s1[2 * x + 1]);
    }
}

// ---- box weighted by alpha -------------------------------------------------------------------

void generateLevelBoxAlphaCovRGBAScalar(OwnedImage<RGBA>& level, const OwnedImage<RGBA>& previous,
                                        box2i rect) noexcept {
    eachBlock(level, previous, rect, alphaCovPixel);
}

void generateLevelBoxAlphaCovRGBA(OwnedImage<RGBA>& level, const OwnedImage<RGBA>& previous,
                                  box2i rect) noexcept {
    if (nothingToDo(rect)) return;
    const __m128i ones = _mm_set1_epi16(1);
    const __m128 half = _mm_set1_ps(0.5f);
    for (int y = rect.min.y; y < rect.max.y; ++y) {
        const RGBA* s0 = previous.scanlinePtr(2 * y);
        const RGBA* s1 = previous.scanlinePtr(2 * y + 1);
        RGBA* d = level.scanlinePtr(y);
        for (int x = rect.min.x; x < rect.max.x; ++x) {
            const AlphaPair top(s0 + 2 * x), bottom(s1 + 2 * x);
            const __m128i alphaSum =
                _mm_add_epi32(_mm_madd_epi16(top.a, ones), _mm_madd_epi16(bottom.a, ones));
            const int s = _mm_cvtsi128_si32(alphaSum);
            if (s == 0) {
                d[x] = RGBA{0, 0, 0, 0};
                continue;
            }
            const __m128i weighted =
                _mm_add_epi32(_mm_madd_epi16(top.x, top.a), _mm_madd_epi16(bottom.x, bottom.a));
            __m128 q = _mm_div_ps(_mm_cvtepi32_ps(weighted), _mm_cvtepi32_ps(alphaSum));
            __m128i c = _mm_cvttps_epi32(_mm_add_ps(q, half));
            c = _mm_insert_epi16(_mm_packs_epi32(c, c), (s + 2) >> 2, 3);
            d[x] = fromBits(static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(c, c))));
        }
    }
}

void generateLevelBoxAlphaCovIntoPremulRGBAScalar(OwnedImage<RGBA>& level,
                                                  const OwnedImage<RGBA>& previous,
                                                  box2i rect) noexcept {
    eachBlock(level, previous, rect, premulPixel);
}

void generateLevelBoxAlphaCovIntoPremulRGBA(OwnedImage<RGBA>& level,
                                            const OwnedImage<RGBA>& previous, box2i rect) noexcept {
    if (nothingToDo(rect)) return;
    const __m128i round = _mm_set1_epi32(512);
    for (int y = rect.min.y; y < rect.max.y; ++y) {
        const RGBA* s0 = previous.scanlinePtr(2 * y);
        const RGBA* s1 = previous.scanlinePtr(2 * y + 1);
        RGBA* d = level.scanlinePtr(y);
        for (int x = rect.min.x; x < rect.max.x; ++x) {
            const AlphaPair top(s0 + 2 * x), bottom(s1 + 2 * x);
            __m128i sum =
                _mm_add_epi32(_mm_madd_epi16(top.x, top.a), _mm_madd_epi16(bottom.x, bottom.a));
            sum = _mm_srli_epi32(_mm_add_epi32(sum, round), 10);
            sum = _mm_packs_epi32(sum, sum);
            d[x] =
                fromBits(static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(sum, sum))));
        }
    }
}

// ---- cubic -----------------------------------------------------------------------------------

void generateLevelCubicRGBAScalar(OwnedImage<RGBA>& level, const OwnedImage<RGBA>& previous,
                                  box2i rect) noexcept {
    eachPixel(level, rect, [&](int x, int y) { return cubicPixelRGBA(previous, x, y); });
}

void generateLevelCubicRGBA(OwnedImage<RGBA>& level, const OwnedImage<RGBA>& previous,
                            box2i rect) noexcept {
    if (nothingToDo(rect)) return;
    const int w = previous.width(), h = previous.height();
    const __m128i zero = _mm_setzero_si128();
    const __m128i w13 = _mm_set_epi16(3, 3, 3, 3, 1, 1, 1, 1);
    const __m128i w31 = _mm_set_epi16(1, 1, 1, 1, 3, 3, 3, 3);
    const __m128i round = _mm_set1_epi16(32);
    for (int y = rect.min.y; y < rect.max.y; ++y) {
        const CubicTaps rows(0, y, w, h);
        const RGBA* src[4];
        for (int j = 0; j < 4; ++j) src[j] = previous.scanlinePtr(rows.row[j]);
        RGBA* d = level.scanlinePtr(y);
        for (int x = rect.min.x; x < rect.max.x; ++x) {
            const int c1 = 2 * x, c0 = c1 - 1 < 0 ? 0 : c1 - 1;
            const int c3 = c1 + 2 > w - 1 ? w - 1 : c1 + 2;
            const bool inner = c0 == c1 - 1 && c3 == c1 + 2;
            // Vertical 1 3 3 1 over the four columns: lo holds columns 0 and 1, hi 2 and 3.
            __m128i lo[4], hi[4];
            for (int j = 0; j < 4; ++j) {
                const RGBA* r = src[j];
                __m128i v = inner ? load128(r + c0)
                                  : _mm_set_epi32(static_cast<int>(bits(r[c3])),
                                                  static_cast<int>(bits(r[c1 + 1])),
                                                  static_cast<int>(bits(r[c1])),
                                                  static_cast<int>(bits(r[c0])));
                lo[j] = _mm_unpacklo_epi8(v, zero);
                hi[j] = _mm_unpackhi_epi8(v, zero);
            }
            __m128i vlo =
                _mm_add_epi16(_mm_add_epi16(lo[0], lo[3]), times3(_mm_add_epi16(lo[1], lo[2])));
            __m128i vhi =
                _mm_add_epi16(_mm_add_epi16(hi[0], hi[3]), times3(_mm_add_epi16(hi[1], hi[2])));
            // Horizontal 1 3 3 1, then the two halves together.
            __m128i t = _mm_add_epi16(_mm_mullo_epi16(vlo, w13), _mm_mullo_epi16(vhi, w31));
            t = _mm_add_epi16(t, _mm_srli_si128(t, 8));
            t = _mm_srli_epi16(_mm_add_epi16(t, round), 6);
            d[x] = fromBits(static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(t, t))));
        }
    }
}

void generateLevelCubicL16Scalar(OwnedImage<L16>& level, const OwnedImage<L16>& previous,
                                 box2i rect) noexcept {
    eachPixel(level, rect, [&](int x, int y) { return cubicPixelL16(previous, x, y); });
}

void generateLevelCubicL16(OwnedImage<L16>& level, const OwnedImage<L16>& previous,
                           box2i rect) noexcept {
    if (nothingToDo(rect)) return;
    const int w = previous.width(), h = previous.height();
    // Four outputs x .. x + 3 per step read source columns 2x - 2 .. 2x + 9; the columns near
    // the edges, where taps are clamped, go one by one.
    const int firstVector = rect.min.x > 1 ? rect.min.x : 1;
    int lastVector = (w - 10) / 2;  // the largest x whose loads stay inside the row
    if (w < 10) lastVector = -1;
    const __m128i round = _mm_set1_epi32(32);
    for (int y = rect.min.y; y < rect.max.y; ++y) {
        const CubicTaps rows(0, y, w, h);
        const L16* src[4];
        for (int j = 0; j < 4; ++j) src[j] = previous.scanlinePtr(rows.row[j]);
        L16* d = level.scanlinePtr(y);
        int x = rect.min.x;
        for (; x < firstVector && x < rect.max.x; ++x) d[x] = cubicPixelL16(previous, x, y);
        for (; x + 4 <= rect.max.x && x <= lastVector; x += 4) {
            // Per row, with E and O the samples at even and odd columns:
            // out = O[x-1] + 3 E[x] + 3 O[x] + E[x+1].
            __m128i rowSum[4];
            for (int j = 0; j < 4; ++j) {
                const L16* r = src[j] + 2 * x;
                const __m128i before = load128(r - 2), at = load128(r), after = load128(r + 2);
                rowSum[j] = _mm_add_epi32(_mm_add_epi32(odds16(before), evens16(after)),
                                          times3x32(_mm_add_epi32(evens16(at), odds16(at))));
            }
            __m128i sum = _mm_add_epi32(_mm_add_epi32(rowSum[0], rowSum[3]),
                                        times3x32(_mm_add_epi32(rowSum[1], rowSum[2])));
            sum = _mm_srli_epi32(_mm_add_epi32(sum, round), 6);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(d + x), narrowU16(sum));
        }
        for (; x < rect.max.x; ++x) d[x] = cubicPixelL16(previous, x, y);
    }
}

// ---- the pyramid -----------------------------------------------------------------------------

template <typename C>
Mipmap<C>::Mipmap(int maxLevel, OwnedImage<C>* level0) noexcept {
    size(maxLevel, level0->width(), level0->height());
    if (numLevels() == 0) {
        destroyFree(level0);  // nothing to hold it: ownership was taken all the same
        return;
    }
    destroyFree(levels_[0]);
    levels_[0] = level0;
}

template <typename C>
Mipmap<C>::~Mipmap() {
    for (OwnedImage<C>* level : levels_) destroyFree(level);
}

template <typename C>
void Mipmap<C>::size(int maxLevel, int width, int height) noexcept {
    int n = 0;
    for (int w = width, h = height; n <= maxLevel && w != 0 && h != 0; w >>= 1, h >>= 1) ++n;
    if (n < numLevels()) fatalError("Mipmap::size would reduce the number of levels");
    while (numLevels() < n) levels_.pushBack(mallocNew<OwnedImage<C>>());
    for (int i = 0; i < n; ++i) level(i).size(width >> i, height >> i);
}

template <typename C>
box2i Mipmap<C>::impactOnNextLevel(Quality quality, box2i rect, int width, int height) noexcept {
    box2i r;
    if (quality == Quality::cubic)
        r = box2i((rect.min.x - 1) / 2, (rect.min.y - 1) / 2, (rect.max.x + 2) / 2,
                  (rect.max.y + 2) / 2);
    else
        r = box2i(rect.min.x / 2, rect.min.y / 2, (rect.max.x + 1) / 2, (rect.max.y + 1) / 2);
    return r.intersection(box2i(0, 0, width / 2, height / 2));
}

template <typename C>
void Mipmap<C>::filter(Quality quality, int lvl, box2i rect) noexcept {
    OwnedImage<C>& dst = level(lvl);
    const OwnedImage<C>& src = level(lvl - 1);
    if constexpr (std::is_same_v<C, RGBA>) {
        switch (quality) {
            case Quality::box:
                generateLevelBoxRGBA(dst, src, rect);
                return;
            case Quality::cubic:
                generateLevelCubicRGBA(dst, src, rect);
                return;
            case Quality::boxAlphaCov:
                generateLevelBoxAlphaCovRGBA(dst, src, rect);
                return;
            case Quality::boxAlphaCovIntoPremul:
                generateLevelBoxAlphaCovIntoPremulRGBA(dst, src, rect);
                return;
        }
    } else {
        switch (quality) {
            case Quality::box:
                generateLevelBoxL16(dst, src, rect);
                return;
            case Quality::cubic:
                generateLevelCubicL16(dst, src, rect);
                return;
            default:
                break;
        }
    }
    fatalError("Mipmap: no such filter for this pixel type");
}

template <typename C>
void Mipmap<C>::generateMipmaps(Quality quality) noexcept {
    box2i rect(0, 0, width(), height());
    for (int lvl = 1; lvl < numLevels(); ++lvl) {
        if (lvl >= 3 && quality == Quality::box) quality = Quality::cubic;
        rect = impactOnNextLevel(quality, rect, level(lvl - 1).width(), level(lvl - 1).height());
        filter(quality, lvl, rect);
    }
}

template <typename C>
box2i Mipmap<C>::generateNextLevel(Quality quality, box2i rect, int lvl) noexcept {
    const OwnedImage<C>& src = level(lvl - 1);
    box2i r = impactOnNextLevel(quality, rect, src.width(), src.height());
    filter(quality, lvl, r);
    return r;
}

template <typename C>
typename Mipmap<C>::Sample Mipmap<C>::linearSample(int lvl, float x, float y) const noexcept {
    if (numLevels() == 0) return Sample{};
    if (lvl < 0) lvl = 0;
    if (lvl > numLevels() - 1) lvl = numLevels() - 1;
    const OwnedImage<C>& img = level(lvl);
    const float s = std::ldexp(1.0f, -lvl);  // 2^-level, exact
    // NaN and absurd coordinates are pinned before the conversion to int; ordinary ones are
    // unaffected.
    auto prepare = [](float v) {
        if (!(v > 0.0f)) return 0.0f;
        return v < 1073741824.0f ? v : 1073741824.0f;
    };
    const float fx = prepare(x * s - 0.5f), fy = prepare(y * s - 0.5f);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const float tx = fx - static_cast<float>(ix), ty = fy - static_cast<float>(iy);
    const int w = img.width(), h = img.height();
    const int ix0 = ix < w - 1 ? ix : w - 1, ix1 = ix + 1 < w - 1 ? ix + 1 : w - 1;
    const int iy0 = iy < h - 1 ? iy : h - 1, iy1 = iy + 1 < h - 1 ? iy + 1 : h - 1;
    const C* row0 = img.scanlinePtr(iy0);
    const C* row1 = img.scanlinePtr(iy1);
    auto value = [](C p) {
        if constexpr (std::is_same_v<C, RGBA>)
            return geom::vec4f(p.r, p.g, p.b, p.a);
        else
            return static_cast<float>(p.l);
    };
    const Sample a = value(row0[ix0]), b = value(row0[ix1]);
    const Sample c = value(row1[ix0]), d = value(row1[ix1]);
    return (a * (1.0f - tx) + b * tx) * (1.0f - ty) + (c * (1.0f - tx) + d * tx) * ty;
}

template <typename C>
typename Mipmap<C>::Sample Mipmap<C>::linearMipmapSample(float lvl, float x,
                                                         float y) const noexcept {
    // Below level 0 (or NaN) is level 0; far beyond the last level is pinned before the
    // conversion to int (both samples come from the last level there anyway).
    if (!(lvl > 0.0f)) lvl = 0.0f;
    if (lvl > 1048576.0f) lvl = 1048576.0f;
    const int l = static_cast<int>(lvl);
    const float t = lvl - static_cast<float>(l);
    const Sample a = linearSample(l, x, y);
    if (t == 0.0f) return a;
    const Sample b = linearSample(l + 1, x, y);
    return a * (1.0f - t) + b * t;
}

template class Mipmap<RGBA>;
template class Mipmap<L16>;

}  // namespace rigging
