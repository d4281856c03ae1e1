#include <algorithm>

#include "rigging/gui/pbrpasses.h"
#include "rigging/gui/ransac.h"

namespace rigging {

namespace {

// 1 / 4655: depth units to pixels of height.
constexpr float kDepthToPixels = 0.000214822765f;

}  // namespace

void PassComputeNormal::render(int, const geom::box2i& area,
                               const CompositorPassBuffers& buffers) noexcept {
    const OwnedImage<L16>& depth = buffers.depthMap->level(0);
    OwnedImage<RGBf>& normals = *buffers.normalBuffer;
    // The redraw pipeline keeps a replicated one-pixel ring around the depth map; without it
    // the neighbourhood is clamped to the image instead.
    const bool ring = depth.border() >= 1 && depth.borderRight() >= 1;
    const int W = depth.width(), H = depth.height();
    float n[9];
    for (int y = area.min.y; y < area.max.y; ++y) {
        const L16* rows[3];
        for (int r = 0; r < 3; ++r)
            rows[r] = depth.scanlinePtr(ring ? y - 1 + r : std::clamp(y - 1 + r, 0, H - 1));
        RGBf* out = normals.scanlinePtr(y);
        for (int x = area.min.x; x < area.max.x; ++x) {
            for (int r = 0; r < 3; ++r) {
                for (int c = 0; c < 3; ++c) {
                    int sx = ring ? x - 1 + c : std::clamp(x - 1 + c, 0, W - 1);
                    n[3 * r + c] = static_cast<float>(rows[r][sx].l) * kDepthToPixels;
                }
            }
            geom::vec3f v = computeRANSACNormal(n);
            out[x] = RGBf{v.x, v.y, v.z};
        }
    }
}

}  // namespace rigging
