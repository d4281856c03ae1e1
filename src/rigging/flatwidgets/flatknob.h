#pragma once
// A knob drawn from a film strip: one frame of a vertical strip of pre-rendered pictures,
// chosen by the value of a float parameter, blended on the raw layer. Vertical dragging turns
// it; Alt or a double click returns it to its default.

#include <limits>

#include "rigging/client/floatparameter.h"
#include "rigging/client/parameterlistener.h"
#include "rigging/gui/element.h"

namespace rigging {

class UIFilmstripKnob : public UIElement, public IParameterListener {
public:
    // The strip is borrowed and must outlive the knob; frames are strip height / frames tall.
    UIFilmstripKnob(UIContext* context, FloatParameter* param, const OwnedImage<RGBA>* filmstrip,
                    int numFrames, float sensitivity = 0.25f) noexcept;
    ~UIFilmstripKnob() override;

    virtual float sensivity() const noexcept { return sensitivity_; }
    virtual void sensivity(float s) noexcept { sensitivity_ = s; }
    // Drags change nothing from now on.
    virtual void disable() noexcept { disabled_ = true; }
    virtual float distance(float x1, float y1, float x2, float y2) const noexcept;
    // Chooses the frame from the parameter's normalized value.
    virtual void setCurrentImage() noexcept;

    void onParameterChanged(Parameter* sender) noexcept override;
    void onBeginParameterEdit(Parameter*) noexcept override {}
    void onEndParameterEdit(Parameter*) noexcept override {}
    virtual void clearCrosspoints() noexcept;

    // The largest square centred in the element, element coordinates.
    geom::box2i getSubsquare() const noexcept;

    void onDrawRaw(ImageRef<RGBA> rawMap, std::span<const geom::box2i> dirtyRects) noexcept override;
    // Taken only inside the disc inscribed in the subsquare.
    bool onMouseClick(int x, int y, MouseButton button, bool isDoubleClick,
                      MouseState mstate) noexcept override;
    void onBeginDrag() noexcept override;
    void onMouseDrag(int x, int y, int dx, int dy, MouseState mstate) noexcept override;
    void onStopDrag() noexcept override;

    FloatParameter* param() const noexcept { return param_; }
    int currentFrame() const noexcept { return frame_; }
    int numFrames() const noexcept { return numFrames_; }
    float upperCrosspoint() const noexcept { return upper_; }
    float lowerCrosspoint() const noexcept { return lower_; }

private:
    static constexpr float kInf = std::numeric_limits<float>::infinity();

    FloatParameter* param_;
    const OwnedImage<RGBA>* filmstrip_;
    int numFrames_;
    int frameWidth_;
    int frameHeight_;
    geom::box2i frameRect_;  // in the strip
    int frame_ = 0;
    float sensitivity_;
    float upper_ = kInf;
    float lower_ = -kInf;
    bool disabled_ = false;
};

}  // namespace rigging
