#include "rigging/gui/pbrpasses.h"
#include "rigging/gui/pbrpixel.h"

namespace rigging {

void PassDirectionalLight::render(int, const geom::box2i& area,
                                  const CompositorPassBuffers& buffers) noexcept {
    const OwnedImage<RGBA>& diffuse = buffers.diffuseMap->level(0);
    const OwnedImage<RGBA>& material = buffers.materialMap->level(0);
    const OwnedImage<RGBf>& normals = *buffers.normalBuffer;
    OwnedImage<RGBAf>& acc = *buffers.accumBuffer;
    const __m128 colour = pbr::rgb0(color);
    for (int y = area.min.y; y < area.max.y; ++y) {
        const RGBA* diff = diffuse.scanlinePtr(y);
        const RGBA* mat = material.scanlinePtr(y);
        const RGBf* N = normals.scanlinePtr(y);
        RGBAf* out = acc.scanlinePtr(y);
        for (int x = area.min.x; x < area.max.x; ++x) {
            // Half-Lambert, mapped so that rough surfaces (larger r0 offset below zero) take
            // more of the light; not clamped.
            const float v = 0.5f * pbr::dot3(N[x], direction) + 0.5f;
            const float r0 = 0.24f - 0.5f * pbr::unit(mat[x].r);
            const float f = (v - r0) / (1.0f - r0);
            __m128 light = _mm_mul_ps(_mm_mul_ps(colour, pbr::unit(diff[x])), _mm_set1_ps(f));
            pbr::addInto(out[x], light);
        }
    }
}

}  // namespace rigging
