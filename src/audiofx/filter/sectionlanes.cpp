#include "audiofx/filter/sectionlanes.h"

#include <emmintrin.h>

namespace audiofx {

namespace {

// Four passes, skewed by one sample each; the recursion of BiQuad::getNextSample in each lane.
class FourPasses {
public:
    explicit FourPasses(float* const* p) noexcept {
        for (int k = 0; k < 4; ++k) {
            const float* f = p[k];
            b0[k] = _mm_load_ps(f + 0);
            b1[k] = _mm_load_ps(f + 4);
            b2[k] = _mm_load_ps(f + 8);
            a1[k] = _mm_load_ps(f + 12);
            a2[k] = _mm_load_ps(f + 16);
            w1[k] = _mm_load_ps(f + 20);
            w2[k] = _mm_load_ps(f + 24);
            r[k] = _mm_load_ps(f + 28);
        }
    }

    void storeTo(float* const* p) const noexcept {
        for (int k = 0; k < 4; ++k) {
            _mm_store_ps(p[k] + 20, w1[k]);
            _mm_store_ps(p[k] + 24, w2[k]);
            _mm_store_ps(p[k] + 28, r[k]);
        }
    }

    template <bool Checked>
    inline void iterate(int t, float* buf, int n) noexcept {
#pragma GCC unroll 4
        for (int k = 3; k >= 0; --k) {
            const int s = t - k;
            if (Checked && (s < 0 || s >= n)) continue;
            const __m128 x = k == 0 ? _mm_load_ps(buf + 4 * s) : r[k - 1];
            const __m128 w =
                _mm_sub_ps(_mm_sub_ps(x, _mm_mul_ps(a1[k], w1[k])), _mm_mul_ps(a2[k], w2[k]));
            r[k] = _mm_add_ps(_mm_add_ps(_mm_mul_ps(b0[k], w), _mm_mul_ps(b1[k], w1[k])),
                              _mm_mul_ps(b2[k], w2[k]));
            w2[k] = w1[k];
            w1[k] = w;
        }
        const int done = t - 3;
        if (!Checked || (done >= 0 && done < n)) _mm_store_ps(buf + 4 * done, r[3]);
    }

    void run(float* buf, int n) noexcept {
        int t = 0;
        for (; t < 3 && t < n + 3; ++t) iterate<true>(t, buf, n);
        for (; t < n; ++t) iterate<false>(t, buf, n);
        for (; t < n + 3; ++t) iterate<true>(t, buf, n);
    }

private:
    __m128 b0[4], b1[4], b2[4], a1[4], a2[4], w1[4], w2[4], r[4];
};

}  // namespace

void SectionLanes::clear() noexcept {
    for (auto& pass : sections)
        for (BiQuad*& s : pass) s = nullptr;
}

bool SectionLanes::load() noexcept {
    static_assert(sizeof(Pass) == 8 * 4 * sizeof(float), "FourPasses reads a Pass by offsets");
    bool plain = true;
    depth = 0;
    for (int p = 0; p < maxDepth; ++p) {
        Pass& q = passes[p];
        for (int l = 0; l < lanes; ++l) {
            const BiQuad* s = sections[p][l];
            if (s) {
                depth = p + 1;
                plain = plain && s->hasPlainMix();
                q.b0[l] = s->b0;
                q.b1[l] = s->b1;
                q.b2[l] = s->b2;
                q.a1[l] = s->a1;
                q.a2[l] = s->a2;
                q.w1[l] = s->w1;
                q.w2[l] = s->w2;
                q.y[l] = s->y;
            } else {
                // A copy: w = x and out = w, with no state to speak of.
                q.b0[l] = 1.0f;
                q.b1[l] = q.b2[l] = q.a1[l] = q.a2[l] = 0.0f;
                q.w1[l] = q.w2[l] = q.y[l] = 0.0f;
            }
        }
    }
    depth = (depth + 3) / 4 * 4;  // whole groups of four passes
    return plain;
}

void SectionLanes::run(float* buf, int n) noexcept {
    if (n <= 0) return;
    for (int first = 0; first < depth; first += 4) {
        float* p[4];
        for (int k = 0; k < 4; ++k) p[k] = reinterpret_cast<float*>(&passes[first + k]);
        FourPasses group(p);
        group.run(buf, n);
        group.storeTo(p);
    }
}

void SectionLanes::store() noexcept {
    for (int p = 0; p < depth; ++p) {
        const Pass& q = passes[p];
        for (int l = 0; l < lanes; ++l) {
            BiQuad* s = sections[p][l];
            if (!s) continue;
            s->w0 = q.w1[l];
            s->w1 = q.w1[l];
            s->w2 = q.w2[l];
            s->y = q.y[l];
        }
    }
}

}  // namespace audiofx
