#include <algorithm>
#include <cmath>

#include "geom/funcs.h"
#include "rigging/core/nogc.h"
#include "rigging/core/vec.h"
#include "rigging/gui/pbrpasses.h"
#include "rigging/gui/pbrpixel.h"
#include "rigging/gui/ransac.h"
#include "simd4/math.h"

namespace rigging {

namespace {

// Four normals of a row as x, y and z lanes.
inline void loadNormals4(const RGBf* n, __m128& x, __m128& y, __m128& z) noexcept {
    x = _mm_setr_ps(n[0].r, n[1].r, n[2].r, n[3].r);
    y = _mm_setr_ps(n[0].g, n[1].g, n[2].g, n[3].g);
    z = _mm_setr_ps(n[0].b, n[1].b, n[2].b, n[3].b);
}

// Lane-wise the single-pixel sums of four-lane dot products, (x x + z z) + (y y + 0): the same
// additions in the same order, so the same bits.
inline __m128 dot3(__m128 ax, __m128 ay, __m128 az, __m128 bx, __m128 by, __m128 bz) noexcept {
    __m128 xz = _mm_add_ps(_mm_mul_ps(ax, bx), _mm_mul_ps(az, bz));
    __m128 y0 = _mm_add_ps(_mm_mul_ps(ay, by), _mm_setzero_ps());
    return _mm_add_ps(xz, y0);
}

}  // namespace

PassSpecularLight::PassSpecularLight(MultipassCompositor& parent) noexcept
    : CompositorPass(parent) {
    for (int i = 0; i < 256; ++i)
        exponents_[i] = static_cast<float>(std::exp((1.0 - i / 255.0) * 5.5) * 0.8 * 2.8);
    const std::size_t n = 2 * static_cast<std::size_t>(std::max(numThreads(), 1));
    rows_ = static_cast<float**>(checkedMalloc(checkedArrayBytes(n, sizeof(float*))));
    for (std::size_t i = 0; i < n; ++i) rows_[i] = nullptr;
}

PassSpecularLight::~PassSpecularLight() {
    const int n = 2 * std::max(numThreads(), 1);
    for (int i = 0; i < n; ++i)
        if (rows_[i]) alignedFree(rows_[i], 16);
    std::free(rows_);
}

void PassSpecularLight::resizeBuffers(int width, int, int, int) noexcept {
    const int n = 2 * std::max(numThreads(), 1);
    const std::size_t bytes =
        checkedArrayBytes(static_cast<std::size_t>(std::max(width, 1)), sizeof(float));
    for (int i = 0; i < n; ++i)
        rows_[i] = static_cast<float*>(alignedReallocDiscard(rows_[i], bytes, 16));
    rowLength_ = width;
}

// dot(N, normalize(normalize(E) + light)) for four eye rays (ex, ey, 1).
__m128 PassSpecularLight::halfVectorCosine4(__m128 ex, __m128 ey, __m128 nx, __m128 ny,
                                            __m128 nz) const noexcept {
    const __m128 one = _mm_set1_ps(1.0f);
    __m128 r = geom::inverseSqrt4(dot3(ex, ey, one, ex, ey, one));
    __m128 hx = _mm_add_ps(_mm_mul_ps(ex, r), _mm_set1_ps(direction.x));
    __m128 hy = _mm_add_ps(_mm_mul_ps(ey, r), _mm_set1_ps(direction.y));
    __m128 hz = _mm_add_ps(_mm_mul_ps(one, r), _mm_set1_ps(direction.z));
    __m128 r2 = geom::inverseSqrt4(dot3(hx, hy, hz, hx, hy, hz));
    return dot3(nx, ny, nz, _mm_mul_ps(hx, r2), _mm_mul_ps(hy, r2), _mm_mul_ps(hz, r2));
}

void PassSpecularLight::render(int threadIndex, const geom::box2i& area,
                               const CompositorPassBuffers& buffers) noexcept {
    const OwnedImage<RGBA>& diffuse = buffers.diffuseMap->level(0);
    const OwnedImage<RGBA>& material = buffers.materialMap->level(0);
    const OwnedImage<RGBf>& normals = *buffers.normalBuffer;
    OwnedImage<RGBAf>& acc = *buffers.accumBuffer;
    const int x0 = area.min.x, x1 = std::min(area.max.x, rowLength_);
    if (x0 >= x1) return;
    float* cosines = rows_[2 * threadIndex];
    float* powers = rows_[2 * threadIndex + 1];
    const float W = static_cast<float>(diffuse.width()), H = static_cast<float>(diffuse.height());
    const __m128 halfway = pbr::rgb0(direction);
    const __m128 colour = pbr::rgb0(color);

    for (int y = area.min.y; y < area.max.y; ++y) {
        const RGBA* diff = diffuse.scanlinePtr(y);
        const RGBA* mat = material.scanlinePtr(y);
        const RGBf* N = normals.scanlinePtr(y);
        RGBAf* out = acc.scanlinePtr(y);
        const float ey = static_cast<float>(y) / H - 0.5f;

        int x = x0;
        for (; x + 4 <= x1; x += 4) {
            // Four pixels side by side; every lane does what the single-pixel path does.
            __m128 nx, ny, nz;
            loadNormals4(N + x, nx, ny, nz);
            const __m128 xs = _mm_setr_ps(static_cast<float>(x), static_cast<float>(x + 1),
                                          static_cast<float>(x + 2), static_cast<float>(x + 3));
            const __m128 hv =
                halfVectorCosine4(_mm_sub_ps(_mm_set1_ps(0.5f), _mm_div_ps(xs, _mm_set1_ps(W))),
                                  _mm_set1_ps(ey), nx, ny, nz);
            _mm_storeu_ps(cosines + x, _mm_max_ps(hv, _mm_set1_ps(0.001f)));
            for (int i = 0; i < 4; ++i) powers[x + i] = exponents_[mat[x + i].r];
        }
        for (; x < x1; ++x) {
            // Eye ray of a viewer centred on the window, then the Blinn half vector.
            __m128 eye = _mm_setr_ps(0.5f - static_cast<float>(x) / W, ey, 1.0f, 0.0f);
            __m128 h = _mm_fast_normalize_ps(_mm_add_ps(_mm_fast_normalize_ps(eye), halfway));
            cosines[x] = _mm_cvtss_f32(
                _mm_max_ss(_mm_set_ss(_mm_dot_ps(pbr::loadNormal(N[x]), h)), _mm_set_ss(0.001f)));
            powers[x] = exponents_[mat[x].r];
        }
        for (x = x0; x + 4 <= x1; x += 4)
            _mm_storeu_ps(cosines + x,
                          simd4::_mm_pow_ps(_mm_loadu_ps(cosines + x), _mm_loadu_ps(powers + x)));
        for (; x < x1; ++x) cosines[x] = simd4::_mm_pow_ss(cosines[x], powers[x]);

        for (x = x0; x < x1; ++x) {
            const RGBA m = mat[x];
            // No glint without specular intensity or at full roughness: skipping adds nothing.
            if (m.b == 0 || m.r == 255) continue;
            const float mr = pbr::unit(m.r), mg = pbr::unit(m.g), mb = pbr::unit(m.b);
            const float k = (1.0f - 0.5f * mg) * (1.0f - mr) * 10.0f * cosines[x] * mb;
            __m128 light = _mm_mul_ps(_mm_mul_ps(colour, pbr::unit(diff[x])), _mm_set1_ps(k));
            pbr::addInto(out[x], light);
        }
    }
}

}  // namespace rigging
