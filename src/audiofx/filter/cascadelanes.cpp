#include "audiofx/filter/cascadelanes.h"

#include <emmintrin.h>

namespace audiofx {

namespace {

inline __m128 blend(__m128 mask, __m128 a, __m128 b) noexcept {
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

// Lane l, pass p holds section g = l P + p; identity sections fill the lanes past the last one
// (nothing reads their output).
template <int P>
class Lanes {
public:
    Lanes(BiQuad* const* s, int count) noexcept : sections(s), count(count) {
        alignas(16) float v[8][4];
        for (int p = 0; p < P; ++p) {
            for (int l = 0; l < 4; ++l) {
                const int g = l * P + p;
                const BiQuad* q = g < count ? s[g] : nullptr;
                v[0][l] = q ? q->b0 : 1.0f;
                v[1][l] = q ? q->b1 : 0.0f;
                v[2][l] = q ? q->b2 : 0.0f;
                v[3][l] = q ? q->a1 : 0.0f;
                v[4][l] = q ? q->a2 : 0.0f;
                v[5][l] = q ? q->w1 : 0.0f;
                v[6][l] = q ? q->w2 : 0.0f;
                v[7][l] = q ? q->y : 0.0f;
            }
            b0[p] = _mm_load_ps(v[0]);
            b1[p] = _mm_load_ps(v[1]);
            b2[p] = _mm_load_ps(v[2]);
            a1[p] = _mm_load_ps(v[3]);
            a2[p] = _mm_load_ps(v[4]);
            w1[p] = _mm_load_ps(v[5]);
            w2[p] = _mm_load_ps(v[6]);
            r[p] = _mm_load_ps(v[7]);
            index[p] = _mm_setr_epi32(p, P + p, 2 * P + p, 3 * P + p);
        }
    }

    void store() const noexcept {
        alignas(16) float v[3][4];
        for (int p = 0; p < P; ++p) {
            _mm_store_ps(v[0], w1[p]);
            _mm_store_ps(v[1], w2[p]);
            _mm_store_ps(v[2], r[p]);
            for (int l = 0; l < 4; ++l) {
                const int g = l * P + p;
                if (g >= count) continue;
                BiQuad* q = sections[g];
                q->w0 = q->w1 = v[0][l];
                q->w2 = v[1][l];
                q->y = v[2][l];
            }
        }
    }

    // Step t: section g takes sample t - g. At the edges of the block (Edge) only the sections
    // whose sample exists move.
    template <bool Edge>
    inline void step(int t, const float* in, float* out, int n) noexcept {
        // Lane l of pass 0 continues lane l - 1's last pass; lane 0 takes the new sample.
        const __m128 carried = _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(r[P - 1]), 4));
        const __m128 first = _mm_move_ss(carried, _mm_set_ss(t < n ? in[t] : 0.0f));
#pragma GCC unroll 4
        for (int p = P - 1; p >= 0; --p) {
            const __m128 x = p == 0 ? first : r[p - 1];
            const __m128 w =
                _mm_sub_ps(_mm_sub_ps(x, _mm_mul_ps(a1[p], w1[p])), _mm_mul_ps(a2[p], w2[p]));
            const __m128 y = _mm_add_ps(_mm_add_ps(_mm_mul_ps(b0[p], w), _mm_mul_ps(b1[p], w1[p])),
                                        _mm_mul_ps(b2[p], w2[p]));
            if (Edge) {
                const __m128i s = _mm_sub_epi32(_mm_set1_epi32(t), index[p]);
                const __m128 m = _mm_castsi128_ps(_mm_and_si128(
                    _mm_cmpgt_epi32(s, _mm_set1_epi32(-1)), _mm_cmplt_epi32(s, _mm_set1_epi32(n))));
                w2[p] = blend(m, w1[p], w2[p]);
                w1[p] = blend(m, w, w1[p]);
                r[p] = blend(m, y, r[p]);
            } else {
                w2[p] = w1[p];
                w1[p] = w;
                r[p] = y;
            }
        }
        const int done = t - (count - 1);
        if (!Edge || (done >= 0 && done < n)) {
            alignas(16) float v[4];
            _mm_store_ps(v, r[(count - 1) % P]);
            out[done] = v[(count - 1) / P];
        }
    }

    void run(const float* in, float* out, int n) noexcept {
        const int steps = n + count - 1;
        int t = 0;
        for (; t < count - 1 && t < steps; ++t) step<true>(t, in, out, n);
        for (; t < n; ++t) step<false>(t, in, out, n);
        for (; t < steps; ++t) step<true>(t, in, out, n);
    }

private:
    BiQuad* const* sections;
    const int count;
    __m128 b0[P], b1[P], b2[P], a1[P], a2[P], w1[P], w2[P], r[P];
    __m128i index[P];
};

template <int P>
void runLanes(BiQuad* const* s, int count, const float* in, float* out, int n) noexcept {
    Lanes<P> lanes(s, count);
    lanes.run(in, out, n);
    lanes.store();
}

}  // namespace

void runSectionsOverBlock(BiQuad* const* sections, int count, const float* in, float* out,
                          int n) noexcept {
    if (n <= 0) return;
    if (count <= 0) {
        if (out != in)
            for (int i = 0; i < n; ++i) out[i] = in[i];
        return;
    }
    for (int k = 0; k < count; ++k) {
        if (!sections[k]->hasPlainMix()) {
            for (int i = 0; i < n; ++i) {
                float x = in[i];
                for (int j = 0; j < count; ++j) x = sections[j]->getNextSample(x);
                out[i] = x;
            }
            return;
        }
    }
    // Up to 16 sections at a time; the writes trail the reads, so in place is safe.
    const float* src = in;
    for (int first = 0; first < count; first += 16) {
        const int c = count - first < 16 ? count - first : 16;
        BiQuad* const* s = sections + first;
        switch ((c + 3) / 4) {
            case 1:
                runLanes<1>(s, c, src, out, n);
                break;
            case 2:
                runLanes<2>(s, c, src, out, n);
                break;
            case 3:
                runLanes<3>(s, c, src, out, n);
                break;
            default:
                runLanes<4>(s, c, src, out, n);
                break;
        }
        src = out;
    }
}

}  // namespace audiofx
