#include "rigging/gui/pbrmaps.h"

namespace rigging {

namespace {

constexpr int kDiffuseLastLevel = 5;
constexpr int kDepthLastLevel = 4;

}  // namespace

void sizePBRMaps(Mipmap<RGBA>& diffuse, Mipmap<L16>& depth, Mipmap<RGBA>& material, int width,
                 int height) noexcept {
    diffuse.size(kDiffuseLastLevel, width, height);
    depth.size(kDepthLastLevel, width, height);
    depth.level(0).size(width, height, 1, 1, 1, 2);
    material.size(0, width, height);
}

void regeneratePBRMaps(Mipmap<RGBA>& diffuse, Mipmap<L16>& depth,
                       std::span<const geom::box2i> dirty, Vec<geom::box2i>& diffuseWork,
                       Vec<geom::box2i>& depthWork) noexcept {
    if (dirty.empty()) return;
    diffuseWork.clearContents();
    diffuseWork.pushBack(dirty);
    depthWork.clearContents();
    depthWork.pushBack(dirty);

    for (int L = 1; L < diffuse.numLevels(); ++L) {
        auto quality = L == 1 ? MipmapQuality::boxAlphaCovIntoPremul : MipmapQuality::cubic;
        for (geom::box2i& r : diffuseWork) r = diffuse.generateNextLevel(quality, r, L);
    }

    for (const geom::box2i& r : depthWork) depth.level(0).replicateBordersTouching(r);
    for (int L = 1; L < depth.numLevels(); ++L) {
        auto quality = L <= 2 ? MipmapQuality::box : MipmapQuality::cubic;
        for (geom::box2i& r : depthWork) r = depth.generateNextLevel(quality, r, L);
    }
}

}  // namespace rigging
