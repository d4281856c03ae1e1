#pragma once
// Where the editor's widgets sit in its 1000 x 700 window. The background artwork is drawn to
// match these boxes (knob wells, trays, LCD wells, labels), so the editor and the artwork
// generator both read them from here.

#include "brindlewave/scales.h"

namespace brindlewave::layout {

// A rectangle in editor pixels; max is exclusive.
struct Rect {
    int x0, y0, x1, y1;
    constexpr int width() const { return x1 - x0; }
    constexpr int height() const { return y1 - y0; }
    constexpr bool contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
    // Centre of the box as a pixel position (the middle pixel of an odd-sized box).
    constexpr float centreX() const { return (x0 + x1 - 1) * 0.5f; }
    constexpr float centreY() const { return (y0 + y1 - 1) * 0.5f; }
};

constexpr int kWidth = 1000;
constexpr int kHeight = 700;

constexpr Rect kTopBar{0, 0, 1000, 60};
constexpr Rect kBypassButton{930, 20, 980, 40};
constexpr Rect kSpectrum{0, 60, 1000, 264};
constexpr Rect kBandRow{0, 265, 1000, 581};
constexpr Rect kBottomLeftPanel{0, 582, 500, 699};
constexpr Rect kInformationLine{450, 620, 540, 650};

// The notch tab that hangs from the top bar into the spectrum: its top edge runs from x 450
// to 550 at y 60, its bottom edge from 470 to 530 at y 90. The spectrum curve stays below
// notchDepth(x) pixels (from the spectrum's top) in that range.
constexpr int kNotchTopX0 = 450, kNotchTopX1 = 550, kNotchBottomX0 = 470, kNotchBottomX1 = 530;
constexpr int kNotchTopY = 60, kNotchBottomY = 90;
constexpr int notchDepth(int x) {
    if (x < kNotchTopX0 || x >= kNotchTopX1) return 0;
    if (x < 470) return (30 * x - 13500) / 20;
    if (x < 531) return 30;
    return 30 + (15900 - 30 * x) / 20;
}

// Bottom-left panel controls.
constexpr Rect kBandDecrement{7, 642, 27, 662};
constexpr Rect kBandIncrement{73, 642, 93, 662};
constexpr Rect kBandNumber{30, 626, 70, 676};
constexpr Rect kAlignLeft{105, 620, 205, 650};
constexpr Rect kAlignRight{210, 620, 310, 650};
constexpr Rect kAlignEven{105, 655, 205, 685};
constexpr Rect kAlignOuter{210, 655, 310, 685};
constexpr Rect kAlignButtons[4] = {kAlignLeft, kAlignRight, kAlignEven, kAlignOuter};
constexpr Rect kInputGainKnob{320, 642, 365, 687};
constexpr Rect kOutputGainKnob{380, 642, 425, 687};

// Global knobs (Attack, Release, Threshold, Ratio, Gain) and their short labels.
constexpr int kGlobalKnobCount = 5;
constexpr Rect kGlobalKnobs[kGlobalKnobCount] = {{575, 585, 620, 630},
                                                 {643, 585, 688, 630},
                                                 {575, 633, 620, 678},
                                                 {643, 633, 688, 678},
                                                 {711, 618, 756, 663}};
constexpr Rect kGlobalKnobLabels[kGlobalKnobCount] = {{560, 585, 575, 610},
                                                      {628, 585, 643, 610},
                                                      {560, 633, 575, 658},
                                                      {628, 633, 643, 658},
                                                      {696, 618, 711, 643}};

// Oversampling buttons: None, 2X, 4X, 8X.
constexpr int kOversampleButtonCount = 4;
constexpr Rect kOversampleButtons[kOversampleButtonCount] = {
    {785, 650, 835, 670}, {837, 650, 887, 670}, {889, 650, 939, 670}, {941, 650, 991, 670}};

// Knob film strip: square frames stacked vertically; the knob turns through 270 degrees.
constexpr int kKnobFrames = 120;
constexpr int kKnobSize = 45;
constexpr float kKnobStartDegrees = -135.0f;  // clockwise from 12 o'clock
constexpr float kKnobSweepDegrees = 270.0f;
constexpr float knobPointerDegrees(int frame) {
    return kKnobStartDegrees + kKnobSweepDegrees * static_cast<float>(frame) / (kKnobFrames - 1);
}

// Button strips: four frames side by side (colour, depth, material, spare).
constexpr int kStripFrames = 4;
constexpr int kBandCountFrame = 20;                                     // 80 x 20 strip
constexpr int kAlignFrameWidth = 100, kAlignFrameHeight = 30;           // 400 x 30 strips
constexpr int kTextButtonFrameWidth = 50, kTextButtonFrameHeight = 20;  // 200 x 20 strips

// Band panel pictures.
constexpr int kLinkWidth = 15, kLinkHeight = 17;
constexpr int kEnvelopeWidth = 100, kEnvelopeHeight = 100;
constexpr int kCurveWidth = 100, kCurveHeight = 100;
constexpr int kHistoryWidth = 100, kHistoryHeight = 45;
constexpr int kMeterWidth = 15, kMeterHeight = 265;

// The spectrum's grid: frequencies of its lines (placed by frequencyToX) and its level rows in
// editor y, where the spectrum's curve draws a level of dB, kept on the spectrum's last row.
constexpr float kFrequencyGrid[] = {30, 40, 50, 100, 200, 300, 500, 1000, 2000, 3000, 5000, 10000};
inline int spectrumRowForDb(int dB) noexcept {
    const int row = curveRowForLevel(levelFromDecibels(static_cast<float>(dB)), kSpectrum.height());
    return kSpectrum.y0 + (row < kSpectrum.height() - 1 ? row : kSpectrum.height() - 1);
}

}  // namespace brindlewave::layout
