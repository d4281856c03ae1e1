#include "rigging/gui/pbrpasses.h"
#include "rigging/gui/pbrpixel.h"
#include "rigging/gui/pbrsampling.h"

namespace rigging {

void PassAmbientOcclusion::render(int, const geom::box2i& area,
                                  const CompositorPassBuffers& buffers) noexcept {
    const Mipmap<L16>& depthMap = *buffers.depthMap;
    const OwnedImage<L16>& depth = depthMap.level(0);
    const OwnedImage<RGBA>& diffuse = buffers.diffuseMap->level(0);
    OwnedImage<RGBAf>& acc = *buffers.accumBuffer;
    // Levels 1 to 4 (a shorter pyramid repeats its last level).
    const OwnedImage<L16>* levels[4];
    float scales[4];
    for (int k = 0; k < 4; ++k) {
        const int L = pbr::clampLevel(depthMap, k + 1);
        levels[k] = &depthMap.level(L);
        scales[k] = pbr::levelScale(L);
    }
    for (int y = area.min.y; y < area.max.y; ++y) {
        const float sy = static_cast<float>(y) + 0.5f;
        pbr::Taps rows[4];
        for (int k = 0; k < 4; ++k) rows[k] = pbr::taps(sy, scales[k], levels[k]->height());
        const L16* d = depth.scanlinePtr(y);
        const RGBA* diff = diffuse.scanlinePtr(y);
        RGBAf* out = acc.scanlinePtr(y);
        for (int x = area.min.x; x < area.max.x; ++x) {
            const float sx = static_cast<float>(x) + 0.5f;
            float s =
                pbr::sample(*levels[0], pbr::taps(sx, scales[0], levels[0]->width()), rows[0]);
            for (int k = 1; k < 4; ++k)
                s += pbr::sample(*levels[k], pbr::taps(sx, scales[k], levels[k]->width()), rows[k]);
            // Fully dark 23,040 units below the mean of the coarser levels.
            float occ =
                pbr::clamp01((static_cast<float>(d[x].l) - 0.25f * s + 23040.0f) / 23040.0f);
            __m128 light = _mm_mul_ps(pbr::unit(diff[x]), _mm_set1_ps(occ * ambientLight));
            pbr::addInto(out[x], light);
        }
    }
}

}  // namespace rigging
