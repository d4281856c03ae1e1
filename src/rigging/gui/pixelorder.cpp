#include "rigging/gui/pixelorder.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace rigging {

namespace {

// A pixel read as a little-endian word is A B G R from the high byte down.
struct ToBGRA {
    static std::uint32_t one(std::uint32_t v) noexcept {
        return 0xFF000000u | ((v & 0xFFu) << 16) | (v & 0xFF00u) | ((v >> 16) & 0xFFu);
    }
    static __m128i four(__m128i v) noexcept {
        const __m128i lowByte = _mm_set1_epi32(0xFF), middle = _mm_set1_epi32(0xFF00);
        __m128i r = _mm_slli_epi32(_mm_and_si128(v, lowByte), 16);
        __m128i g = _mm_and_si128(v, middle);
        __m128i b = _mm_and_si128(_mm_srli_epi32(v, 16), lowByte);
        return _mm_or_si128(_mm_or_si128(r, g), _mm_or_si128(b, _mm_set1_epi32(-16777216)));
    }
};

struct ToARGB {
    static std::uint32_t one(std::uint32_t v) noexcept { return (v << 8) | 0xFFu; }
    static __m128i four(__m128i v) noexcept {
        return _mm_or_si128(_mm_slli_epi32(v, 8), _mm_set1_epi32(0xFF));
    }
};

struct ToRGBA {
    static std::uint32_t one(std::uint32_t v) noexcept { return v | 0xFF000000u; }
    static __m128i four(__m128i v) noexcept { return _mm_or_si128(v, _mm_set1_epi32(-16777216)); }
};

template <typename Op>
void convert(ImageRef<RGBA> image, const geom::box2i& a) noexcept {
    const int n = a.width();
    for (int y = a.min.y; y < a.max.y; ++y) {
        auto* row = reinterpret_cast<std::uint8_t*>(image.scanlinePtr(y) + a.min.x);
        int x = 0;
        for (; x + 4 <= n; x += 4) {
            auto* p = reinterpret_cast<__m128i*>(row + 4 * x);
            _mm_storeu_si128(p, Op::four(_mm_loadu_si128(p)));
        }
        // The rest of the row one pixel at a time: nothing past the area is touched.
        for (; x < n; ++x) {
            std::uint32_t v;
            std::memcpy(&v, row + 4 * x, 4);
            v = Op::one(v);
            std::memcpy(row + 4 * x, &v, 4);
        }
    }
}

}  // namespace

void convertToWindowOrder(ImageRef<RGBA> image, const geom::box2i& area,
                          WindowPixelFormat format) noexcept {
    const geom::box2i a(std::max(area.min.x, 0), std::max(area.min.y, 0),
                        std::min(area.max.x, image.w), std::min(area.max.y, image.h));
    if (a.max.x <= a.min.x || a.max.y <= a.min.y) return;
    switch (format) {
        case WindowPixelFormat::BGRA8:
            convert<ToBGRA>(image, a);
            break;
        case WindowPixelFormat::ARGB8:
            convert<ToARGB>(image, a);
            break;
        case WindowPixelFormat::RGBA8:
        default:
            convert<ToRGBA>(image, a);
            break;
    }
}

}  // namespace rigging
