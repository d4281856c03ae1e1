#pragma once
// What every display test needs: the plug-in's client for its parameters, a UI context, the
// editor-wide band state, and drawing an element's layers into images of its own size, the
// way the redraw pipeline hands them crops of the window's layers.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "brindlewave/client.h"
#include "brindlewave/globals.h"
#include "brindlewave/paramids.h"
#include "geom/box.h"
#include "rigging/canvas/canvas.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/integerparameter.h"
#include "rigging/graphics/image.h"
#include "rigging/gui/context.h"
#include "rigging/gui/element.h"

namespace brindlewave::testing {

struct ClientDeleter {
    void operator()(BrindlewaveClient* c) const { rigging::destroyFree(c); }
};
using ClientPtr = std::unique_ptr<BrindlewaveClient, ClientDeleter>;

inline ClientPtr makeClient() {
    return ClientPtr(rigging::createClient<BrindlewaveClient>());
}

inline rigging::FloatParameter* floatParam(BrindlewaveClient& c, int index) {
    return static_cast<rigging::FloatParameter*>(c.param(index));
}

// An editor-like gesture: begin, set, end (the listeners run on this thread).
inline void setFloat(BrindlewaveClient& c, int index, double value) {
    auto* p = floatParam(c, index);
    p->beginParamEdit();
    p->setFromGUI(value);
    p->endParamEdit();
}

inline void setBandCount(BrindlewaveClient& c, int bands) {
    auto* p = static_cast<rigging::IntegerParameter*>(c.param(param::numberOfBands));
    p->beginParamEdit();
    p->setFromGUI(bands);
    p->endParamEdit();
}

// An element-sized picture.
struct Picture {
    Picture(int w, int h, rigging::RGBA fill) : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
    rigging::ImageRef<rigging::RGBA> ref() {
        return {width, height, std::size_t(width) * sizeof(rigging::RGBA), pixels.data()};
    }
    rigging::RGBA at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
    bool operator==(const Picture& o) const = default;

    int width, height;
    std::vector<rigging::RGBA> pixels;
};

inline geom::box2i localBox(const rigging::UIElement& e) {
    return geom::box2i(0, 0, e.position().width(), e.position().height());
}

// The raw layer of the element over `fill`, redrawn within `rects` (the whole element when
// none are given).
inline Picture drawRaw(rigging::UIElement& e, rigging::RGBA fill = {0, 0, 0, 0},
                       std::vector<geom::box2i> rects = {}) {
    Picture p(e.position().width(), e.position().height(), fill);
    if (rects.empty()) rects.push_back(localBox(e));
    e.onDrawRaw(p.ref(), rects);
    return p;
}

// The depth map the element writes over a depth of `fill`.
inline std::vector<rigging::L16> drawDepth(rigging::UIElement& e, std::uint16_t fill) {
    const int w = e.position().width(), h = e.position().height();
    std::vector<rigging::RGBA> diffuse(std::size_t(w) * h), material(std::size_t(w) * h);
    std::vector<rigging::L16> depth(std::size_t(w) * h, rigging::L16{fill});
    const std::size_t pitch = std::size_t(w) * 4;
    const geom::box2i whole = localBox(e);
    e.onDrawPBR({w, h, pitch, diffuse.data()}, {w, h, std::size_t(w) * 2, depth.data()},
                {w, h, pitch, material.data()}, std::span<const geom::box2i>(&whole, 1));
    return depth;
}

// Takes every rectangle out of both dirty lists.
struct DirtyAreas {
    std::vector<geom::box2i> raw, pbr;
    bool empty() const { return raw.empty() && pbr.empty(); }
};
inline DirtyAreas pullDirty(rigging::UIContext& context) {
    rigging::Vec<geom::box2i> raw, pbr;
    context.dirtyListRaw.pullAllRectangles(raw);
    context.dirtyListPBR.pullAllRectangles(pbr);
    DirtyAreas d;
    d.raw.assign(raw.begin(), raw.end());
    d.pbr.assign(pbr.begin(), pbr.end());
    return d;
}

// An overlay image of the given size, one colour.
inline rigging::OwnedImage<rigging::RGBA>* makeOverlay(int w, int h, rigging::RGBA colour) {
    auto* img = rigging::mallocNew<rigging::OwnedImage<rigging::RGBA>>(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) (*img)(x, y) = colour;
    return img;
}

// What the canvas makes of `colour` filled fully over a pixel `under` (it blends every
// channel, alpha included, by the colour's alpha).
inline rigging::RGBA painted(rigging::RGBA colour, rigging::RGBA under) {
    rigging::RGBA pixel = under;
    rigging::Canvas c;
    c.initialize({1, 1, sizeof pixel, &pixel});
    c.fillStyle(colour);
    c.fillRect(0, 0, 1, 1);
    return pixel;
}

// The topmost row of column x whose pixel differs from `background`, or -1.
inline int topmostDrawnRow(const Picture& p, int x, rigging::RGBA background) {
    for (int y = 0; y < p.height; ++y)
        if (!(p.at(x, y) == background)) return y;
    return -1;
}

}  // namespace brindlewave::testing
