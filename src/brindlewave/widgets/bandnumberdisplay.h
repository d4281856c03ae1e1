#pragma once
// The band count between the "-" and "+" buttons, glowing white on the lit layer; it redraws
// whenever the count changes, whoever changes it.

#include <array>

#include "rigging/client/integerparameter.h"
#include "rigging/client/parameterlistener.h"
#include "rigging/graphics/font.h"
#include "rigging/gui/element.h"

namespace brindlewave {

class UIBandNumberDisplay : public rigging::UIElement, public rigging::IParameterListener {
public:
    // Listens to numBands until destroyed.
    UIBandNumberDisplay(rigging::UIContext* context, rigging::IntegerParameter* numBands,
                        rigging::Font* font) noexcept;
    ~UIBandNumberDisplay() override;

    // "%d" of the band count. A value, so that drawing workers and other threads each get
    // their own.
    virtual std::array<char, 12> paramString() const noexcept;

    // Any thread: only marks the display dirty.
    void onParameterChanged(rigging::Parameter*) noexcept override { setDirtyWhole(); }
    void onBeginParameterEdit(rigging::Parameter*) noexcept override {}
    void onEndParameterEdit(rigging::Parameter*) noexcept override {}

    void onDrawPBR(rigging::ImageRef<rigging::RGBA> diffuseMap,
                   rigging::ImageRef<rigging::L16> depthMap,
                   rigging::ImageRef<rigging::RGBA> materialMap,
                   std::span<const geom::box2i> dirtyRects) noexcept override;
    void onAnimate(double, double) noexcept override {}

private:
    rigging::IntegerParameter* numBands_;
    rigging::Font* font_;
};

}  // namespace brindlewave
