#pragma once
// What the display tests share: the plug-in's client for its parameters, a UI context, the
// band state, and drawing an element into pictures of its own size, as the redraw pipeline
// hands it crops of the window's layers.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "brindlewave/client.h"
#include "brindlewave/globals.h"
#include "brindlewave/paramids.h"
#include "rigging/canvas/canvas.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/integerparameter.h"
#include "rigging/gui/context.h"
#include "rigging/gui/element.h"

namespace brindlewave::testing {

struct ClientDeleter {
    void operator()(BrindlewaveClient* c) const { rigging::destroyFree(c); }
};
using ClientPtr = std::unique_ptr<BrindlewaveClient, ClientDeleter>;
inline ClientPtr makeClient() { return ClientPtr(rigging::createClient<BrindlewaveClient>()); }

inline rigging::FloatParameter* floatParam(BrindlewaveClient& c, int index) {
    return static_cast<rigging::FloatParameter*>(c.param(index));
}
// Editor-like gestures; the listeners run on the calling thread.
inline void setFloat(BrindlewaveClient& c, int index, double value) {
    floatParam(c, index)->setFromGUI(value);
}
inline void setBandCount(BrindlewaveClient& c, int bands) {
    static_cast<rigging::IntegerParameter*>(c.param(param::numberOfBands))->setFromGUI(bands);
}

struct Picture {
    Picture(int w, int h, rigging::RGBA fill) : width(w), pixels(std::size_t(w) * h, fill) {}
    rigging::ImageRef<rigging::RGBA> ref() {
        return {width, int(pixels.size()) / std::max(width, 1), std::size_t(width) * 4,
                pixels.data()};
    }
    rigging::RGBA at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
    bool operator==(const Picture& o) const = default;
    int width;
    std::vector<rigging::RGBA> pixels;
};

// The raw layer of the whole element drawn over `fill`.
inline Picture drawRaw(rigging::UIElement& e, rigging::RGBA fill = {0, 0, 0, 0}) {
    Picture p(e.position().width(), e.position().height(), fill);
    const geom::box2i whole(0, 0, e.position().width(), e.position().height());
    e.onDrawRaw(p.ref(), std::span<const geom::box2i>(&whole, 1));
    return p;
}

// The depth the element writes over a depth of `fill` everywhere.
inline std::vector<rigging::L16> drawDepth(rigging::UIElement& e, std::uint16_t fill) {
    const int w = e.position().width(), h = e.position().height();
    std::vector<rigging::RGBA> colour(std::size_t(w) * h);
    std::vector<rigging::L16> depth(std::size_t(w) * h, rigging::L16{fill});
    const geom::box2i whole(0, 0, w, h);
    e.onDrawPBR({w, h, std::size_t(w) * 4, colour.data()}, {w, h, std::size_t(w) * 2, depth.data()},
                {w, h, std::size_t(w) * 4, colour.data()}, std::span<const geom::box2i>(&whole, 1));
    return depth;
}

// Empties both dirty lists.
struct DirtyAreas {
    std::vector<geom::box2i> raw, pbr;
    bool empty() const { return raw.empty() && pbr.empty(); }
};
inline DirtyAreas pullDirty(rigging::UIContext& context) {
    rigging::Vec<geom::box2i> raw, pbr;
    context.dirtyListRaw.pullAllRectangles(raw);
    context.dirtyListPBR.pullAllRectangles(pbr);
    return {{raw.begin(), raw.end()}, {pbr.begin(), pbr.end()}};
}
inline geom::box2i single(const std::vector<geom::box2i>& v) {
    EXPECT_EQ(v.size(), 1u);
    return v.empty() ? geom::box2i() : v[0];
}

inline rigging::OwnedImage<rigging::RGBA>* makeOverlay(int w, int h, rigging::RGBA colour) {
    auto* img = rigging::mallocNew<rigging::OwnedImage<rigging::RGBA>>(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) (*img)(x, y) = colour;
    return img;
}

// The canvas's result of `colour` filled fully over `under` (it blends alpha too).
inline rigging::RGBA painted(rigging::RGBA colour, rigging::RGBA under) {
    rigging::Canvas c;
    c.initialize({1, 1, 4, &under});
    c.fillStyle(colour);
    c.fillRect(0, 0, 1, 1);
    return under;
}

// The topmost row of column x that differs from `background`, or -1.
inline int topmostDrawnRow(const Picture& p, int x, rigging::RGBA background) {
    for (std::size_t y = 0; y * p.width < p.pixels.size(); ++y)
        if (!(p.at(x, int(y)) == background)) return int(y);
    return -1;
}

// Nothing drawn on the raw layer, nor (withDepth) on the depth map.
inline void expectNothingDrawn(rigging::UIElement& e, bool withDepth = true) {
    const rigging::RGBA marker{1, 2, 3, 4};
    for (rigging::RGBA c : drawRaw(e, marker).pixels) ASSERT_EQ(c, marker);
    if (!withDepth) return;
    for (rigging::L16 d : drawDepth(e, 777)) ASSERT_EQ(d.l, 777);
}

}  // namespace brindlewave::testing
