#pragma once
// A small GUI for the redraw tests: a root painting a floor with a raised, glowing square, and
// boxes painting one colour (changeable from any thread) on the raw or the lit layer.

#include <atomic>
#include <cstdint>
#include <vector>

#include "rigging/core/nogc.h"
#include "rigging/gui/graphics.h"

namespace guitest {

using geom::box2i;
using rigging::ImageRef;
using rigging::L16;
using rigging::RGBA;

inline std::uint32_t pack(RGBA c) {
    return c.r | (c.g << 8) | (c.b << 16) | (static_cast<std::uint32_t>(c.a) << 24);
}
inline RGBA unpack(std::uint32_t v) {
    return RGBA{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

template <typename C, typename F>
void paint(const ImageRef<C>& map, std::span<const box2i> rects, F pixel) {
    for (const box2i& r : rects)
        for (int y = r.min.y; y < r.max.y; ++y)
            for (int x = r.min.x; x < r.max.x; ++x) map(x, y) = pixel(x, y);
}

class Root : public rigging::GUIGraphics {
public:
    explicit Root(int workers, int width, int height)
        : GUIGraphics(rigging::makeSizeConstraintsFixed(width, height), rigging::drawsPBR,
                      workers) {}
    // The children keep the places the tests give them.
    void reflow(const box2i& box) noexcept override { setPosition(box); }

    void onDrawPBR(ImageRef<RGBA> diffuse, ImageRef<L16> depth, ImageRef<RGBA> material,
                   std::span<const box2i> rects) noexcept override {
        auto top = [](int x, int y) { return x >= 100 && x < 160 && y >= 80 && y < 140; };
        paint(diffuse, rects, [&](int x, int y) {
            return top(x, y) ? RGBA{220, 180, 90, 120} : RGBA{150, 155, 160, 0};
        });
        paint(depth, rects,
              [&](int x, int y) { return L16{top(x, y) ? uint16_t(40000) : uint16_t(20000)}; });
        paint(material, rects, [](int, int) { return RGBA{60, 60, 200, 255}; });
    }
};

class Box : public rigging::UIElement {
public:
    Box(rigging::UIContext* c, std::uint32_t flags, RGBA colour)
        : UIElement(c, flags), colour(pack(colour)) {}

    void onDrawRaw(ImageRef<RGBA> map, std::span<const box2i> rects) noexcept override {
        const RGBA c = unpack(colour.load());
        paint(map, rects, [&](int, int) { return c; });
    }
    void onDrawPBR(ImageRef<RGBA> diffuse, ImageRef<L16> depth, ImageRef<RGBA> material,
                   std::span<const box2i> rects) noexcept override {
        const RGBA c = unpack(colour.load());
        paint(diffuse, rects, [&](int, int) { return c; });
        paint(depth, rects, [](int, int) { return L16{30000}; });
        paint(material, rects, [](int, int) { return RGBA{128, 0, 128, 255}; });
    }
    bool onMouseClick(int, int, rigging::MouseButton, bool isDoubleClick,
                      rigging::MouseState) noexcept override {
        lastClickWasDouble = isDoubleClick;
        return takesClicks;
    }
    bool onKeyDown(rigging::Key) noexcept override {
        keys++;
        return takesKeys;
    }

    std::atomic<std::uint32_t> colour;
    int keys = 0;
    bool takesClicks = false, takesKeys = false, lastClickWasDouble = false;
};

// A root and its children, the children destroyed first as an editor does.
struct Tree {
    explicit Tree(int workers = 2, int width = 320, int height = 240)
        : root(rigging::mallocNew<Root>(workers, width, height)) {
        root->setUpdateMargin(30);
    }
    ~Tree() {
        for (rigging::UIElement* b : boxes) rigging::destroyFree(b);
        rigging::destroyFree(root);
    }

    template <typename B = Box>
    B& add(std::uint32_t flags, const box2i& position, RGBA colour, int z = 0) {
        B* b = rigging::mallocNew<B>(root->context(), flags, colour);
        b->setPosition(position);
        b->setZOrder(z);
        root->addChild(b);
        boxes.push_back(b);
        return *b;
    }

    Root* root;
    std::vector<rigging::UIElement*> boxes;
};

inline std::vector<RGBA> pixelsOf(const ImageRef<RGBA>& image) {
    std::vector<RGBA> out;
    for (int y = 0; y < image.h; ++y)
        for (int x = 0; x < image.w; ++x) out.push_back(image(x, y));
    return out;
}

}  // namespace guitest
