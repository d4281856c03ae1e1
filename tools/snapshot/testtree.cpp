#include "snapshot/testtree.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "brindlewave/gfx/resources.h"
#include "rigging/core/nogc.h"
#include "rigging/graphics/drawex.h"

namespace brindlewave::snapshot {

using geom::box2i;
using rigging::ImageRef;
using rigging::L16;
using rigging::RGBA;
using rigging::UIContext;
using rigging::UIElement;

namespace {

std::span<const std::uint8_t> resource(std::string_view name) {
    const gfx::Resource* r = gfx::findResource(name);
    if (r == nullptr) {
        std::fprintf(stderr, "missing embedded file %.*s\n", static_cast<int>(name.size()),
                     name.data());
        std::abort();
    }
    return {r->data, r->size};
}

// One frame of the 45 x 45 knob filmstrip, blended by its alpha over the lit picture.
class TestKnob final : public UIElement {
public:
    TestKnob(UIContext* c, const rigging::OwnedImage<RGBA>& strip, int frame) noexcept
        : UIElement(c, rigging::drawsRaw), strip_(strip), frame_(frame) {}

    void onDrawRaw(ImageRef<RGBA> rawMap, std::span<const box2i> dirtyRects) noexcept override {
        const int size = strip_.width(), frames = strip_.height() / std::max(size, 1);
        const int top = std::clamp(frame_, 0, std::max(frames - 1, 0)) * size;
        for (const box2i& r : dirtyRects)
            for (int y = r.min.y; y < std::min(r.max.y, size); ++y) {
                const RGBA* src = strip_.scanlinePtr(top + y);
                RGBA* dst = rawMap.scanlinePtr(y);
                for (int x = r.min.x; x < std::min(r.max.x, size); ++x)
                    dst[x] = rigging::blendColor(src[x], dst[x], src[x].a);
            }
    }

private:
    const rigging::OwnedImage<RGBA>& strip_;
    int frame_;
};

// A meter well: sunk to depth 0, dark glass, with a green bar lit from below up to `level`
// of its height.
class TestMeterWell final : public UIElement {
public:
    TestMeterWell(UIContext* c, float level) noexcept
        : UIElement(c, rigging::drawsPBR), level_(level) {}

    void onDrawPBR(ImageRef<RGBA> diffuse, ImageRef<L16> depth, ImageRef<RGBA> material,
                   std::span<const box2i> dirtyRects) noexcept override {
        const int h = position().height(), w = position().width();
        const int barTop = h - static_cast<int>(static_cast<float>(h) * level_);
        for (const box2i& r : dirtyRects)
            for (int y = r.min.y; y < r.max.y; ++y)
                for (int x = r.min.x; x < r.max.x; ++x) {
                    const bool bar = y >= barTop && x >= 2 && x < w - 2 && (y % 3) != 0;
                    diffuse(x, y) = bar ? RGBA{103, 218, 108, 160} : RGBA{10, 14, 16, 0};
                    depth(x, y) = L16{0};
                    material(x, y) = RGBA{25, 30, 220, 255};
                }
    }

private:
    float level_;
};

// Text on the information line: light paint that glows faintly (emission 100).
class TestInfoLine final : public UIElement {
public:
    TestInfoLine(UIContext* c, rigging::Font& font) noexcept
        : UIElement(c, rigging::drawsPBR), font_(font) {}

    void onDrawPBR(ImageRef<RGBA> diffuse, ImageRef<L16>, ImageRef<RGBA>,
                   std::span<const box2i> dirtyRects) noexcept override {
        const float cx = static_cast<float>(position().width()) * 0.5f;
        for (const box2i& r : dirtyRects) {
            auto area = rigging::crop(diffuse, r);
            const float x = cx - static_cast<float>(r.min.x);
            rigging::fillText(area, font_, "Brindlewave", 13.f, 0.f, RGBA{235, 235, 230, 100}, x,
                              11.f - static_cast<float>(r.min.y),
                              rigging::HorizontalAlignment::center,
                              rigging::VerticalAlignment::center);
            rigging::fillText(area, font_, "v1.1.2", 11.f, 0.f, RGBA{235, 235, 230, 100}, x,
                              23.f - static_cast<float>(r.min.y),
                              rigging::HorizontalAlignment::center,
                              rigging::VerticalAlignment::center);
        }
    }

private:
    rigging::Font& font_;
};

}  // namespace

TestTree::TestTree(bool withElements, int maxWorkers) noexcept {
    gui_ = rigging::mallocNew<rigging::PBRBackgroundGUI>(
        rigging::makeSizeConstraintsFixed(kEditorWidth, kEditorHeight), resource(gfx::kBaseColour),
        resource(gfx::kEmissive), resource(gfx::kMaterial), resource(gfx::kDepth),
        resource(gfx::kSkybox), maxWorkers);
    gui_->setUpdateMargin(30);
    if (!withElements) return;

    UIContext* c = gui_->context();
    auto add = [&](UIElement* e, const box2i& box) {
        e->setPosition(box);
        gui_->addChild(e);
        elements_[count_++] = e;
    };
    knobStrip_ = rigging::loadOwnedImage(resource(gfx::kKnobFilmstrip));
    // The global knobs at the frames their defaults show.
    const struct {
        box2i box;
        int frame;
    } knobs[] = {{box2i(575, 585, 620, 630), 82},
                 {box2i(643, 585, 688, 630), 100},
                 {box2i(575, 633, 620, 678), 99},
                 {box2i(643, 633, 688, 678), 36},
                 {box2i(711, 618, 756, 663), 60}};
    for (const auto& k : knobs) add(rigging::mallocNew<TestKnob>(c, *knobStrip_, k.frame), k.box);
    add(rigging::mallocNew<TestMeterWell>(c, 0.7f), box2i(85, 275, 100, 540));
    font_ = rigging::mallocNew<rigging::Font>(resource(gfx::kFont));
    add(rigging::mallocNew<TestInfoLine>(c, *font_), box2i(450, 620, 540, 650));
}

TestTree::~TestTree() {
    gui_->closeUI();
    for (int i = 0; i < count_; ++i) rigging::destroyFree(elements_[i]);
    rigging::destroyFree(gui_);
    rigging::destroyFree(font_);
    rigging::destroyFree(knobStrip_);
}

}  // namespace brindlewave::snapshot
