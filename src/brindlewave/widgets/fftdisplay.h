#pragma once
// The spectrum strip across the top of the editor: the engine's spectrum as a filled curve on
// a logarithmic axis from 20 Hz to 20 kHz, the crossovers as vertical lines with round handles
// to drag, and each band's threshold as a bar.
//
// The engine hands frames over on the audio thread. One frame in three is smoothed there into
// a private array and published through a three-slot exchange: the audio thread fills the
// slot it owns and swaps it with the shared middle slot, the animation tick swaps the middle
// slot with the one it draws from when a new frame is waiting. Neither side ever waits, and a
// frame the GUI has not taken yet is simply replaced by a newer one. Crossover positions are
// atomics, since the audio thread, parameter listeners and drags all recompute them.

#include <atomic>
#include <cstdint>
#include <span>

#include "audiofx/filter/lowpass.h"
#include "brindlewave/editorsink.h"
#include "brindlewave/messagequeue.h"
#include "brindlewave/widgets/drawnpicture.h"
#include "rigging/canvas/canvas.h"
#include "rigging/client/client.h"
#include "rigging/client/parameter.h"
#include "rigging/client/parameterlistener.h"
#include "rigging/graphics/font.h"
#include "rigging/gui/element.h"

namespace brindlewave {

class GlobalState;
class UITooltip;

class FFTDisplay : public rigging::UIElement,
                   public rigging::IParameterListener,
                   public IMessageSender {
public:
    static constexpr int kPoints = 1000;      // one per pixel column of the editor
    static constexpr int kCurveHeight = 204;  // the scale the levels are drawn on
    static constexpr int kCrossovers = 3;
    static constexpr int kHandleReach = 10;  // pixels around a handle that hover and drag it
    static constexpr int kMinimumBandWidth = 100;
    static constexpr double kIdleAfterMs = 500.0;
    static constexpr double kIdleRefreshMs = 200.0;

    // Listens to the band count and the three crossovers.
    FFTDisplay(rigging::UIContext* context, rigging::Client& client, MessageQueue* messageQueue,
               GlobalState* globalState, UITooltip* tooltip, rigging::Font* font) noexcept;
    ~FFTDisplay() override;

    // Rise and fall times in ms at the given rate of frames; each coefficient is
    // exp(-1 / (t x rate / 1000)).
    void setTiming(float sampleRate, float riseTime, float fallTime) noexcept;
    float riseCoefficient() const noexcept { return rise_.load(std::memory_order_relaxed); }
    float fallCoefficient() const noexcept { return fall_.load(std::memory_order_relaxed); }

    // Re-reads the crossovers (any thread, lock-free); a change redraws on the next tick.
    void setCrossoverLocations() noexcept;
    float crossoverPosition(int k) const noexcept;
    int numBandsEnabled() const noexcept;
    // Rows of the four bands' thresholds in the element's height.
    void getThresholdValues(int (&rows)[4]) const noexcept;

    // Audio thread: every call counts as a sign of life, one call in three is smoothed and
    // published. Never blocks, never allocates.
    void updateFFT(const rigging::Vec<SpectrumBin>& bins, int fftSize, float sampleRate) noexcept;

    // The levels drawn now (0 = -60 dB, 1 = +6 dB), one per column; window threads only.
    std::span<const float> shownLevels() const noexcept;
    int draggedCrossover() const noexcept { return dragged_; }
    rigging::Parameter* hoveredParameter() const noexcept { return hovered_; }

    // (clamp(20 log10 m, -60, 6) + 60) / 66; NaN gives 0.
    static float normalizeFFTValue(float magnitude) noexcept;
    // The column a bin's frequency falls on: 0 up to 20 Hz, 999 from 20 kHz.
    static int binColumn(int bin, int fftSize, float sampleRate) noexcept;

    void onParameterChanged(rigging::Parameter* sender) override;
    void onBeginParameterEdit(rigging::Parameter*) override {}
    void onEndParameterEdit(rigging::Parameter*) override {}

    bool onMouseClick(int x, int y, rigging::MouseButton button, bool isDoubleClick,
                      rigging::MouseState mstate) noexcept override;
    void onMouseMove(int x, int y, int dx, int dy, rigging::MouseState mstate) noexcept override;
    void onBeginDrag() noexcept override;
    void onMouseDrag(int x, int y, int dx, int dy, rigging::MouseState mstate) noexcept override;
    void onStopDrag() noexcept override;
    void onMouseExit() noexcept override {}

    // What the display shows, as drawn: the curve's row in each column, the shown threshold
    // bars' rows and crossover columns. Two equal pictures draw the same pixels.
    struct Picture {
        int width = 0, height = 0, bands = 0;
        int thresholdRow[4] = {};
        int crossoverX[kCrossovers] = {};
        std::int16_t row[kPoints] = {};
        bool operator==(const Picture&) const = default;
        // Where `from` and `to` draw different pixels in a w x h display: the columns whose rows
        // differ, with the curve's segments to their neighbours and its 2-pixel line, or all of
        // it when a bar, a crossover or the size differs.
        static geom::box2i changedArea(const Picture& from, const Picture& to, int w,
                                       int h) noexcept;
    };
    void describePicture(Picture& picture) const noexcept;

    void onAnimate(double dt, double time) noexcept override;
    void onDrawRaw(rigging::ImageRef<rigging::RGBA> rawMap,
                   std::span<const geom::box2i> dirtyRects) noexcept override;

private:
    struct Frame {
        float level[kPoints];
    };
    static constexpr std::uint32_t kFresh = 4;  // in middle_: the slot holds an untaken frame
    static constexpr int kBinTableCapacity = 8193;

    void recalcFFTData(const SpectrumBin* bins, int count, int fftSize, float sampleRate) noexcept;
    int binPosition(int bin, int fftSize, float sampleRate) noexcept;
    void publishFrame() noexcept;
    bool takeFrame() noexcept;
    void queueParamValueMessage(rigging::Parameter* p) noexcept;
    rigging::Parameter* crossoverParameter(int k) const noexcept;
    // Whether (x, y) lies within reach of crossover k's handle.
    bool nearHandle(int k, int x, int y) const noexcept;
    // The shown handle a press at (x, y) takes (the last one in reach), or -1.
    int handleAt(int x, int y) const noexcept;

    // Audio thread only.
    int callCounter_ = 0;
    float points_[kPoints];
    float smoothed_[kPoints];
    audiofx::ButterworthLP* smoothing_;
    std::int16_t* binTable_;  // x of each bin for the cached size and rate
    int binTableCount_ = 0;   // bins the table holds
    int binTableBins_ = -1;   // bins of the frame it was made for
    int binTableFFTSize_ = 0;
    float binTableRate_ = 0.0f;
    std::uint32_t back_ = 0;

    // The exchange.
    Frame slots_[3];
    std::atomic<std::uint32_t> middle_{1};
    std::uint32_t front_ = 2;  // window threads only

    std::atomic<float> rise_{0.0f};
    std::atomic<float> fall_{0.0f};
    std::atomic<float> crossoverX_[kCrossovers];
    std::atomic<bool> crossoversMoved_{false};
    std::atomic<bool> frameArrived_{false};

    // Window threads only.
    Picture next_;     // the tick's
    Picture drawing_;  // the draw's
    DrawnPicture<Picture> shown_;
    double sinceLastFrame_ = 0.0;
    double idleTimer_ = 0.0;
    // A drag picks its handle where the button went down, which onMouseClick saw.
    int pressX_ = 0;
    int pressY_ = 0;
    int dragged_ = -1;
    rigging::Parameter* editing_ = nullptr;  // the crossover whose host edit is open
    rigging::Parameter* hovered_ = nullptr;
    char valueText_[25];
    char nameText_[25];

    rigging::Client* client_;
    MessageQueue* messageQueue_;
    GlobalState* globalState_;
    UITooltip* tooltip_;
    rigging::Font* font_;
    rigging::Canvas fillCanvas_;
    rigging::Canvas lineCanvas_;
};

}  // namespace brindlewave
