#include <cstdint>
#include <cstring>

#include "rigging/core/nogc.h"
#include "rigging/gui/pbrpasses.h"
#include "rigging/gui/pbrpixel.h"
#include "rigging/gui/pbrsampling.h"
#include "rigging/gui/ransac.h"

namespace rigging {

namespace {

// log2 by the float's own bits: unbiased exponent plus the mantissa read as a value in [1, 2)
// (so the result is one above the true log2 between powers of two, exact at them, minus one).
inline float fastLog2(float v) noexcept {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    const int e = static_cast<int>((bits >> 23) & 0xFF) - 128;
    const std::uint32_t mantissaBits = (bits & 0x007FFFFFu) | 0x3F800000u;
    float f;
    std::memcpy(&f, &mantissaBits, 4);
    return static_cast<float>(e) + f;
}

// The small extra blur of rough surfaces: (roughness / 255) * 6 / 255 mip levels.
struct RoughnessLevels {
    float v[256];
    constexpr RoughnessLevels() : v() {
        for (int i = 0; i < 256; ++i) v[i] = static_cast<float>(i) / 255.0f * 6.0f / 255.0f;
    }
};
constexpr RoughnessLevels kRoughnessLevels;

}  // namespace

PassSkyboxReflections::~PassSkyboxReflections() {
    destroyFree(skybox_);
}

void PassSkyboxReflections::setSkybox(OwnedImage<RGBA>* image) noexcept {
    destroyFree(skybox_);
    skybox_ = nullptr;
    if (image == nullptr) return;
    if (image->width() < 1 || image->height() < 1) {
        // Nothing to build a pyramid from.
        destroyFree(image);
        return;
    }
    skybox_ = mallocNew<Mipmap<RGBA>>(12, image);
    skybox_->generateMipmaps(MipmapQuality::box);
}

void PassSkyboxReflections::render(int, const geom::box2i& area,
                                   const CompositorPassBuffers& buffers) noexcept {
    if (skybox_ == nullptr) return;
    const OwnedImage<L16>& depth = buffers.depthMap->level(0);
    const OwnedImage<RGBA>& diffuse = buffers.diffuseMap->level(0);
    const OwnedImage<RGBA>& material = buffers.materialMap->level(0);
    const OwnedImage<RGBf>& normals = *buffers.normalBuffer;
    OwnedImage<RGBAf>& acc = *buffers.accumBuffer;
    // The curvature reads one pixel around; without the depth map's ring, edge pixels are left
    // out rather than read outside it.
    geom::box2i region = area;
    if (depth.border() < 1 || depth.borderRight() < 1)
        region = area.intersection(geom::box2i(1, 1, depth.width() - 1, depth.height() - 1));
    if (region.empty() || !region.isSorted()) return;

    const float W = static_cast<float>(diffuse.width()), H = static_cast<float>(diffuse.height());
    const float sw = static_cast<float>(skybox_->width());
    const float sh = static_cast<float>(skybox_->height());
    const float curvatureScale = 0.00001f * sw * sh;
    // Metalness times the amount, on the 0-255 scale of the samples.
    float amounts[256];
    for (int i = 0; i < 256; ++i)
        amounts[i] = pbr::unit(static_cast<std::uint8_t>(i)) * skyboxAmount / 255.0f;
    for (int y = region.min.y; y < region.max.y; ++y) {
        const L16* up = depth.scanlinePtr(y - 1);
        const L16* mid = depth.scanlinePtr(y);
        const L16* down = depth.scanlinePtr(y + 1);
        const RGBA* diff = diffuse.scanlinePtr(y);
        const RGBA* mat = material.scanlinePtr(y);
        const RGBf* N = normals.scanlinePtr(y);
        RGBAf* out = acc.scanlinePtr(y);
        const float ey = static_cast<float>(y) / H - 0.5f;
        for (int x = region.min.x; x < region.max.x; ++x) {
            const RGBA m = mat[x];
            // Non-metal reflects nothing: the sum below would add exactly zero.
            if (m.g == 0) continue;

            // Integer sums of at most 12 x 65535: exact, and the same in float in any order.
            int dxx = 0, dyy = 0;
            for (const L16* row : {up, mid, down})
                dxx += row[x - 1].l - 2 * row[x].l + row[x + 1].l;
            for (int c = x - 1; c <= x + 1; ++c) dyy += up[c].l - 2 * mid[c].l + down[c].l;
            const float cx = static_cast<float>(dxx) * (1.0f / 256.0f);  // exact, as / 256
            const float cy = static_cast<float>(dyy) * (1.0f / 256.0f);
            const float curv = 1.0f + curvatureScale * (cx * cx + cy * cy);
            // Curved ground blurs the reflection; roughness adds a little.
            const float level = 0.5f * fastLog2(curv) + kRoughnessLevels.v[m.r];

            __m128 eye = _mm_fast_normalize_ps(
                _mm_setr_ps(0.5f - static_cast<float>(x) / W, ey, 1.0f, 0.0f));
            alignas(16) float r[4];
            _mm_store_ps(r, _mm_reflectnormal_ps(eye, pbr::loadNormal(N[x])));
            const float sx = (0.5f - 0.5f * r[0]) * (sw - 1.0f) + 0.5f;
            const float sy = (0.5f + 0.5f * r[1]) * (sh - 1.0f) + 0.5f;
            const __m128 s = pbr::linearMipmapSample(*skybox_, level, sx, sy);

            const float amount = amounts[m.g];
            __m128 light = _mm_mul_ps(_mm_mul_ps(s, pbr::unit(diff[x])), _mm_set1_ps(amount));
            pbr::addInto(out[x], light);
        }
    }
}

}  // namespace rigging
