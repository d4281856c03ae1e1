#include "brindlewave/widgets/fftdisplay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "brindlewave/editorlayout.h"
#include "brindlewave/globals.h"
#include "brindlewave/paramids.h"
#include "brindlewave/scales.h"
#include "brindlewave/widgets/canvashelpers.h"
#include "brindlewave/widgets/tooltip.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/integerparameter.h"
#include "rigging/dsp/fft.h"

namespace brindlewave {

using geom::box2i;
using geom::vec2f;
using rigging::RGBA;

namespace {

constexpr RGBA kSpectrumFill{103, 238, 128, 180};
constexpr RGBA kSpectrumLine{103, 238, 128, 230};
constexpr RGBA kCrossoverLine{200, 200, 200, 255};
constexpr RGBA kThresholdBar{170, 170, 170, 255};
constexpr RGBA kHandle{200, 200, 200, 125};

constexpr float kSmoothingRate = 2000.0f;
constexpr float kSmoothingCutoff = 200.0f;

}  // namespace

FFTDisplay::FFTDisplay(rigging::UIContext* context, rigging::Client& client,
                       MessageQueue* messageQueue, GlobalState* globalState, UITooltip* tooltip,
                       rigging::Font* font) noexcept
    : UIElement(context, rigging::drawsRaw | rigging::isAnimated),
      smoothing_(rigging::mallocNew<audiofx::ButterworthLP>()),
      binTable_(static_cast<std::int16_t*>(
          rigging::checkedMalloc(sizeof(std::int16_t) * kBinTableCapacity))),
      client_(&client),
      messageQueue_(messageQueue),
      globalState_(globalState),
      tooltip_(tooltip),
      font_(font) {
    // Before any frame the curve lies on the bottom edge.
    for (int k = 0; k < kPoints; ++k) points_[k] = smoothed_[k] = 0.0f;
    for (Frame& f : slots_)
        for (float& v : f.level) v = 0.0f;
    std::memset(valueText_, 0xFF, sizeof valueText_);
    std::memset(nameText_, 0xFF, sizeof nameText_);
    for (auto& x : crossoverX_) x.store(std::nanf(""), std::memory_order_relaxed);
    setTiming(44100.0f, 0.01f, 0.2f);
    client_->param(param::numberOfBands)->addListener(this);
    for (int k = 0; k < kCrossovers; ++k) client_->param(param::crossover(k))->addListener(this);
    setCrossoverLocations();
    crossoversMoved_.store(false, std::memory_order_relaxed);  // the first draw is whole anyway
}

FFTDisplay::~FFTDisplay() {
    // Exactly the parameters listened to, whatever the band count is now.
    client_->param(param::numberOfBands)->removeListener(this);
    for (int k = 0; k < kCrossovers; ++k) client_->param(param::crossover(k))->removeListener(this);
    // An editor closed in the middle of a drag still closes the host's edit.
    if (editing_ != nullptr) editing_->endParamEdit();
    rigging::destroyFree(smoothing_);
    std::free(binTable_);
}

void FFTDisplay::setTiming(float sampleRate, float riseTime, float fallTime) noexcept {
    rise_.store(std::exp(-1.0f / (riseTime * sampleRate / 1000.0f)), std::memory_order_relaxed);
    fall_.store(std::exp(-1.0f / (fallTime * sampleRate / 1000.0f)), std::memory_order_relaxed);
}

rigging::Parameter* FFTDisplay::crossoverParameter(int k) const noexcept {
    return client_->param(param::crossover(k));
}

void FFTDisplay::setCrossoverLocations() noexcept {
    bool moved = false;
    for (int k = 0; k < kCrossovers; ++k) {
        const double hz =
            static_cast<rigging::FloatParameter*>(crossoverParameter(k))->valueAtomic();
        const auto x = static_cast<float>(frequencyToX(hz));
        if (crossoverX_[k].exchange(x, std::memory_order_relaxed) != x) moved = true;
    }
    if (moved) crossoversMoved_.store(true, std::memory_order_release);
}

float FFTDisplay::crossoverPosition(int k) const noexcept {
    return crossoverX_[k].load(std::memory_order_relaxed);
}

int FFTDisplay::numBandsEnabled() const noexcept {
    const int n = static_cast<rigging::IntegerParameter*>(client_->param(param::numberOfBands))
                      ->valueAtomic();
    return n < 2 ? 2 : (n > 4 ? 4 : n);
}

void FFTDisplay::getThresholdValues(int (&rows)[4]) const noexcept {
    const int h = position().height();
    for (int b = 0; b < 4; ++b) {
        const double t = static_cast<rigging::FloatParameter*>(client_->param(param::threshold(b)))
                             ->valueAtomic();
        rows[b] = rowForLevel(levelFromThreshold(static_cast<float>(t)), h);
    }
}

float FFTDisplay::normalizeFFTValue(float magnitude) noexcept {
    return levelFromAmplitude(magnitude);
}

void FFTDisplay::updateFFT(const rigging::Vec<SpectrumBin>& bins, int fftSize,
                           float sampleRate) noexcept {
    frameArrived_.store(true, std::memory_order_relaxed);
    if (callCounter_++ < 2) return;
    callCounter_ = 0;
    setCrossoverLocations();
    recalcFFTData(bins.ptr(), static_cast<int>(bins.length()), fftSize, sampleRate);
    publishFrame();
}

int FFTDisplay::binColumn(int bin, int fftSize, float sampleRate) noexcept {
    const float f = rigging::convertFFTBinToFrequency(bin, fftSize, sampleRate);
    const int x = frequencyToX(f);
    return x < kPoints - 1 ? x : kPoints - 1;
}

int FFTDisplay::binPosition(int bin, int fftSize, float sampleRate) noexcept {
    return bin < binTableCount_ ? binTable_[bin] : binColumn(bin, fftSize, sampleRate);
}

void FFTDisplay::recalcFFTData(const SpectrumBin* bins, int count, int fftSize,
                               float sampleRate) noexcept {
    smoothing_->setSampleRate(kSmoothingRate);  // recomputes and clears the state
    smoothing_->setFrequency(kSmoothingCutoff);

    // The column of each bin depends only on the frame's size and rate, which the engine keeps.
    if (fftSize != binTableFFTSize_ || !(sampleRate == binTableRate_) || count != binTableBins_) {
        binTableCount_ = 0;
        const int n = count < kBinTableCapacity ? count : kBinTableCapacity;
        for (int i = 0; i < n; ++i)
            binTable_[i] = static_cast<std::int16_t>(binPosition(i, fftSize, sampleRate));
        binTableCount_ = n;
        binTableBins_ = count;
        binTableFFTSize_ = fftSize;
        binTableRate_ = sampleRate;
    }
    auto level = [&](int i) {
        const float re = bins[i].real(), im = bins[i].imag();
        return normalizeFFTValue(std::sqrt(re * re + im * im) / 1024.0f);
    };

    // Bins sharing a column: the first one sets the ramp from the previous column, the last
    // one the column itself, so the ones between need no level.
    int previousX = 0;
    float previousLevel = 0.0f;
    int i = 0;
    while (i < count) {
        const int x = binPosition(i, fftSize, sampleRate);
        int last = i;
        while (last + 1 < count && binPosition(last + 1, fftSize, sampleRate) == x) ++last;
        if (x > previousX + 1) {
            const float first = level(i);
            const auto span = static_cast<float>(x - previousX);
            for (int k = previousX + 1; k < x; ++k)
                points_[k] = previousLevel +
                             (first - previousLevel) * static_cast<float>(k - previousX) / span;
        }
        const float own = level(last);
        points_[x] = own;
        previousX = x;
        previousLevel = own;
        i = last + 1;
    }

    // Rise fast, fall slowly, then a low-pass along the frequency axis.
    const float rise = riseCoefficient(), fall = fallCoefficient();
    for (int k = 0; k < kPoints; ++k) {
        const float target = std::fabs(points_[k]);
        float shown = smoothed_[k];
        if (std::isnan(shown)) shown = 0.0f;
        const float a = target <= shown ? fall : rise;
        smoothed_[k] = (1.0f - a) * target + a * shown;
        points_[k] = smoothing_->getNextSample(smoothed_[k]);
    }
}

void FFTDisplay::publishFrame() noexcept {
    std::memcpy(slots_[back_].level, points_, sizeof points_);
    back_ = middle_.exchange(back_ | kFresh, std::memory_order_acq_rel) & 3u;
}

bool FFTDisplay::takeFrame() noexcept {
    if ((middle_.load(std::memory_order_relaxed) & kFresh) == 0) return false;
    front_ = middle_.exchange(front_, std::memory_order_acq_rel) & 3u;
    return true;
}

std::span<const float> FFTDisplay::shownLevels() const noexcept {
    return {slots_[front_].level, static_cast<std::size_t>(kPoints)};
}

void FFTDisplay::onParameterChanged(rigging::Parameter*) {
    setCrossoverLocations();
}

void FFTDisplay::queueParamValueMessage(rigging::Parameter* p) noexcept {
    const auto* fp = static_cast<rigging::FloatParameter*>(p);
    std::snprintf(nameText_, 24, "%s", p->name());
    std::snprintf(valueText_, 24, "%.2f %s", fp->value(), p->label());
    Message m;
    m.sender = this;
    m.kind = "Crossover";
    m.name = nameText_;
    m.value = valueText_;
    messageQueue_->Append(m);
}

bool FFTDisplay::nearHandle(int k, int x, int y) const noexcept {
    const float p = crossoverPosition(k);
    const int cy = position().height() / 2;
    return p - kHandleReach <= x && x <= p + kHandleReach && cy - kHandleReach <= y &&
           y <= cy + kHandleReach;
}

int FFTDisplay::handleAt(int x, int y) const noexcept {
    // Only shown handles: a hidden crossover next to the last one would take its drag.
    const int n = numBandsEnabled();
    int picked = -1;
    for (int k = 0; k < n - 1; ++k)
        if (nearHandle(k, x, y)) picked = k;
    return picked;
}

bool FFTDisplay::onMouseClick(int x, int y, rigging::MouseButton, bool,
                              rigging::MouseState) noexcept {
    pressX_ = x;
    pressY_ = y;
    return true;  // every click may start a drag
}

void FFTDisplay::onMouseMove(int x, int y, int, int, rigging::MouseState) noexcept {
    const int n = numBandsEnabled();
    for (int k = 0; k < n - 1; ++k) {
        if (nearHandle(k, x, y)) {
            rigging::Parameter* param = crossoverParameter(k);
            queueParamValueMessage(param);
            if (!tooltip_->IsBeingDragged()) hovered_ = param;
        }
    }
}

void FFTDisplay::onBeginDrag() noexcept {
    messageQueue_->BeginDrag(this);
    globalState_->setCrossoverBeingDragged(true);
    // The first motion may come far from the press (a flick), or outside the display.
    dragged_ = handleAt(pressX_, pressY_);
}

void FFTDisplay::onMouseDrag(int x, int y, int dx, int, rigging::MouseState) noexcept {
    const int width = position().width();
    if (x < 1 || x >= width) return;
    const int n = numBandsEnabled();
    const int k = dragged_;
    if (k < 0 || k >= n - 1) return;

    auto limit = [&](int v) { return v < 0 ? 0 : (v > width - 1 ? width - 1 : v); };
    const int right = limit(k < n - 2 ? static_cast<int>(crossoverPosition(k + 1)) : width - 1);
    const int left = limit(k > 0 ? static_cast<int>(crossoverPosition(k - 1)) : 0);

    auto* p = static_cast<rigging::FloatParameter*>(crossoverParameter(k));
    const double value = p->valueAtomic();
    const double current = exactFrequencyFraction(value);
    const double w = static_cast<double>(width);
    double next = current + static_cast<double>(dx) / w;
    // Neighbours and ends stay at least a band's minimum width away.
    if (w * next <= left + kMinimumBandWidth)
        next = (left + kMinimumBandWidth) / w;
    else if (w * next > right - kMinimumBandWidth)
        next = (right - kMinimumBandWidth) / w;
    if (next == current) return;
    const double hz = frequencyOfFraction(next);
    // Held at a limit, every step lands on the value already sent (which a host may have
    // handed back in its own precision).
    if (!p->hostSeesChange(hz)) return;
    // One edit for the whole drag, opened by the first step that changes something.
    if (editing_ != p) {
        if (editing_ != nullptr) editing_->endParamEdit();
        p->beginParamEdit();
        editing_ = p;
    }
    p->setFromGUI(hz);
    queueParamValueMessage(p);
    tooltip_->BeginDrag(p);
    tooltip_->Show(p, x, y);
    hovered_ = p;
    setCrossoverLocations();
}

void FFTDisplay::onStopDrag() noexcept {
    // The release, or a drag the window cancelled: either way the host's edit ends here.
    if (editing_ != nullptr) {
        editing_->endParamEdit();
        editing_ = nullptr;
    }
    messageQueue_->StopDrag(this);
    dragged_ = -1;
    globalState_->setCrossoverBeingDragged(false);
    if (hovered_ != nullptr) {
        tooltip_->EndDrag(hovered_);
        tooltip_->Hide(hovered_);
    }
}

void FFTDisplay::onAnimate(double dt, double) noexcept {
    if (frameArrived_.exchange(false, std::memory_order_relaxed)) sinceLastFrame_ = 0.0;
    bool dirty = takeFrame();
    if (crossoversMoved_.exchange(false, std::memory_order_acq_rel)) dirty = true;
    sinceLastFrame_ += dt;
    if (sinceLastFrame_ >= kIdleAfterMs) {
        globalState_->setFFTDataArriving(false);
        idleTimer_ += dt;
        if (idleTimer_ >= kIdleRefreshMs) {
            idleTimer_ = 0.0;
            dirty = true;
        }
    }
    if (!dirty) return;
    if (!globalState_->redrawsOnlyChanges()) {
        setDirtyWhole();
        return;
    }
    describePicture(next_);
    const box2i area = shown_.toRedraw(next_, position().width(), position().height());
    if (!area.empty()) setDirty(area);
}

box2i FFTDisplay::Picture::changedArea(const Picture& from, const Picture& to, int w,
                                       int h) noexcept {
    const box2i whole(0, 0, w, h);
    if (from.width != to.width || from.height != to.height || from.bands != to.bands ||
        !std::equal(from.thresholdRow, from.thresholdRow + 4, to.thresholdRow) ||
        !std::equal(from.crossoverX, from.crossoverX + kCrossovers, to.crossoverX))
        return whole;
    int first = -1, last = -1;
    for (int k = 0; k < kPoints; ++k) {
        if (from.row[k] == to.row[k]) continue;
        if (first < 0) first = k;
        last = k;
    }
    if (first < 0) return box2i();
    // A column's row moves the segments to both its neighbours; the line reaches a pixel
    // beyond them, and antialiasing one more.
    int top = h, bottom = 0;
    for (int k = std::max(first - 1, 0); k <= std::min(last + 1, kPoints - 1); ++k) {
        top = std::min({top, static_cast<int>(from.row[k]), static_cast<int>(to.row[k])});
        bottom = std::max({bottom, static_cast<int>(from.row[k]), static_cast<int>(to.row[k])});
    }
    // The curve starts and ends on the bottom edge.
    if (first == 0 || last == kPoints - 1) bottom = h;
    constexpr int kReach = 3;
    return box2i(std::max(first - kReach, 0), std::max(top - kReach, 0),
                 std::min(last + kReach + 1, w), std::min(bottom + kReach + 1, h))
        .intersection(whole);
}

void FFTDisplay::describePicture(Picture& picture) const noexcept {
    const int width = position().width(), height = position().height();
    const int n = numBandsEnabled();
    picture.width = width;
    picture.height = height;
    picture.bands = n;
    const float* levels = slots_[front_].level;
    for (int k = 0; k < kPoints; ++k) {
        int y = curveRowForLevel(levels[k], kCurveHeight);
        y = y < 0 ? 0 : (y > height - 1 ? height - 1 : y);
        // The curve stays below the notch that hangs into the top centre.
        const int notch = layout::notchDepth(k < width - 1 ? k : width - 1);
        picture.row[k] = static_cast<std::int16_t>(y < notch ? notch : y);
    }
    int thresholdRows[4];
    getThresholdValues(thresholdRows);
    for (int b = 0; b < 4; ++b) picture.thresholdRow[b] = b < n ? thresholdRows[b] : 0;
    for (int k = 0; k < kCrossovers; ++k) {
        picture.crossoverX[k] = k >= n - 1 ? 0 : static_cast<int>(crossoverPosition(k));
    }
}

void FFTDisplay::onDrawRaw(rigging::ImageRef<RGBA> rawMap,
                           std::span<const box2i> dirtyRects) noexcept {
    const int width = position().width(), height = position().height();
    if (width <= 0 || height <= 0) return;
    const auto fh = static_cast<float>(height);
    Picture& picture = drawing_;
    describePicture(picture);
    const int n = picture.bands;

    for (const box2i& r : dirtyRects) {
        bindCanvas(fillCanvas_, rawMap, r);
        bindCanvas(lineCanvas_, rawMap, r);

        fillCanvas_.fillStyle(kSpectrumFill);
        lineCanvas_.fillStyle(kSpectrumLine);
        fillCanvas_.beginPath();
        fillCanvas_.moveTo(0, fh);
        vec2f previous(0.0f, fh);
        for (int k = 0; k < kPoints; ++k) {
            const int x = k < width - 1 ? k : width - 1;
            const vec2f p(static_cast<float>(x), static_cast<float>(picture.row[k]));
            fillCanvas_.lineTo(p.x, p.y);
            fillLine(lineCanvas_, previous, p, 2.0f);
            previous = p;
        }
        fillCanvas_.lineTo(static_cast<float>(width), fh);
        fillCanvas_.fill();

        fillCanvas_.fillStyle(kCrossoverLine);
        for (int k = 0; k < n - 1; ++k) {
            const auto x = static_cast<float>(picture.crossoverX[k]);
            const auto top = static_cast<float>(layout::notchDepth(picture.crossoverX[k]));
            fillCanvas_.fillRect(x - 0.5f, top, 1.0f, fh - top);
        }

        fillCanvas_.fillStyle(kThresholdBar);
        for (int b = 0; b < n; ++b) {
            const int start = b == 0 ? 1 : picture.crossoverX[b - 1] + 1;
            const int end = b == n - 1 ? width - 1 : picture.crossoverX[b] - 1;
            const auto y = static_cast<float>(picture.thresholdRow[b]);
            fillCanvas_.fillRect(static_cast<float>(start), y - 1.0f,
                                 static_cast<float>(end - start), 2.0f);
        }

        // The translucent colour drawn twice makes a darker core.
        fillCanvas_.fillStyle(kHandle);
        for (int k = 0; k < n - 1; ++k) {
            const auto x = static_cast<float>(picture.crossoverX[k]);
            fillCanvas_.fillCircle(x, static_cast<float>(height / 2), 12.0f);
            fillCanvas_.fillCircle(x, static_cast<float>(height / 2), 8.0f);
        }
    }
    shown_.drew(picture, dirtyRects, rawMap.w, rawMap.h);
}

}  // namespace brindlewave
