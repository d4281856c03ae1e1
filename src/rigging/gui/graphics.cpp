#include "rigging/gui/graphics.h"

#include <algorithm>
#include <cstring>

#include "rigging/core/nogc.h"
#include "rigging/gui/boxlist.h"
#include "rigging/gui/graphicslistener.h"
#include "rigging/gui/legacypbr.h"

namespace rigging {

using geom::box2i;

namespace {

constexpr int kDiffuseLastLevel = 5;
constexpr int kDepthLastLevel = 4;
constexpr std::size_t kBufferAlignment = 16;

// The levels Mipmap::size makes for that size: each at least 1 x 1, up to lastLevel.
int levelCount(int lastLevel, int width, int height) noexcept {
    int n = 1;
    while (n <= lastLevel && (width >> n) >= 1 && (height >> n) >= 1) ++n;
    return n;
}

// A pyramid cannot lose levels: one that would is made anew.
template <typename C>
void ensureLevelsFit(Mipmap<C>*& map, int lastLevel, int width, int height) noexcept {
    if (map->numLevels() > levelCount(lastLevel, width, height)) {
        destroyFree(map);
        map = mallocNew<Mipmap<C>>();
    }
}

// Every pixel of every level, ring included: maps no element covers composite to black, the
// same on every run.
template <typename C>
void clearLevels(Mipmap<C>& map) noexcept {
    for (int i = 0; i < map.numLevels(); ++i) {
        OwnedImage<C>& level = map.level(i);
        const int b = level.border();
        const std::size_t rowBytes =
            static_cast<std::size_t>(b + level.width() + level.borderRight()) * sizeof(C);
        for (int y = -b; y < level.height() + b; ++y)
            std::memset(static_cast<void*>(level.scanlinePtr(y) - b), 0, rowBytes);
    }
}

RGBA* allocateZeroedBuffer(RGBA* old, int width, int height) noexcept {
    const std::size_t bytes =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * sizeof(RGBA);
    auto* p = static_cast<RGBA*>(alignedReallocDiscard(old, bytes, kBufferAlignment));
    if (p == nullptr) fatalOutOfMemory();
    std::memset(static_cast<void*>(p), 0, bytes);
    return p;
}

// Drops what lies outside the window, and inverted or empty rectangles.
void clipAll(Vec<box2i>& rects, const box2i& window) noexcept {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < rects.length(); ++i) {
        const box2i& r = rects[i];
        box2i c(std::max(r.min.x, window.min.x), std::max(r.min.y, window.min.y),
                std::min(r.max.x, window.max.x), std::min(r.max.y, window.max.y));
        if (c.max.x > c.min.x && c.max.y > c.min.y) rects[kept++] = c;
    }
    rects.resize(kept);
}

void makeDisjoint(Vec<box2i>& rects, Vec<box2i>& scratch) noexcept {
    scratch.clearContents();
    scratch.pushBack(rects);
    rects.clearContents();
    removeOverlappingAreas(scratch, rects);
}

}  // namespace

namespace detail {

GUIContextHolder::GUIContextHolder() noexcept : ownedContext(mallocNew<UIContext>()) {}

GUIContextHolder::~GUIContextHolder() {
    destroyFree(ownedContext);
}

}  // namespace detail

GUIGraphics::GUIGraphics(const SizeConstraints& constraints, std::uint32_t flags,
                         int maxWorkers) noexcept
    : UIElement(ownedContext, flags),
      listener_(mallocNew<WindowListener>(*this)),
      pool_(mallocNew<ThreadPool>(0, std::max(maxWorkers, 1))),
      constraints_(constraints),
      diffuse_(mallocNew<Mipmap<RGBA>>()),
      depth_(mallocNew<Mipmap<L16>>()),
      material_(mallocNew<Mipmap<RGBA>>()) {
    constraints_.suggestDefaultSize(&width_, &height_);
}

GUIGraphics::~GUIGraphics() {
    closeUI();
    destroyFree(compositor_);
    destroyFree(listener_);
    destroyFree(diffuse_);
    destroyFree(depth_);
    destroyFree(material_);
    destroyFree(pool_);
    alignedFree(compositedBuffer_, kBufferAlignment);
    alignedFree(windowBuffer_, kBufferAlignment);
    // The context goes after the element part, which still reports to it.
}

ICompositor* GUIGraphics::getCompositor() noexcept {
    if (compositor_ == nullptr) {
        CompositorCreationContext creation{pool_};
        compositor_ = buildCompositor(creation);
        onCompositorBuilt(*compositor_);
        if (sized_) compositor_->resizeBuffers(width_, height_, kTileSize, kTileSize);
    }
    return compositor_;
}

ICompositor* GUIGraphics::buildCompositor(const CompositorCreationContext& context) noexcept {
    return mallocNew<PBRCompositor>(context);
}

void GUIGraphics::onCompositorBuilt(ICompositor&) noexcept {}

IWindowListener& GUIGraphics::windowListener() noexcept {
    return *listener_;
}

void* GUIGraphics::openUI(void* parentInfo, void* controlInfo, DAW, GraphicsBackend backend) {
    // One window at a time: a second would resize the buffers under the first one's image
    // and run a second pair of threads over the same tree.
    closeUI();
    getCompositor();
    reflow(box2i(0, 0, width_, height_));
    setDirtyWhole(UILayer::allLayers);
    int b = static_cast<int>(backend);
    auto windowBackend = static_cast<WindowBackend>(b >= 1 && b <= 4 ? b : 0);
    window_ = createWindow(WindowUsage::plugin, parentInfo, controlInfo, listener_, windowBackend,
                           width_, height_, windowOptions_);
    if (window_ == nullptr) return nullptr;
    return window_->systemHandle();
}

void GUIGraphics::closeUI() {
    if (window_ == nullptr) return;
    IWindow* w = window_;
    window_ = nullptr;
    destroyFree(w);
    // The tree outlives its window: a drag still open ends as a cancelled capture ends, or the
    // host's edit stays open and the next hover in a new window carries the drag on.
    listener_->onMouseCaptureCancelled();
}

void GUIGraphics::getGUISize(int* width, int* height) {
    *width = width_;
    *height = height_;
}

void GUIGraphics::setUpdateMargin(int margin) noexcept {
    updateMargin_ = std::max(margin, 0);
}

ImageRef<RGBA> GUIGraphics::bufferRef(RGBA* pixels) const noexcept {
    ImageRef<RGBA> r;
    if (pixels == nullptr) return r;
    r.w = width_;
    r.h = height_;
    r.pitch = static_cast<std::size_t>(width_) * sizeof(RGBA);
    r.pixels = pixels;
    return r;
}

ImageRef<RGBA> GUIGraphics::doResize(int width, int height) noexcept {
    if (width < 1 || height < 1) return windowBuffer();
    width_ = width;
    height_ = height;
    reflow(box2i(0, 0, width, height));
    context()->setWindowSize(width, height);
    getCompositor()->resizeBuffers(width, height, kTileSize, kTileSize);

    ensureLevelsFit(diffuse_, kDiffuseLastLevel, width, height);
    ensureLevelsFit(depth_, kDepthLastLevel, width, height);
    ensureLevelsFit(material_, 0, width, height);
    // Depth level 0 keeps a one-pixel ring and two trailing samples for 3 x 3 reads.
    diffuse_->size(kDiffuseLastLevel, width, height);
    depth_->size(kDepthLastLevel, width, height);
    depth_->level(0).size(width, height, 1, 1, 1, 2);
    material_->size(0, width, height);
    clearLevels(*diffuse_);
    clearLevels(*depth_);
    clearLevels(*material_);

    compositedBuffer_ = allocateZeroedBuffer(compositedBuffer_, width, height);
    windowBuffer_ = allocateZeroedBuffer(windowBuffer_, width, height);
    sized_ = true;
    return windowBuffer();
}

void GUIGraphics::recomputeDirtyAreas() noexcept {
    UIContext* c = context();
    c->dirtyListRaw.pullAllRectangles(rectsDirtyRaw_);
    c->dirtyListPBR.pullAllRectangles(rectsDirtyPBR_);

    // Nothing outside the window is ever copied, converted or shown.
    const box2i window(0, 0, width_, height_);
    clipAll(rectsDirtyRaw_, window);
    clipAll(rectsDirtyPBR_, window);
    makeDisjoint(rectsDirtyRaw_, scratch_);
    makeDisjoint(rectsDirtyPBR_, scratch_);

    grownAreas_.clearContents();
    const int m = updateMargin_;
    for (const box2i& r : rectsDirtyPBR_)
        grownAreas_.pushBack(box2i(r.min.x - m, r.min.y - m, r.max.x + m, r.max.y + m));
    clipAll(grownAreas_, window);

    areasToComposite_.clearContents();
    areasToComposite_.pushBack(grownAreas_);
    makeDisjoint(areasToComposite_, scratch_);

    areasToUpdate_.clearContents();
    areasToUpdate_.pushBack(grownAreas_);
    areasToUpdate_.pushBack(rectsDirtyRaw_);
    areasToDisplay_.clearContents();
    areasToDisplay_.pushBack(areasToUpdate_);
    makeDisjoint(areasToDisplay_, scratch_);
}

}  // namespace rigging
