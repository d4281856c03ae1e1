#pragma once
// A global knob: a film-strip knob that drives its own global parameter and, in the same
// gesture, the matching parameter of every band whose link switch for it is on, all to the
// same normalized value. Every band parameter is inside the drag's edit bracket, linked or
// not, so the host sees one gesture.

#include <cstddef>
#include <limits>

#include "brindlewave/messagequeue.h"
#include "brindlewave/widgets/tooltip.h"
#include "rigging/client/boolparameter.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/parameterlistener.h"
#include "rigging/gui/element.h"

namespace brindlewave {

class UIGlobalFilmstripKnob : public rigging::UIElement,
                              public rigging::IParameterListener,
                              public IMessageSender {
public:
    static constexpr int kBands = 4;
    // Alignment of the parameter arrays the knob is given.
    static constexpr std::size_t kArrayAlignment = 16;

    // bandParams and links are arrays of four from the aligned allocator; the knob owns them
    // and frees them. The image is borrowed. Listens to the global parameter only.
    UIGlobalFilmstripKnob(rigging::UIContext* context, rigging::FloatParameter* global,
                          rigging::FloatParameter** bandParams, rigging::BoolParameter** links,
                          const rigging::OwnedImage<rigging::RGBA>* image, int numFrames,
                          MessageQueue* mailbox, UITooltip* tooltip) noexcept;
    ~UIGlobalFilmstripKnob() override;

    virtual float sensivity() const noexcept { return sensitivity_; }
    virtual void sensivity(float s) noexcept { sensitivity_ = s; }
    virtual void disable() noexcept { disabled_ = true; }
    virtual float distance(float x1, float y1, float x2, float y2) const noexcept;
    virtual void setCurrentImage() noexcept;
    void onParameterChanged(rigging::Parameter*) noexcept override { setDirtyWhole(); }
    void onBeginParameterEdit(rigging::Parameter*) noexcept override {}
    void onEndParameterEdit(rigging::Parameter*) noexcept override {}
    virtual void queueParamValueMessage() noexcept;
    virtual void clearCrosspoints() noexcept;

    geom::box2i getSubsquare() const noexcept;

    void onDrawRaw(rigging::ImageRef<rigging::RGBA> rawMap,
                   std::span<const geom::box2i> dirtyRects) noexcept override;
    bool onMouseClick(int x, int y, rigging::MouseButton button, bool isDoubleClick,
                      rigging::MouseState mstate) noexcept override;
    void onBeginDrag() noexcept override;
    void onMouseDrag(int x, int y, int dx, int dy, rigging::MouseState mstate) noexcept override;
    void onStopDrag() noexcept override;
    void onMouseEnter() noexcept override;
    void onMouseExit() noexcept override;

    rigging::FloatParameter* globalParameter() const noexcept { return global_; }
    rigging::FloatParameter* bandParameter(int band) const noexcept { return bandParams_[band]; }
    rigging::BoolParameter* linkParameter(int band) const noexcept { return links_[band]; }
    int currentFrame() const noexcept { return frame_; }

private:
    static constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

    rigging::FloatParameter* global_;
    rigging::FloatParameter** bandParams_;
    rigging::BoolParameter** links_;
    const rigging::OwnedImage<rigging::RGBA>* image_;
    MessageQueue* mailbox_;
    UITooltip* tooltip_;
    int numFrames_;
    int frameWidth_;
    int frameHeight_;
    geom::box2i frameRect_;
    int frame_ = 0;
    float sensitivity_ = 0.25f;
    float lower_ = kNaN;
    float upper_ = kNaN;
    bool disabled_ = false;
};

}  // namespace brindlewave
