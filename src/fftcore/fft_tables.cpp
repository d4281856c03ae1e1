#include "fftcore/fft_tables.h"

#include <cmath>
#include <cstring>

namespace fftcore {

namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr float kQuarterPi = 0.7853982f;
// cos and sin of -pi/2 as single-precision functions give them.
constexpr float kSeedCos = -4.371139e-08f;
constexpr float kSeedSin = -1.0f;

constexpr int kLargeBrBits = 10;  // the bit-reversal table of the large path is for 2^10 floats

bool inCacheLayout(int m) {
    return m >= 4 && m <= 13;
}

// Single-precision cosine and sine, taken through the extended-precision functions: those are
// the same code on every machine, whereas the library picks its float versions by processor
// (fused multiply-add or not), which may change a last bit and with it every transform.
inline float cosF(float a) { return static_cast<float>(std::cos(static_cast<long double>(a))); }
inline float sinF(float a) { return static_cast<float>(std::sin(static_cast<long double>(a))); }

// (x, y) turned by the angle whose cosine and sine are c and s.
inline void rotate(float x, float y, float c, float s, float* out) {
    out[0] = x * c - y * s;
    out[1] = y * c + x * s;
}

// Doubles a list in place from the single entry (1, 0) until it holds q entries: each entry is
// followed by its rotated copy. The bit-reversed rule yields the list L, the natural rule
// exp(-i*pi*j/q).
void buildList(float* out, int q, bool bitReversed) {
    out[0] = 1.0f;
    out[1] = 0.0f;
    for (int d = 1; d < q; d *= 2) {
        float a = bitReversed ? -kHalfPi / static_cast<float>((q / 2) / d)
                              : -kHalfPi / static_cast<float>(d);
        float c = cosF(a), s = sinF(a);
        for (int i = d - 1; i >= 0; --i) {  // downwards: entry i is read before it is overwritten
            float x = out[2 * i], y = out[2 * i + 1];
            out[4 * i] = x;
            out[4 * i + 1] = y;
            rotate(x, y, c, s, &out[4 * i + 2]);
        }
    }
}

// Every four (cos, sin) pairs become four real parts followed by four imaginary parts.
void regroupForVectors(float* p, int entries) {
    for (int e = 0; e < entries; e += 4) {
        float tmp[8];
        for (int l = 0; l < 4; ++l) {
            tmp[l] = p[2 * (e + l)];
            tmp[4 + l] = p[2 * (e + l) + 1];
        }
        std::memcpy(&p[2 * e], tmp, sizeof tmp);
    }
}

// Rewrites stages k and k+1 (entries 2^k .. 2^(k+2)) as 2^k triplets (t0, t1, t2).
void writeTriplets(float* table, int k) {
    const int q = 1 << k;
    float t1s[2 * 256], t0s[2 * 256];  // k <= 8 here
    for (int g = 0; g < q; ++g) {
        t1s[2 * g] = table[2 * (q + g)];
        t1s[2 * g + 1] = table[2 * (q + g) + 1];
        t0s[2 * g] = table[2 * (2 * q + 2 * g)];
        t0s[2 * g + 1] = table[2 * (2 * q + 2 * g) + 1];
    }
    for (int g = 0; g < q; ++g) {
        float* t = &table[2 * (q + 3 * g)];
        float t0r = t0s[2 * g], t0i = t0s[2 * g + 1], t1r = t1s[2 * g], t1i = t1s[2 * g + 1];
        t[0] = t0r;
        t[1] = t0i;
        t[2] = t1r;
        t[3] = t1i;
        t[4] = t0r * t1r - t0i * t1i;
        t[5] = t0i * t1r + t0r * t1i;
    }
}

void inCacheTable(int m, float* table) {
    const int n = 1 << m;
    for (int k = 0; k <= m - 3; ++k) buildList(&table[2 * (1 << k)], 1 << k, true);
    buildList(&table[2 * (n / 4)], n / 4, false);
    buildList(&table[2 * (n / 2)], n / 2, false);
    regroupForVectors(&table[2 * (n / 4)], n / 4);
    regroupForVectors(&table[2 * (n / 2)], n / 2);
    for (int k = 0; k + 1 <= m - 3; k += 2) writeTriplets(table, k);
}

std::uint32_t reverseBits(std::uint32_t x, int bits) {
    std::uint32_t r = 0;
    for (int b = 0; b < bits; ++b) r |= ((x >> b) & 1u) << (bits - 1 - b);
    return r;
}

}  // namespace

int br_table_size(int k) {
    return k < 4 ? 0 : (1 << (k - 4)) + 4;
}

std::size_t twiddle_bytes(int m) {
    if (m <= 0) return 0;
    return inCacheLayout(m) ? std::size_t{8} << m : std::size_t{8} << (m - 1);
}

std::size_t table_size_bytes(int m) {
    int brBits = m < 14 ? m : kLargeBrBits;
    return twiddle_bytes(m) + 4 * static_cast<std::size_t>(br_table_size(brBits));
}

void twiddle_table(int m, float* table) {
    if (m <= 0) return;
    if (inCacheLayout(m))
        inCacheTable(m, table);
    else
        buildList(table, 1 << (m - 1), true);
}

void init_br_table(int k, std::uint32_t* out) {
    const int bits = k - 4;
    const std::uint32_t tiles = 1u << bits;
    int idx = 0;
    for (std::uint32_t t = tiles; t-- > 0;)
        if (reverseBits(t, bits) == t) out[idx++] = 4 * t;
    for (std::uint32_t t = tiles; t-- > 0;) {
        std::uint32_t r = reverseBits(t, bits);
        if (r < t) {
            out[idx++] = 4 * t;
            out[idx++] = 4 * r;
        }
    }
}

void fft_table(int m, float* table) {
    if (m <= 0) return;
    twiddle_table(m, table);
    if (m >= 4) {
        int brBits = m < 14 ? m : kLargeBrBits;
        init_br_table(brBits, const_cast<std::uint32_t*>(br_table_of(table, m)));
    }
}

std::size_t rtable_size_bytes(int log2n) {
    return log2n < 1 ? 0 : std::size_t{4} << (log2n - 1);
}

void rfft_table(int log2n, float* table) {
    if (log2n < 2) return;
    const int q = 1 << (log2n - 2);  // entry k is exp(-2*pi*i*(k+1)/n)
    table[2 * (q - 1)] = kSeedCos;
    table[2 * (q - 1) + 1] = kSeedSin;
    // The list grows towards the front: each entry gets its copy turned by +pi/(4d) before it.
    for (int d = 1; d < q; d *= 2) {
        float a = kQuarterPi / static_cast<float>(d);
        float c = cosF(a), s = sinF(a);
        float* dst = &table[2 * (q - 2 * d)];
        const float* src = &table[2 * (q - d)];
        for (int i = 0; i < d; ++i) {  // upwards: no write passes an entry still to be read
            float x = src[2 * i], y = src[2 * i + 1];
            rotate(x, y, c, s, &dst[4 * i]);
            dst[4 * i + 2] = x;
            dst[4 * i + 3] = y;
        }
    }
    if (log2n >= 4) regroupForVectors(table, q);
}

std::size_t itable_size_bytes(int log2n) {
    return log2n < 5 ? 0 : std::size_t{1} << (log2n - 5);
}

void interleave_table(int log2n, std::uint8_t* table) {
    if (log2n < 7) return;
    const std::size_t chunks = std::size_t{1} << (log2n - 5);
    const std::size_t half = chunks / 2;
    std::memset(table, 1, chunks);
    // Walks each cycle backwards from its leader: chunk j receives chunk 2j (j < half), else
    // chunk 2(j - half) + 1.
    for (std::size_t v = 1; v < half; ++v) {
        if (!table[v]) continue;
        for (std::size_t j = 2 * v; j != v; j = j < half ? 2 * j : 2 * (j - half) + 1) table[j] = 0;
    }
}

std::size_t alignment(std::size_t n) {
    if (n < 1) return 8;
    int lg = 63 - __builtin_clzll(n);
    std::size_t a = lg >= 10 ? 4096 : std::size_t{4} << lg;
    return a < 9 ? 8 : a;
}

}  // namespace fftcore
