#include "rigging/pbrwidgets/pbrbackgroundgui.h"

#include <algorithm>
#include <cstring>

#include "rigging/core/nogc.h"
#include "rigging/graphics/drawex.h"
#include "rigging/gui/pbrpasses.h"

namespace rigging {

using geom::box2i;

namespace {

box2i overlap(const box2i& a, const box2i& b) noexcept {
    return box2i(std::max(a.min.x, b.min.x), std::max(a.min.y, b.min.y), std::min(a.max.x, b.max.x),
                 std::min(a.max.y, b.max.y));
}

bool hasArea(const box2i& b) noexcept {
    return b.max.x > b.min.x && b.max.y > b.min.y;
}

// Rows of `image` under r (element coordinates, read at r + offset) into the map, limited to
// the painted rectangles, to the image's own pixels and to the map.
template <typename C>
void copyRows(const OwnedImage<C>& image, const ImageRef<C>& map, const box2i& r,
              const box2i& source, const box2i& dest, geom::vec2i offset) noexcept {
    const box2i imageBounds(0, 0, image.width(), image.height());
    const box2i readable = overlap(source, imageBounds);
    box2i d = overlap(overlap(r, dest), box2i(0, 0, map.w, map.h));
    d = overlap(d, box2i(readable.min.x - offset.x, readable.min.y - offset.y,
                         readable.max.x - offset.x, readable.max.y - offset.y));
    if (!hasArea(d)) return;
    const std::size_t rowBytes = static_cast<std::size_t>(d.width()) * sizeof(C);
    for (int y = d.min.y; y < d.max.y; ++y)
        std::memcpy(static_cast<void*>(map.scanlinePtr(y) + d.min.x),
                    image.scanlinePtr(y + offset.y) + d.min.x + offset.x, rowBytes);
}

}  // namespace

PBRBackgroundGUI::PBRBackgroundGUI(const SizeConstraints& constraints, Bytes basecolor,
                                   Bytes emissive, Bytes material, Bytes depth, Bytes skybox,
                                   int maxWorkers) noexcept
    : GUIGraphics(constraints, drawsPBR, maxWorkers) {
    loadImages(basecolor, emissive, material, depth, skybox);
}

PBRBackgroundGUI::~PBRBackgroundGUI() {
    freeImages();
    destroyFree(pendingSkybox_);
}

void PBRBackgroundGUI::freeImages() noexcept {
    destroyFree(diffuse_);
    destroyFree(material_);
    destroyFree(depth_);
    diffuse_ = material_ = nullptr;
    depth_ = nullptr;
}

void PBRBackgroundGUI::loadImages(Bytes basecolor, Bytes emissive, Bytes material, Bytes depth,
                                  Bytes skybox) noexcept {
    freeImages();
    diffuse_ = loadImageSeparateAlpha(basecolor, emissive);
    material_ = loadOwnedImage(material);

    OwnedImage<RGBA>* rgb = loadOwnedImage(depth);
    depth_ = mallocNew<OwnedImage<L16>>(rgb->width(), rgb->height(), 0, 1, 1, 0);
    for (int y = 0; y < rgb->height(); ++y) {
        const RGBA* in = rgb->scanlinePtr(y);
        L16* out = depth_->scanlinePtr(y);
        for (int x = 0; x < rgb->width(); ++x) out[x] = depthFromRGB(in[x]);
    }
    destroyFree(rgb);

    destroyFree(pendingSkybox_);
    pendingSkybox_ = loadOwnedImage(skybox);
    if (hasCompositor()) handSkyboxTo(*getCompositor());

    reflow(position());
}

void PBRBackgroundGUI::onCompositorBuilt(ICompositor& compositor) noexcept {
    GUIGraphics::onCompositorBuilt(compositor);
    handSkyboxTo(compositor);
}

void PBRBackgroundGUI::handSkyboxTo(ICompositor& compositor) noexcept {
    OwnedImage<RGBA>* image = pendingSkybox_;
    pendingSkybox_ = nullptr;
    if (image == nullptr) return;
    auto* multipass = dynamic_cast<MultipassCompositor*>(&compositor);
    if (multipass != nullptr) {
        std::span<CompositorPass* const> passes = multipass->passes();
        // Each pass owns its image: the last one takes the decoded image, any other a copy.
        int remaining = 0;
        for (CompositorPass* pass : passes)
            remaining += dynamic_cast<PassSkyboxReflections*>(pass) != nullptr;
        for (CompositorPass* pass : passes) {
            auto* sky = dynamic_cast<PassSkyboxReflections*>(pass);
            if (sky == nullptr) continue;
            if (--remaining == 0) {
                sky->setSkybox(image);
                image = nullptr;
            } else {
                auto* copy = mallocNew<OwnedImage<RGBA>>(image->width(), image->height());
                blitTo(toRef(*image), toRef(*copy));
                sky->setSkybox(copy);
            }
        }
    }
    destroyFree(image);
}

void PBRBackgroundGUI::reflow(const box2i& box) noexcept {
    setPosition(box);
    const int w = std::min(box.width(), diffuse_ != nullptr ? diffuse_->width() : 0);
    const int h = std::min(box.height(), diffuse_ != nullptr ? diffuse_->height() : 0);
    sourceRect_ = destRect_ = box2i(0, 0, std::max(w, 0), std::max(h, 0));
    offset_ = geom::vec2i{0, 0};
}

void PBRBackgroundGUI::onDrawPBR(ImageRef<RGBA> diffuseMap, ImageRef<L16> depthMap,
                                 ImageRef<RGBA> materialMap,
                                 std::span<const box2i> dirtyRects) noexcept {
    for (const box2i& r : dirtyRects) {
        copyRows(*diffuse_, diffuseMap, r, sourceRect_, destRect_, offset_);
        copyRows(*depth_, depthMap, r, sourceRect_, destRect_, offset_);
        copyRows(*material_, materialMap, r, sourceRect_, destRect_, offset_);
    }
}

}  // namespace rigging
