// The redraw: only the areas the last recomputation found are drawn, lit, copied and
// converted.

#include <cstring>

#include "rigging/core/grailsort.h"
#include "rigging/gui/boxlist.h"
#include "rigging/gui/drawbatch.h"
#include "rigging/gui/graphics.h"
#include "rigging/gui/pbrmaps.h"
#include "rigging/gui/pixelorder.h"

namespace rigging {

using geom::box2i;

void GUIGraphics::recomputeDrawLists() noexcept {
    drawListRaw_.clearContents();
    drawListPBR_.clearContents();
    getDrawLists(drawListRaw_, drawListPBR_);
    // Stable: equal z-orders keep tree order, parents before their children.
    auto byZOrder = [](UIElement* const& a, UIElement* const& b) {
        return a->zOrder() < b->zOrder() ? -1 : (a->zOrder() > b->zOrder() ? 1 : 0);
    };
    grailSort(drawListRaw_.slice(), byZOrder);
    grailSort(drawListPBR_.slice(), byZOrder);
}

template <typename Draw>
void GUIGraphics::drawInBatches(std::span<UIElement* const> list, Draw& draw) noexcept {
    std::size_t i = 0;
    while (i < list.size()) {
        const std::size_t end = drawBatchEnd(list, i);
        auto task = [&](int k, int) { draw(list[i + static_cast<std::size_t>(k)]); };
        pool_->parallelFor(static_cast<int>(end - i), task);
        i = end;
    }
}

void GUIGraphics::redrawElementsPBR() noexcept {
    if (rectsDirtyPBR_.length() == 0) return;
    const ImageRef<RGBA> diffuse = toRef(diffuse_->level(0));
    const ImageRef<L16> depth = toRef(depth_->level(0));
    const ImageRef<RGBA> material = toRef(material_->level(0));
    const std::span<const box2i> rects = rectsDirtyPBR_.slice();
    auto draw = [&](UIElement* e) { e->renderPBR(diffuse, depth, material, rects); };
    drawInBatches(drawListPBR_.slice(), draw);
}

void GUIGraphics::redrawElementsRaw() noexcept {
    if (areasToDisplay_.length() == 0) return;
    const ImageRef<RGBA> target = windowBuffer();
    const std::span<const box2i> areas = areasToDisplay_.slice();
    auto draw = [&](UIElement* e) { e->renderRaw(target, areas); };
    drawInBatches(drawListRaw_.slice(), draw);
}

void GUIGraphics::regenerateMipmaps() noexcept {
    if (rectsDirtyPBR_.length() == 0) return;
    regeneratePBRMaps(*diffuse_, *depth_, rectsDirtyPBR_.slice(), mipmapWorkDiffuse_,
                      mipmapWorkDepth_);
}

void GUIGraphics::compositeGUI() noexcept {
    tiles_.clearContents();
    tileAreas(areasToComposite_.slice(), kTileSize, kTileSize, tiles_);
    lastTileCount_ = static_cast<int>(tiles_.length());
    if (tiles_.length() == 0) return;
    getCompositor()->compositeTile(compositedBuffer(), tiles_.slice(), *diffuse_, *material_,
                                   *depth_);
}

void GUIGraphics::reorderComponents(WindowPixelFormat format) noexcept {
    const ImageRef<RGBA> target = windowBuffer();
    for (const box2i& a : areasToDisplay_) convertToWindowOrder(target, a, format);
}

void GUIGraphics::doDraw(WindowPixelFormat format) noexcept {
    if (sized_) {
        recomputeDrawLists();
        redrawElementsPBR();
        regenerateMipmaps();
        compositeGUI();
        const ImageRef<RGBA> composited = compositedBuffer(), target = windowBuffer();
        for (const box2i& a : areasToDisplay_)
            blitTo(cropImageRef(composited, a), cropImageRef(target, a));
        redrawElementsRaw();
        reorderComponents(format);
    }
    // Drawn: a later expose from the server only shows the buffer again.
    rectsDirtyRaw_.clearContents();
    rectsDirtyPBR_.clearContents();
    grownAreas_.clearContents();
    areasToComposite_.clearContents();
    areasToUpdate_.clearContents();
    areasToDisplay_.clearContents();
}

}  // namespace rigging
