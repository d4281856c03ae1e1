#include <algorithm>
#include <cstdint>
#include <cstring>

#include "rigging/gui/pbrpasses.h"
#include "rigging/gui/pbrpixel.h"

namespace rigging {

namespace {

constexpr int kFirstLevel = 1, kLastLevel = 5;
// Side of the blocks whose dark levels are found once.
constexpr int kBlock = 32;
// Glow of the emission-weighted levels 1 to 5: wider levels weigh less; the sum is 1.5.
constexpr float kWeights[kLastLevel + 1] = {0.0f,           0.3f / 255.0f,   0.45f / 255.0f,
                                            0.375f / 255.0f, 0.225f / 255.0f, 0.15f / 255.0f};

// Texel index the bilinear sample at level-0 coordinate p starts from, at scale s.
inline int firstTexel(float p, float s) noexcept {
    return static_cast<int>(std::max(0.0f, p * s - 0.5f));
}

// Whether every texel that samples of the area at this level can read is zero: such a level
// adds exactly nothing there.
bool levelIsDark(const OwnedImage<RGBA>& level, float scale, const geom::box2i& area) noexcept {
    const int w = level.width(), h = level.height();
    const int tx0 = std::min(firstTexel(static_cast<float>(area.min.x) + 0.5f, scale), w - 1);
    const int tx1 = std::min(firstTexel(static_cast<float>(area.max.x - 1) + 0.5f, scale) + 1, w - 1);
    const int ty0 = std::min(firstTexel(static_cast<float>(area.min.y) + 0.5f, scale), h - 1);
    const int ty1 = std::min(firstTexel(static_cast<float>(area.max.y - 1) + 0.5f, scale) + 1, h - 1);
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
            int levels[kLastLevel];
            int count = 0;
            for (int L = kFirstLevel; L <= kLastLevel; ++L) {
                // Sampling clamps a level beyond the pyramid to its last one.
                const int used = std::min(L, last);
                const float scale = 1.0f / static_cast<float>(1 << used);
                if (!levelIsDark(diffuse.level(used), scale, block)) levels[count++] = L;
            }
            if (count == 0) continue;

            for (int y = block.min.y; y < block.max.y; ++y) {
                const float sy = static_cast<float>(y) + 0.5f;
                RGBAf* out = acc.scanlinePtr(y);
                for (int x = block.min.x; x < block.max.x; ++x) {
                    const float sx = static_cast<float>(x) + 0.5f;
                    __m128 glow = _mm_setzero_ps();
                    for (int i = 0; i < count; ++i) {
                        geom::vec4f s = diffuse.linearSample(levels[i], sx, sy);
                        glow = _mm_add_ps(glow, _mm_mul_ps(_mm_loadu_ps(s.ptr()),
                                                           _mm_set1_ps(kWeights[levels[i]])));
                    }
                    pbr::addInto(out[x], glow);
                }
            }
        }
    }
}

}  // namespace rigging
