#pragma once
// The editor fixture plus what the band panels and the band row share: the link, display and
// meter pictures, a tooltip, host-side setters in plain values, and timer ticks.

#include "brindlewave/paramids.h"
#include "brindlewave/widgets/tooltip.h"
#include "editorfixture.h"
#include "rigging/client/boolparameter.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/integerparameter.h"

namespace editortest {

class PanelFixture : public EditorFixture {
protected:
    using Image = rigging::OwnedImage<RGBA>;

    PanelFixture() : tooltip(&context, *client, &font) {
        for (int i = 0; i < 6; ++i) images[i] = rigging::loadOwnedImage(resource(kImageNames[i]));
    }
    ~PanelFixture() override {
        destroyOwned();
        for (Image* i : images) rigging::destroyFree(i);
    }

    // As host automation or a state load would set them.
    void hostSetFloat(int i, double v) {
        auto* f = static_cast<rigging::FloatParameter*>(p(i));
        f->setFromHost(f->toNormalized(v));
    }
    void hostSetBands(int n) {
        auto* b = static_cast<rigging::IntegerParameter*>(p(brindlewave::param::numberOfBands));
        b->setFromHost(b->toNormalized(n));
    }
    void hostSetBool(int i, bool on) { p(i)->setFromHost(on ? 1.0 : 0.0); }
    double value(int i) { return static_cast<rigging::FloatParameter*>(p(i))->value(); }
    void tick(double dtMs = 1000.0 / 60.0) {
        time += dtMs;
        root.animate(dtMs, time);
    }

    static constexpr std::string_view kImageNames[6] = {
        brindlewave::gfx::kLinkOn,          brindlewave::gfx::kLinkOff,
        brindlewave::gfx::kEnvelopeOverlay, brindlewave::gfx::kCurveOverlay,
        brindlewave::gfx::kHistoryOverlay,  brindlewave::gfx::kMeterOverlay};
    Image* images[6] = {};
    brindlewave::UITooltip tooltip;
    double time = 0.0;
};

}  // namespace editortest
