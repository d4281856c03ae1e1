#include "rigging/gui/compositor.h"

#include "rigging/core/fpcontrol.h"
#include "rigging/core/nogc.h"
#include "rigging/core/threadpool.h"

namespace rigging {

namespace {

// Round to nearest, all exceptions masked, flush-to-zero and denormals-are-zero: the lighting
// gives the same pixels whatever state the calling thread runs in, and tiny powers of the
// specular term never take the slow denormal path.
constexpr std::uint32_t kCompositingMXCSR = 0x9FC0;

geom::box2i boundsOf(int w, int h) noexcept {
    return geom::box2i(0, 0, w, h);
}

geom::box2i clip(const geom::box2i& area, const geom::box2i& bounds) noexcept {
    if (!area.isSorted() || area.empty()) return geom::box2i(0, 0, 0, 0);
    geom::box2i r = area.intersection(bounds);
    if (!r.isSorted() || r.empty()) return geom::box2i(0, 0, 0, 0);
    return r;
}

}  // namespace

CompositorPass::CompositorPass(MultipassCompositor& parent) noexcept
    : numThreads_(parent.threadPool().numThreads()) {}

void CompositorPass::resizeBuffers(int, int, int, int) noexcept {}

MultipassCompositor::MultipassCompositor(const CompositorCreationContext& context) noexcept
    : pool_(context.threadPool) {}

MultipassCompositor::~MultipassCompositor() {
    for (CompositorPass* pass : passes_) destroyFree(pass);
}

void MultipassCompositor::addPass(CompositorPass* pass) noexcept {
    passes_.pushBack(pass);
}

void MultipassCompositor::resizeBuffers(int width, int height, int areaMaxWidth,
                                        int areaMaxHeight) {
    for (CompositorPass* pass : passes_)
        pass->resizeBuffers(width, height, areaMaxWidth, areaMaxHeight);
}

geom::box2i MultipassCompositor::writableBounds() const noexcept {
    const CompositorPassBuffers& b = buffers_;
    geom::box2i r = boundsOf(b.target.w, b.target.h);
    r = r.intersection(boundsOf(b.diffuseMap->width(), b.diffuseMap->height()));
    r = r.intersection(boundsOf(b.materialMap->width(), b.materialMap->height()));
    r = r.intersection(boundsOf(b.depthMap->width(), b.depthMap->height()));
    return r;
}

void MultipassCompositor::compositeTile(ImageRef<RGBA> target, std::span<const geom::box2i> areas,
                                        const Mipmap<RGBA>& diffuse, const Mipmap<RGBA>& material,
                                        const Mipmap<L16>& depth) {
    buffers_.target = target;
    buffers_.diffuseMap = &diffuse;
    buffers_.materialMap = &material;
    buffers_.depthMap = &depth;
    const geom::box2i bounds = writableBounds();

    auto task = [&](int i, int threadIndex) {
        geom::box2i area = clip(areas[static_cast<std::size_t>(i)], bounds);
        if (area.empty()) return;
        const std::uint32_t saved = getMXCSR();
        setMXCSR(kCompositingMXCSR);
        compositeArea(threadIndex, area);
        setMXCSR(saved);
    };
    pool_->parallelFor(static_cast<int>(areas.size()), task);
}

void MultipassCompositor::compositeArea(int threadIndex, const geom::box2i& area) noexcept {
    for (CompositorPass* pass : passes_) pass->renderIfActive(threadIndex, area, buffers_);
}

}  // namespace rigging
