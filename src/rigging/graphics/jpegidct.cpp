#include "rigging/graphics/jpegidct.h"

#include <cstring>

namespace rigging {
namespace {

// 13-bit fixed-point constants of the factorised 8-point transform.
constexpr std::int64_t kC0298 = 2446;   // 0.298631336
constexpr std::int64_t kC0390 = 3196;   // 0.390180644
constexpr std::int64_t kC0541 = 4433;   // 0.541196100
constexpr std::int64_t kC0765 = 6270;   // 0.765366865
constexpr std::int64_t kC0899 = 7373;   // 0.899976223
constexpr std::int64_t kC1175 = 9633;   // 1.175875602
constexpr std::int64_t kC1501 = 12299;  // 1.501321110
constexpr std::int64_t kC1847 = 15137;  // 1.847759065
constexpr std::int64_t kC1961 = 16069;  // 1.961570560
constexpr std::int64_t kC2053 = 16819;  // 2.053119869
constexpr std::int64_t kC2562 = 20995;  // 2.562915447
constexpr std::int64_t kC3072 = 25172;  // 3.072711026

// One 8-point pass, results 2^13 times the transform. 64-bit sums: a corrupt stream may hand in
// any 16-bit coefficients, and their products overflow 32 bits.
template <typename T>
inline void transform8(const T* in, int stride, std::int64_t out[8]) noexcept {
    std::int64_t x0 = in[0], x1 = in[stride], x2 = in[2 * stride], x3 = in[3 * stride];
    std::int64_t x4 = in[4 * stride], x5 = in[5 * stride], x6 = in[6 * stride];
    std::int64_t x7 = in[7 * stride];

    std::int64_t z1 = (x2 + x6) * kC0541;
    std::int64_t t2 = z1 - x6 * kC1847;
    std::int64_t t3 = z1 + x2 * kC0765;
    std::int64_t t0 = (x0 + x4) * 8192;
    std::int64_t t1 = (x0 - x4) * 8192;
    std::int64_t e0 = t0 + t3, e3 = t0 - t3, e1 = t1 + t2, e2 = t1 - t2;

    std::int64_t q1 = x7 + x1, q2 = x5 + x3, q3 = x7 + x3, q4 = x5 + x1;
    std::int64_t q5 = (q3 + q4) * kC1175;
    q1 *= -kC0899;
    q2 *= -kC2562;
    q3 = q3 * -kC1961 + q5;
    q4 = q4 * -kC0390 + q5;
    std::int64_t o0 = x7 * kC0298 + q1 + q3;
    std::int64_t o1 = x5 * kC2053 + q2 + q4;
    std::int64_t o2 = x3 * kC3072 + q2 + q3;
    std::int64_t o3 = x1 * kC1501 + q1 + q4;

    out[0] = e0 + o3;
    out[7] = e0 - o3;
    out[1] = e1 + o2;
    out[6] = e1 - o2;
    out[2] = e2 + o1;
    out[5] = e2 - o1;
    out[3] = e3 + o0;
    out[4] = e3 - o0;
}

inline std::uint8_t clampSample(std::int64_t v) noexcept {
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

}  // namespace

void jpegIdct(const std::int16_t* c, int maxZag, std::uint8_t* out) noexcept {
    if (maxZag <= 1) {
        std::memset(out, clampSample(((c[0] + 4) >> 3) + 128), 64);
        return;
    }
    // Rows first, keeping 2 more bits than the samples need.
    std::int32_t rows[64];
    std::int64_t r[8];
    for (int y = 0; y < 8; ++y) {
        const std::int16_t* in = c + 8 * y;
        std::int32_t* dst = rows + 8 * y;
        bool acZero = true;
        for (int x = 1; x < 8; ++x) acZero = acZero && in[x] == 0;
        if (acZero) {
            // What the full pass gives for a lone DC term.
            for (int x = 0; x < 8; ++x) dst[x] = in[0] * 4;
            continue;
        }
        transform8(in, 1, r);
        for (int x = 0; x < 8; ++x) dst[x] = static_cast<std::int32_t>((r[x] + 1024) >> 11);
    }
    for (int x = 0; x < 8; ++x) {
        transform8(rows + x, 8, r);
        for (int y = 0; y < 8; ++y)
            out[8 * y + x] = clampSample((r[y] + (128 << 18) + (1 << 17)) >> 18);
    }
}

}  // namespace rigging
