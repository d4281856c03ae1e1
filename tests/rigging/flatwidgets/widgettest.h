#pragma once
// A tree for the bitmap widget tests: a root over a context, a listener that logs a
// parameter's edit notifications, and solid or numbered pictures.

#include <string>
#include <vector>

#include "pointer.h"
#include "rigging/client/parameter.h"
#include "rigging/gui/element.h"

namespace widgettest {

using geom::box2i;
using rigging::RGBA;

struct EditLog : rigging::IParameterListener {
    explicit EditLog(rigging::Parameter* p) : param(p) { p->addListener(this); }
    ~EditLog() override { param->removeListener(this); }
    void onParameterChanged(rigging::Parameter*) noexcept override { calls.push_back("change"); }
    void onBeginParameterEdit(rigging::Parameter*) noexcept override { calls.push_back("begin"); }
    void onEndParameterEdit(rigging::Parameter*) noexcept override { calls.push_back("end"); }
    rigging::Parameter* param;
    std::vector<std::string> calls;
};

// Takes every click that reaches it and counts them.
struct Catcher : rigging::UIElement {
    explicit Catcher(rigging::UIContext* c) : UIElement(c, 0) {}
    bool onMouseClick(int, int, rigging::MouseButton, bool, rigging::MouseState) noexcept override {
        ++clicks;
        return true;
    }
    int clicks = 0;
};

struct Tree {
    rigging::UIContext context;
    rigging::UIElement root{&context, 0};
    testsupport::Pointer pointer{root};
    Tree() { root.setPosition(box2i(0, 0, 400, 300)); }
    void add(rigging::UIElement* e, const box2i& box) {
        e->setPosition(box);
        root.addChild(e);
    }
    std::vector<box2i> pullRaw() {
        rigging::Vec<box2i> v;
        context.dirtyListRaw.pullAllRectangles(v);
        return {v.slice().begin(), v.slice().end()};
    }
};

using testsupport::alt;
using testsupport::ctrl;

// A strip of `frames` square frames whose pixels carry their frame index in red and their
// column in green; alpha a.
inline void numberedStrip(rigging::OwnedImage<RGBA>& strip, int size, int frames,
                          std::uint8_t a = 255) {
    strip.size(size, size * frames);
    for (int y = 0; y < size * frames; ++y)
        for (int x = 0; x < size; ++x)
            strip(x, y) =
                RGBA{static_cast<std::uint8_t>(y / size), static_cast<std::uint8_t>(x), 0, a};
}

inline void solid(rigging::OwnedImage<RGBA>& image, int w, int h, RGBA c) {
    image.size(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image(x, y) = c;
}

}  // namespace widgettest
