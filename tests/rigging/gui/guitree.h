#pragma once
// A small GUI for the redraw tests: a root painting a lit floor with a raised, glowing square,
// and raw and PBR boxes whose colour can change from any thread.

#include <atomic>
#include <cstdint>
#include <memory>
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

// The root: a floor at depth 20000 with a square raised on it whose top glows, so that the
// picture has shadows, bevels and glow for partial redraws to get right.
class Root : public rigging::GUIGraphics {
public:
    explicit Root(int workers = 2, int width = 320, int height = 240)
        : GUIGraphics(rigging::makeSizeConstraintsFixed(width, height), rigging::drawsPBR,
                      workers) {}

    // The children keep the places the tests give them.
    void reflow(const box2i& box) noexcept override { setPosition(box); }

    void onDrawPBR(ImageRef<RGBA> diffuse, ImageRef<L16> depth, ImageRef<RGBA> material,
                   std::span<const box2i> rects) noexcept override {
        for (const box2i& r : rects)
            for (int y = r.min.y; y < r.max.y; ++y)
                for (int x = r.min.x; x < r.max.x; ++x) {
                    const bool top = x >= 100 && x < 160 && y >= 80 && y < 140;
                    diffuse(x, y) = top ? RGBA{220, 180, 90, 120} : RGBA{150, 155, 160, 0};
                    depth(x, y) = L16{static_cast<std::uint16_t>(top ? 40000 : 20000)};
                    material(x, y) = RGBA{static_cast<std::uint8_t>(top ? 40 : 120), 60, 200, 255};
                }
    }
};

// Paints one colour on its layer; takes clicks and keys when told to, and counts draws.
class Box : public rigging::UIElement {
public:
    Box(rigging::UIContext* c, std::uint32_t flags, RGBA colour)
        : UIElement(c, flags), colour(pack(colour)) {}

    void onDrawRaw(ImageRef<RGBA> map, std::span<const box2i> rects) noexcept override {
        draws++;
        const RGBA c = unpack(colour.load());
        for (const box2i& r : rects)
            for (int y = r.min.y; y < r.max.y; ++y)
                for (int x = r.min.x; x < r.max.x; ++x) map(x, y) = c;
    }
    void onDrawPBR(ImageRef<RGBA> diffuse, ImageRef<L16> depth, ImageRef<RGBA> material,
                   std::span<const box2i> rects) noexcept override {
        draws++;
        const RGBA c = unpack(colour.load());
        for (const box2i& r : rects)
            for (int y = r.min.y; y < r.max.y; ++y)
                for (int x = r.min.x; x < r.max.x; ++x) {
                    diffuse(x, y) = c;
                    depth(x, y) = L16{30000};
                    material(x, y) = RGBA{128, 0, 128, 255};
                }
    }
    bool onMouseClick(int, int, rigging::MouseButton, bool, rigging::MouseState) noexcept override {
        return takesClicks;
    }
    bool onKeyDown(rigging::Key) noexcept override {
        keys++;
        return takesKeys;
    }

    std::atomic<std::uint32_t> colour;
    std::atomic<int> draws{0}, keys{0};
    bool takesClicks = false, takesKeys = false;
};

// Owns a root and its children, destroying the children first as an editor does.
struct Tree {
    explicit Tree(int workers = 2, int width = 320, int height = 240)
        : root(rigging::mallocNew<Root>(workers, width, height)) {
        root->setUpdateMargin(30);
    }
    ~Tree() {
        for (Box* b : boxes) rigging::destroyFree(b);
        rigging::destroyFree(root);
    }
    Tree(const Tree&) = delete;
    Tree& operator=(const Tree&) = delete;

    Box& add(std::uint32_t flags, const box2i& position, RGBA colour, int z = 0) {
        Box* b = rigging::mallocNew<Box>(root->context(), flags, colour);
        b->setPosition(position);
        b->setZOrder(z);
        root->addChild(b);
        boxes.push_back(b);
        return *b;
    }

    Root* root;
    std::vector<Box*> boxes;
};

// The pixels of an image, row by row.
inline std::vector<RGBA> pixelsOf(const ImageRef<RGBA>& image) {
    std::vector<RGBA> out;
    for (int y = 0; y < image.h; ++y)
        for (int x = 0; x < image.w; ++x) out.push_back(image(x, y));
    return out;
}

}  // namespace guitest
