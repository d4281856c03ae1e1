#include <algorithm>
#include <cstdint>
#include <cstring>

#include "rigging/gui/pbrpasses.h"
#include "rigging/gui/pbrpixel.h"
#include "rigging/gui/pbrsampling.h"

namespace rigging {

namespace {

constexpr int kFirstLevel = 1, kLastLevel = 5;
// Side of the blocks whose dark levels are found once.
constexpr int kBlock = 32;
// Glow of the emission-weighted levels 1 to 5: wider levels weigh less; the sum is 1.5.
constexpr float kWeights[kLastLevel + 1] = {
    0.0f, 0.3f / 255.0f, 0.45f / 255.0f, 0.375f / 255.0f, 0.225f / 255.0f, 0.15f / 255.0f};

// Whether every texel that samples of the area at this level can read is zero: such a level
// adds exactly nothing there.
bool levelIsDark(const OwnedImage<RGBA>& level, float scale, const geom::box2i& area) noexcept {
    const int w = level.width(), h = level.height();
    const int tx0 = pbr::taps(static_cast<float>(area.min.x) + 0.5f, scale, w).i0;
    const int tx1 = pbr::taps(static_cast<float>(area.max.x - 1) + 0.5f, scale, w).i1;
    const int ty0 = pbr::taps(static_cast<float>(area.min.y) + 0.5f, scale, h).i0;
    const int ty1 = pbr::taps(static_cast<float>(area.max.y - 1) + 0.5f, scale, h).i1;
    for (int y = ty0; y <= ty1; ++y) {
        const RGBA* row = level.scanlinePtr(y);
        for (int x = tx0; x <= tx1; ++x) {
            std::uint32_t word;
            std::memcpy(&word, &row[x], 4);
            if (word != 0) return false;
        }
    }
    return true;
}

}  // namespace

void PassEmissiveContribution::render(int, const geom::box2i& area,
                                      const CompositorPassBuffers& buffers) noexcept {
    const Mipmap<RGBA>& diffuse = *buffers.diffuseMap;
    OwnedImage<RGBAf>& acc = *buffers.accumBuffer;
    const int last = diffuse.numLevels() - 1;
    if (last < 0) return;

    // Emission is rare: blocks under which a level is dark skip that level's sample.
    for (int by = area.min.y; by < area.max.y; by += kBlock) {
        for (int bx = area.min.x; bx < area.max.x; bx += kBlock) {
            const geom::box2i block(bx, by, std::min(bx + kBlock, area.max.x),
                                    std::min(by + kBlock, area.max.y));
            const OwnedImage<RGBA>* levels[kLastLevel];
            float scales[kLastLevel], weights[kLastLevel];
            int count = 0;
            for (int L = kFirstLevel; L <= kLastLevel; ++L) {
                // Sampling clamps a level beyond the pyramid to its last one.
                const int used = std::min(L, last);
                const float scale = pbr::levelScale(used);
                if (levelIsDark(diffuse.level(used), scale, block)) continue;
                levels[count] = &diffuse.level(used);
                scales[count] = scale;
                weights[count++] = kWeights[L];
            }
            if (count == 0) continue;

            for (int y = block.min.y; y < block.max.y; ++y) {
                const float sy = static_cast<float>(y) + 0.5f;
                pbr::Taps rows[kLastLevel];
                for (int i = 0; i < count; ++i)
                    rows[i] = pbr::taps(sy, scales[i], levels[i]->height());
                RGBAf* out = acc.scanlinePtr(y);
                for (int x = block.min.x; x < block.max.x; ++x) {
                    const float sx = static_cast<float>(x) + 0.5f;
                    __m128 glow = _mm_setzero_ps();
                    for (int i = 0; i < count; ++i) {
                        __m128 s = pbr::sample(
                            *levels[i], pbr::taps(sx, scales[i], levels[i]->width()), rows[i]);
                        glow = _mm_add_ps(glow, _mm_mul_ps(s, _mm_set1_ps(weights[i])));
                    }
                    pbr::addInto(out[x], glow);
                }
            }
        }
    }
}

}  // namespace rigging
