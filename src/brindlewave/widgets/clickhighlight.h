#pragma once
// The flash every editor button shows after a click: on for 600 ms, with a fade value that
// follows it at rate 40 per millisecond (so fast that it is simply on or off).

#include <cmath>

namespace brindlewave {

class ClickHighlight {
public:
    static constexpr double kClickMs = 600.0;
    static constexpr float kFadeRate = 40.0f;

    void restart() noexcept { timeSinceClick_ = 0; }
    bool isClicked() const noexcept { return timeSinceClick_ < kClickMs; }
    float fadeValue() const noexcept { return fade_; }

    // Advances the clock by dt ms.
    void tick(double dt) noexcept { timeSinceClick_ += dt; }
    // Moves the fade value toward target (1 while clicked, else 0) over dt ms. True when it
    // moved by more than 0.001, i.e. when the button needs a redraw.
    bool fadeToward(float target, double dt) noexcept {
        const float e = std::exp(-kFadeRate * static_cast<float>(dt));
        const float next = target * (1 - e) + fade_ * e;
        if (!(std::fabs(next - fade_) > 0.001f)) return false;
        fade_ = next;
        return true;
    }

private:
    // Starts long ago: a button does not flash when the editor opens.
    double timeSinceClick_ = kClickMs;
    float fade_ = 0;
};

}  // namespace brindlewave
