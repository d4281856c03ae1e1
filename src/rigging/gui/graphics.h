#pragma once
// The root element of an editor and what a binding asks of it: it opens and closes the
// platform window, receives every window event through its listener, and redraws only what
// changed. PBR elements draw in parallel into the three layer maps, the compositor lights the
// affected tiles into the composited buffer, that is copied to the window buffer, raw elements
// draw over it, and the pixels are put in the window's byte order.

#include <cstdint>
#include <span>

#include "geom/box.h"
#include "rigging/client/graphics.h"
#include "rigging/core/threadpool.h"
#include "rigging/core/vec.h"
#include "rigging/graphics/color.h"
#include "rigging/graphics/image.h"
#include "rigging/graphics/mipmap.h"
#include "rigging/gui/compositor.h"
#include "rigging/gui/context.h"
#include "rigging/gui/element.h"
#include "rigging/gui/sizeconstraints.h"
#include "rigging/window/window.h"

namespace rigging {

namespace detail {
// Built before the element part, which needs the context; freed after it.
struct GUIContextHolder {
    GUIContextHolder() noexcept;
    ~GUIContextHolder();
    GUIContextHolder(const GUIContextHolder&) = delete;
    GUIContextHolder& operator=(const GUIContextHolder&) = delete;
    UIContext* ownedContext;
};
}  // namespace detail

class GUIGraphics : private detail::GUIContextHolder, public UIElement, public IGraphics {
public:
    // PBR tiles are at most this size, so the compositor's scratch stays small.
    static constexpr int kTileSize = 128;

    // maxWorkers caps the drawing and compositing pool (at least one worker, at most one per
    // processor). The maps and buffers get their size when the window first reports one.
    GUIGraphics(const SizeConstraints& constraints, std::uint32_t flags,
                int maxWorkers = 2) noexcept;
    // Closes the window first. Children are not owned: their owner destroys them before.
    ~GUIGraphics() override;

    // Built by buildCompositor on first use, so a subclass's override is the one called.
    virtual ICompositor* getCompositor() noexcept;
    virtual ICompositor* buildCompositor(const CompositorCreationContext& context) noexcept;

    // Closes a window still open, then makes a new one. Null, with nothing left open, when no
    // window can be made here (a backend without windows, no display, a parent that does not
    // exist).
    void* openUI(void* parentInfo, void* controlInfo, DAW daw, GraphicsBackend backend) override;
    // Destroys the window, if any, joining its threads, then ends a drag still open as a
    // cancelled capture does.
    void closeUI() override;
    void getGUISize(int* width, int* height) override;

    // PBR dirty areas are grown by this many pixels on each side before compositing, for the
    // light that reaches past what changed (shadows, glow).
    virtual void setUpdateMargin(int margin) noexcept;

    // The steps of a redraw; the window's threads call them through the listener.
    virtual void recomputeDrawLists() noexcept;
    virtual void doDraw(WindowPixelFormat format) noexcept;
    virtual void recomputeDirtyAreas() noexcept;
    // Sizes below 1 pixel change nothing. Returns the window buffer.
    virtual ImageRef<RGBA> doResize(int width, int height) noexcept;
    virtual void redrawElementsRaw() noexcept;
    virtual void redrawElementsPBR() noexcept;
    virtual void compositeGUI() noexcept;
    virtual void regenerateMipmaps() noexcept;
    virtual void reorderComponents(WindowPixelFormat format) noexcept;

    // What the window calls; an off-screen driver calls the same.
    IWindowListener& windowListener() noexcept;
    IWindow* window() const noexcept { return window_; }
    // Options for the windows made from now on (XEmbed in the VST3 module).
    void setWindowOptions(WindowOptions options) noexcept { windowOptions_ = options; }

    const SizeConstraints& sizeConstraints() const noexcept { return constraints_; }
    int updateMargin() const noexcept { return updateMargin_; }
    ThreadPool& threadPool() noexcept { return *pool_; }

    // The buffers and maps, for inspection (empty until the first size).
    ImageRef<RGBA> compositedBuffer() const noexcept { return bufferRef(compositedBuffer_); }
    ImageRef<RGBA> windowBuffer() const noexcept { return bufferRef(windowBuffer_); }
    Mipmap<RGBA>& diffuseMap() noexcept { return *diffuse_; }
    Mipmap<L16>& depthMap() noexcept { return *depth_; }
    Mipmap<RGBA>& materialMap() noexcept { return *material_; }

    // The areas of the last recomputation; emptied once drawn.
    std::span<const geom::box2i> areasToComposite() const noexcept {
        return areasToComposite_.slice();
    }
    std::span<const geom::box2i> areasToDisplay() const noexcept { return areasToDisplay_.slice(); }
    // Tiles the last draw lit.
    int lastCompositedTileCount() const noexcept { return lastTileCount_; }

protected:
    // Called once the compositor exists, before anything else uses it.
    virtual void onCompositorBuilt(ICompositor& compositor) noexcept;
    bool hasCompositor() const noexcept { return compositor_ != nullptr; }

private:
    class WindowListener;

    ImageRef<RGBA> bufferRef(RGBA* pixels) const noexcept;
    template <typename Draw>
    void drawInBatches(std::span<UIElement* const> list, Draw& draw) noexcept;

    ICompositor* compositor_ = nullptr;
    WindowListener* listener_;
    IWindow* window_ = nullptr;
    ThreadPool* pool_;
    SizeConstraints constraints_;
    WindowOptions windowOptions_;
    int width_ = 0;
    int height_ = 0;
    // Sized (w, h) once the window reports its size; made again should a size need fewer
    // levels than they have.
    Mipmap<RGBA>* diffuse_;
    Mipmap<L16>* depth_;
    Mipmap<RGBA>* material_;

    Vec<geom::box2i> rectsDirtyRaw_;
    Vec<geom::box2i> rectsDirtyPBR_;
    Vec<geom::box2i> scratch_;
    Vec<geom::box2i> mipmapWorkDiffuse_;
    Vec<geom::box2i> mipmapWorkDepth_;
    Vec<geom::box2i> grownAreas_;
    Vec<geom::box2i> areasToComposite_;
    Vec<geom::box2i> tiles_;
    Vec<geom::box2i> areasToUpdate_;
    Vec<geom::box2i> areasToDisplay_;
    Vec<UIElement*> drawListRaw_;
    Vec<UIElement*> drawListPBR_;

    int updateMargin_ = 0;
    int lastTileCount_ = 0;
    bool sized_ = false;
    // width * height RGBA pixels, rows of width * 4 bytes, 16-byte aligned, zeroed when made.
    RGBA* compositedBuffer_ = nullptr;
    RGBA* windowBuffer_ = nullptr;
};

}  // namespace rigging
