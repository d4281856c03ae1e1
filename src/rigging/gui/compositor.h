#pragma once
// Turns the PBR layer maps that elements draw into the lit picture: an ordered list of passes
// runs over each dirty area, the areas in parallel on the GUI's thread pool.

#include <span>

#include "geom/box.h"
#include "rigging/core/vec.h"
#include "rigging/graphics/color.h"
#include "rigging/graphics/image.h"
#include "rigging/graphics/mipmap.h"

namespace rigging {

class ThreadPool;

class ICompositor {
public:
    virtual ~ICompositor() = default;
    // Sizes every per-window buffer; areas handed to compositeTile are at most
    // areaMaxWidth x areaMaxHeight.
    virtual void resizeBuffers(int width, int height, int areaMaxWidth, int areaMaxHeight) = 0;
    // Lights the given areas of the maps into target. Areas must not overlap; each runs on one
    // worker, and the parts of an area outside the buffers are left alone.
    virtual void compositeTile(ImageRef<RGBA> target, std::span<const geom::box2i> areas,
                               const Mipmap<RGBA>& diffuse, const Mipmap<RGBA>& material,
                               const Mipmap<L16>& depth) = 0;
};

// What the GUI hands to a compositor it builds.
struct CompositorCreationContext {
    ThreadPool* threadPool = nullptr;
};

// Everything a pass reads and writes during one compositeTile call. The maps are read only;
// a pass writes the normal and accumulation buffers and the target inside its area alone.
struct CompositorPassBuffers {
    ImageRef<RGBA> target;
    const Mipmap<RGBA>* diffuseMap = nullptr;
    const Mipmap<RGBA>* materialMap = nullptr;
    const Mipmap<L16>* depthMap = nullptr;
    OwnedImage<RGBf>* normalBuffer = nullptr;
    OwnedImage<RGBAf>* accumBuffer = nullptr;
};

class MultipassCompositor;

class CompositorPass {
public:
    explicit CompositorPass(MultipassCompositor& parent) noexcept;
    virtual ~CompositorPass() = default;
    CompositorPass(const CompositorPass&) = delete;
    CompositorPass& operator=(const CompositorPass&) = delete;

    virtual void resizeBuffers(int width, int height, int areaMaxWidth, int areaMaxHeight) noexcept;
    // threadIndex is the worker (0 .. numThreads - 1), for per-worker scratch.
    virtual void render(int threadIndex, const geom::box2i& area,
                        const CompositorPassBuffers& buffers) noexcept = 0;

    void renderIfActive(int threadIndex, const geom::box2i& area,
                        const CompositorPassBuffers& buffers) noexcept {
        if (active) render(threadIndex, area, buffers);
    }

    int numThreads() const noexcept { return numThreads_; }

    // A switched-off pass is skipped, so each one can be looked at on its own.
    bool active = true;

private:
    int numThreads_;
};

class MultipassCompositor : public ICompositor {
public:
    explicit MultipassCompositor(const CompositorCreationContext& context) noexcept;
    // Destroys the passes.
    ~MultipassCompositor() override;
    MultipassCompositor(const MultipassCompositor&) = delete;
    MultipassCompositor& operator=(const MultipassCompositor&) = delete;

    // Appends a pass made with mallocNew; the compositor owns it from now on.
    virtual void addPass(CompositorPass* pass) noexcept;
    void resizeBuffers(int width, int height, int areaMaxWidth, int areaMaxHeight) override;
    void compositeTile(ImageRef<RGBA> target, std::span<const geom::box2i> areas,
                       const Mipmap<RGBA>& diffuse, const Mipmap<RGBA>& material,
                       const Mipmap<L16>& depth) override;
    virtual ThreadPool& threadPool() noexcept { return *pool_; }

    CompositorPass* getPass(int index) noexcept { return passes_[static_cast<std::size_t>(index)]; }
    std::span<CompositorPass* const> passes() const noexcept { return passes_.slice(); }

protected:
    // Runs on a worker for one area already clipped to the buffers: every active pass in order.
    virtual void compositeArea(int threadIndex, const geom::box2i& area) noexcept;
    // The part of an area a call may touch; subclasses with buffers of their own narrow it.
    virtual geom::box2i writableBounds() const noexcept;

    CompositorPassBuffers buffers_;

private:
    ThreadPool* pool_;
    Vec<CompositorPass*> passes_;
};

}  // namespace rigging
