#pragma once
// The narrow level meter of a band panel: a bar up to the band's output level, a shaded band
// from the input level down to it (the gain taken), thin lines at both levels, the band's
// threshold as a line with end ticks, and an overlay image on top.
//
// Levels arrive on the audio thread, which only stores them in atomics and raises a flag; the
// meter works out what to redraw on its next animation tick, so the audio thread never waits
// on a lock. Threshold changes may arrive on any thread and are handled the same way.

#include <atomic>
#include <span>

#include "rigging/canvas/canvas.h"
#include "rigging/client/client.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/parameterlistener.h"
#include "rigging/graphics/font.h"
#include "rigging/gui/element.h"

namespace brindlewave {

class GlobalState;

class UIMeter : public rigging::UIElement, public rigging::IParameterListener {
public:
    static constexpr float kInitialInputLevel = 0.7f;
    static constexpr float kInitialOutputLevel = 0.5f;

    // Listens to the band's threshold. The overlay is borrowed (drawn over the meter where it
    // reaches) and may be null.
    UIMeter(rigging::UIContext* context, rigging::Font* font, rigging::Client& client, int band,
            GlobalState* globalState, const rigging::OwnedImage<rigging::RGBA>* overlay) noexcept;
    ~UIMeter() override;

    // Audio thread: one call in three stores the band's levels (linear amplitudes). Lock-free.
    void updateValues(float input, float output, float sampleRate) noexcept;
    // Re-reads the threshold parameter; any thread.
    void updateThreshold() noexcept;

    // The rows the meter draws at with its current height.
    int inputRow() const noexcept;
    int outputRow() const noexcept;
    int thresholdRow() const noexcept;

    void onParameterChanged(rigging::Parameter* sender) override;
    void onBeginParameterEdit(rigging::Parameter*) override {}
    void onEndParameterEdit(rigging::Parameter*) override {}

    void onAnimate(double dt, double time) noexcept override;
    void onDrawRaw(rigging::ImageRef<rigging::RGBA> rawMap,
                   std::span<const geom::box2i> dirtyRects) noexcept override;
    void onDrawPBR(rigging::ImageRef<rigging::RGBA> diffuseMap,
                   rigging::ImageRef<rigging::L16> depthMap,
                   rigging::ImageRef<rigging::RGBA> materialMap,
                   std::span<const geom::box2i> dirtyRects) noexcept override;

private:
    int height() const noexcept { return position().height(); }

    int callCounter_ = 0;  // audio thread only
    // Written by the audio thread, taken over by the next animation tick.
    std::atomic<float> inputLevel_{kInitialInputLevel};
    std::atomic<float> outputLevel_{kInitialOutputLevel};
    std::atomic<bool> levelsPending_{false};
    // Normalised threshold, written by whichever thread changed the parameter.
    std::atomic<float> threshold_;
    std::atomic<bool> thresholdPending_{false};

    // What is drawn: window threads only (animation and drawing are serialised).
    float shownInput_ = kInitialInputLevel;
    float shownOutput_ = kInitialOutputLevel;
    float shownThreshold_;
    bool skippedWhileMoving_ = false;

    rigging::Font* font_;
    int band_;
    rigging::Client* client_;
    rigging::FloatParameter* thresholdParam_;
    GlobalState* globalState_;
    const rigging::OwnedImage<rigging::RGBA>* overlay_;
    rigging::Canvas canvas_;
};

}  // namespace brindlewave
