#pragma once
// The split-format complex transform: radix-4 passes on 4-float vectors over data in natural
// order, twiddles from the bit-reversed list L, then a bit reversal of the output.
//
// Stage k cuts the 2^m points into 2^k groups; group g multiplies the upper half of each of its
// butterflies by L[g]. Sizes up to 2^13 points use the in-cache table with ready-made radix-4
// triplets and do their last two stages after the reordering; larger sizes recurse over strips
// copied to stack scratch until a span fits in 1024 vectors.

#include <cstddef>
#include <cstdint>

#include "fftcore/fft_tables.h"
#include "fftcore/shuffle.h"

namespace fftcore {

template <class V>
struct FFT {
    using T = typename V::T;
    using BR = BitReverse<V>;

    struct Cx {  // one vector of complex values, split
        T r, i;
    };
    struct Triplet {  // factors of one radix-4 group: t0 = L[2g], t1 = L[g], t2 = t0*t1
        float t0r, t0i, t1r, t1i, t2r, t2i;
    };

    static constexpr std::size_t kLeafVectors = 1024;
    static constexpr int kStripVectors = 32;
    static constexpr int kStripRows = 16;
    static constexpr int kLastInCacheLog2 = 13;

    // Forward complex transform of 2^m points in place, natural order in and out.
    static void fft(float* re, float* im, int m, const float* table) {
        if (m <= 0) return;
        if (m == 1) {
            butterfly2(re, im);
        } else if (m == 2) {
            dft4(re, im);
        } else if (m == 3) {
            fft_tiny(re, im, table);
        } else if (m <= kLastInCacheLog2) {
            fft_in_cache(re, im, m, table);
        } else {
            fft_passes_recursive(re, im, std::size_t{1} << (m - 2), table, 0);
            const std::uint32_t* br = br_table_of(table, m);
            BR::bit_reverse_large(re, m, br);
            BR::bit_reverse_large(im, m, br);
        }
    }

    // Vector arithmetic ---------------------------------------------------------------------

    static Cx load(const float* re, const float* im, std::size_t j) {
        return {V::load(re + 4 * j), V::load(im + 4 * j)};
    }
    static void store(float* re, float* im, std::size_t j, Cx x) {
        V::store(re + 4 * j, x.r);
        V::store(im + 4 * j, x.i);
    }
    static Cx add(Cx a, Cx b) { return {V::add(a.r, b.r), V::add(a.i, b.i)}; }
    static Cx sub(Cx a, Cx b) { return {V::sub(a.r, b.r), V::sub(a.i, b.i)}; }
    static Cx mul(Cx w, Cx x) {
        return {V::sub(V::mul(w.r, x.r), V::mul(w.i, x.i)),
                V::add(V::mul(w.i, x.r), V::mul(w.r, x.i))};
    }
    static Cx broadcast(float r, float i) {
        return {V::scalar_to_vector(r), V::scalar_to_vector(i)};
    }

    // Two decimation-in-time stages on a0..a3 whose upper inputs are already twiddled (b1..b3):
    // y0, y1 = (a0 + b2) +- (b1 + b3); y2, y3 = (a0 - b2) -+ i(b1 - b3).
    static void radix4(Cx a0, Cx b1, Cx b2, Cx b3, Cx& y0, Cx& y1, Cx& y2, Cx& y3) {
        Cx p = add(a0, b2), q = sub(a0, b2), u = add(b1, b3), v = sub(b1, b3);
        y0 = add(p, u);
        y1 = sub(p, u);
        y2 = {V::add(q.r, v.i), V::sub(q.i, v.r)};
        y3 = {V::sub(q.r, v.i), V::add(q.i, v.r)};
    }

    // Passes on whole vectors -----------------------------------------------------------------

    // Stages 0 and 1 of a span whose factors are all 1 (quarters of len/4 vectors).
    static void radix4_trivial(float* re, float* im, std::size_t len) {
        const std::size_t q = len / 4;
        for (std::size_t j = 0; j < q; ++j) {
            Cx y0, y1, y2, y3;
            radix4(load(re, im, j), load(re, im, j + q), load(re, im, j + 2 * q),
                   load(re, im, j + 3 * q), y0, y1, y2, y3);
            store(re, im, j, y0);
            store(re, im, j + q, y1);
            store(re, im, j + 2 * q, y2);
            store(re, im, j + 3 * q, y3);
        }
    }

    // One radix-4 level over a span of len vectors: groups of 2s vectors, half-span h = s/2;
    // triplet(g) gives the factors of group g.
    template <class TripletOf>
    static void fft_two_passes(float* re, float* im, std::size_t len, std::size_t s,
                               TripletOf triplet) {
        const std::size_t h = s / 2;
        for (std::size_t base = 0, g = 0; base < len; base += 2 * s, ++g) {
            Triplet t = triplet(g);
            Cx t0 = broadcast(t.t0r, t.t0i), t1 = broadcast(t.t1r, t.t1i),
               t2 = broadcast(t.t2r, t.t2i);
            float* r = re + 4 * base;
            float* i = im + 4 * base;
            for (std::size_t j = 0; j < h; ++j) {
                Cx b2 = mul(t1, load(r, i, j + s));
                Cx b1 = mul(t0, load(r, i, j + h));
                Cx b3 = mul(t2, load(r, i, j + s + h));
                Cx y0, y1, y2, y3;
                radix4(load(r, i, j), b1, b2, b3, y0, y1, y2, y3);
                store(r, i, j, y0);
                store(r, i, j + h, y1);
                store(r, i, j + s, y2);
                store(r, i, j + s + h, y3);
            }
        }
    }

    // Triplets stored ready-made in the in-cache table.
    static auto stored_triplets(const float* level) {
        return [level](std::size_t g) {
            const float* t = level + 6 * g;
            return Triplet{t[0], t[1], t[2], t[3], t[4], t[5]};
        };
    }

    // Triplets computed from the compact list for groups numbered from `offset`.
    static auto list_triplets(const float* list, std::size_t offset) {
        return [list, offset](std::size_t g) {
            std::size_t a = offset + g;
            float t1r = list[2 * a], t1i = list[2 * a + 1];
            float t0r = list[4 * a], t0i = list[4 * a + 1];
            return Triplet{t0r, t0i, t1r, t1i, t0r * t1r - t0i * t1i, t0i * t1r + t0r * t1i};
        };
    }

    // A stage of half-span one vector: group b (vectors 2b, 2b+1) uses factor b of `factors`.
    static void single_stage(float* re, float* im, std::size_t len, const float* factors) {
        for (std::size_t b = 0; b < len / 2; ++b) {
            Cx w = broadcast(factors[2 * b], factors[2 * b + 1]);
            Cx x0 = load(re, im, 2 * b), x1 = mul(w, load(re, im, 2 * b + 1));
            store(re, im, 2 * b, add(x0, x1));
            store(re, im, 2 * b + 1, sub(x0, x1));
        }
    }

    // Passes inside vectors -------------------------------------------------------------------

    // The stages of half-span 2 and 1 points on a span of len vectors; g4 is the absolute number
    // of the span's first 4-point group (its 2-point groups start at 2*g4).
    static void fft_passes_fractional(float* re, float* im, std::size_t len, const float* list,
                                      std::size_t g4) {
        for (std::size_t p = 0; p < len / 2; ++p) {
            Cx u, v, w;
            V::transpose2(V::load(re + 8 * p), V::load(re + 8 * p + 4), u.r, v.r);
            V::transpose2(V::load(im + 8 * p), V::load(im + 8 * p + 4), u.i, v.i);
            V::complex_array_to_real_imag_vec2(list + 2 * (g4 + 2 * p), w.r, w.i);
            Cx wv = mul(w, v);
            Cx u2 = add(u, wv), v2 = sub(u, wv);

            Cx a, b, w4;
            V::transpose4(u2.r, v2.r, a.r, b.r);
            V::transpose4(u2.i, v2.i, a.i, b.i);
            V::complex_array_to_real_imag_vec4(list + 2 * (2 * g4 + 4 * p), w4.r, w4.i);
            Cx wb = mul(w4, b);
            Cx a2 = add(a, wb), b2 = sub(a, wb);

            T lo, hi;
            V::interleave(a2.r, b2.r, lo, hi);
            V::store(re + 8 * p, lo);
            V::store(re + 8 * p + 4, hi);
            V::interleave(a2.i, b2.i, lo, hi);
            V::store(im + 8 * p, lo);
            V::store(im + 8 * p + 4, hi);
        }
    }

    // Sizes -----------------------------------------------------------------------------------

    static void butterfly2(float* re, float* im) {
        float r0 = re[0], i0 = im[0], r1 = re[1], i1 = im[1];
        re[0] = r0 + r1;
        im[0] = i0 + i1;
        re[1] = r0 - r1;
        im[1] = i0 - i1;
    }

    static void dft4(float* re, float* im) {
        float sr = re[0] + re[2], si = im[0] + im[2], dr = re[0] - re[2], di = im[0] - im[2];
        float tr = re[1] + re[3], ti = im[1] + im[3], ur = re[1] - re[3], ui = im[1] - im[3];
        re[0] = sr + tr;
        im[0] = si + ti;
        re[2] = sr - tr;
        im[2] = si - ti;
        re[1] = dr + ui;  // (d) - i(u)
        im[1] = di - ur;
        re[3] = dr - ui;  // (d) + i(u)
        im[3] = di + ur;
    }

    // 8 points: one vector stage, the two stages inside vectors, then the 3-bit reversal.
    static void fft_tiny(float* re, float* im, const float* list) {
        single_stage(re, im, 2, list);
        fft_passes_fractional(re, im, 2, list, 0);
        swap(re[1], re[4]);
        swap(re[3], re[6]);
        swap(im[1], im[4]);
        swap(im[3], im[6]);
    }

    static void fft_in_cache(float* re, float* im, int m, const float* table) {
        const std::size_t nv = std::size_t{1} << (m - 2);  // N, vectors per array
        radix4_trivial(re, im, nv);
        std::size_t levelEntry = 4;  // level l starts at entry 4^l
        for (std::size_t s = nv / 8; s >= 2; s /= 4, levelEntry *= 4)
            fft_two_passes(re, im, nv, s, stored_triplets(table + 2 * levelEntry));
        if ((m - 2) % 2 == 1) single_stage(re, im, nv, table + nv);  // stage m-3, entry N/2

        const std::uint32_t* br = br_table_of(table, m);
        BR::bit_reverse_small(re, m, br);
        BR::bit_reverse_small(im, m, br);
        natural_stage(re, im, nv, nv / 4, table + 2 * nv);
        natural_stage(re, im, nv, nv / 2, table + 4 * nv);
    }

    // A stage on reordered data: x[j], x[j+s] of every group of 2s vectors with the factor
    // vector pair j (lane l of pair j is exp(-i*pi*(4j+l)/(4s))).
    static void natural_stage(float* re, float* im, std::size_t len, std::size_t s,
                              const float* pairs) {
        for (std::size_t base = 0; base < len; base += 2 * s) {
            for (std::size_t j = 0; j < s; ++j) {
                Cx w = {V::load(pairs + 8 * j), V::load(pairs + 8 * j + 4)};
                Cx a = load(re, im, base + j), b = mul(w, load(re, im, base + j + s));
                store(re, im, base + j, add(a, b));
                store(re, im, base + j + s, sub(a, b));
            }
        }
    }

    // Large path: a span of len vectors whose single group has the absolute number g.
    static void fft_passes_recursive(float* re, float* im, std::size_t len, const float* list,
                                     std::size_t g) {
        if (len <= kLeafVectors) {
            fft_leaf(re, im, len, list, g);
            return;
        }
        // Strips take two stages off spans of 2^11 and 2^12 vectors, four off larger ones (all
        // stages between the 16 rows), so the sub-spans shrink towards the leaf size quickly.
        int lg = 63 - __builtin_clzll(len);
        int stages = lg <= 14 ? lg - 10 : 4;
        stages += stages % 2;
        fft_passes_strided(re, im, len / kStripRows, list, g, stages);
        const std::size_t sub = len >> stages;
        for (std::size_t i = 0; i < (std::size_t{1} << stages); ++i)
            fft_passes_recursive(re + 4 * i * sub, im + 4 * i * sub, sub, list, (g << stages) + i);
    }

    static void fft_leaf(float* re, float* im, std::size_t len, const float* list, std::size_t g) {
        std::size_t s = len / 2;
        for (; s >= 2; s /= 4)
            fft_two_passes(re, im, len, s, list_triplets(list, g * (len / (2 * s))));
        if (s == 1) single_stage(re, im, len, list + 2 * (g * (len / 2)));
        fft_passes_fractional(re, im, len, list, g * len);
    }

    // The first `stages` stages (2 or 4) of a span seen as 16 rows of rowLen vectors, done on
    // strips of 32 columns copied to stack scratch.
    static void fft_passes_strided(float* re, float* im, std::size_t rowLen, const float* list,
                                   std::size_t g, int stages) {
        constexpr std::size_t kScratch = kStripRows * kStripVectors;  // 512 vectors
        constexpr std::size_t kStripFloats = 4 * kStripVectors;
        alignas(64) float sre[4 * kScratch];
        alignas(64) float sim[4 * kScratch];
        const std::size_t rowFloats = 4 * rowLen;
        for (std::size_t c = 0; c < rowLen / kStripVectors; ++c) {
            BR::strided_copy(sre, kStripFloats, re + kStripFloats * c, rowFloats, kStripRows);
            BR::strided_copy(sim, kStripFloats, im + kStripFloats * c, rowFloats, kStripRows);
            const std::size_t last = 2 * ((kScratch / 2) >> stages);
            for (std::size_t s = kScratch / 2; s > last; s /= 4) {
                if (s == kScratch / 2 && g == 0)
                    radix4_trivial(sre, sim, kScratch);
                else
                    fft_two_passes(sre, sim, kScratch, s,
                                   list_triplets(list, g * (kScratch / (2 * s))));
            }
            BR::strided_copy(re + kStripFloats * c, rowFloats, sre, kStripFloats, kStripRows);
            BR::strided_copy(im + kStripFloats * c, rowFloats, sim, kStripFloats, kStripRows);
        }
    }

    static void swap(float& a, float& b) {
        float t = a;
        a = b;
        b = t;
    }
};

}  // namespace fftcore
