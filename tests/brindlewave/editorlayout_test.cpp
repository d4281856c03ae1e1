#include "brindlewave/editorlayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

namespace L = brindlewave::layout;

TEST(EditorLayout, LevelRowsFollowTheSpectrumScaleAndStayOnScreen) {
    for (int dB = 6; dB >= -60; --dB) {
        const double row = std::round((1.0 - (dB + 60) / 66.0) * 204.0);
        EXPECT_EQ(L::spectrumRowForDb(dB), 60 + std::min(static_cast<int>(row), 203)) << dB;
    }
    EXPECT_EQ(L::spectrumRowForDb(6), 60);
    EXPECT_EQ(L::spectrumRowForDb(-60), L::kSpectrum.y1 - 1);
}

TEST(EditorLayout, NotchDepthPerColumn) {
    EXPECT_EQ(L::notchDepth(449), 0);
    EXPECT_EQ(L::notchDepth(450), 0);
    EXPECT_EQ(L::notchDepth(460), 15);
    for (int x = 470; x <= 530; ++x) EXPECT_EQ(L::notchDepth(x), 30) << x;
    EXPECT_EQ(L::notchDepth(531), 29);
    EXPECT_EQ(L::notchDepth(540), 15);
    EXPECT_EQ(L::notchDepth(549), 2);
    EXPECT_EQ(L::notchDepth(550), 0);
}

TEST(EditorLayout, KnobSweepRunsFromSevenThirtyToFourThirty) {
    EXPECT_FLOAT_EQ(L::knobPointerDegrees(0), -135.0f);
    EXPECT_FLOAT_EQ(L::knobPointerDegrees(L::kKnobFrames - 1), 135.0f);
}

TEST(EditorLayout, ControlsDoNotOverlapAndStayInTheirPanels) {
    std::vector<L::Rect> bottom = {L::kBandDecrement, L::kBandIncrement,  L::kBandNumber,
                                   L::kInputGainKnob, L::kOutputGainKnob, L::kInformationLine};
    for (const L::Rect& r : L::kAlignButtons) bottom.push_back(r);
    for (const L::Rect& r : L::kGlobalKnobs) bottom.push_back(r);
    for (const L::Rect& r : L::kGlobalKnobLabels) bottom.push_back(r);
    for (const L::Rect& r : L::kOversampleButtons) bottom.push_back(r);
    for (size_t i = 0; i < bottom.size(); ++i) {
        const L::Rect& a = bottom[i];
        EXPECT_GE(a.y0, L::kBandRow.y1) << i;
        EXPECT_LE(a.y1, L::kHeight) << i;
        for (size_t j = i + 1; j < bottom.size(); ++j) {
            const L::Rect& b = bottom[j];
            const bool overlap = a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
            EXPECT_FALSE(overlap) << i << " and " << j;
        }
    }
    for (int k = 0; k < L::kGlobalKnobCount; ++k) {
        EXPECT_EQ(L::kGlobalKnobLabels[k].x1, L::kGlobalKnobs[k].x0) << k;
        EXPECT_EQ(L::kGlobalKnobLabels[k].y0, L::kGlobalKnobs[k].y0) << k;
        EXPECT_EQ(L::kGlobalKnobs[k].width(), L::kKnobSize) << k;
        EXPECT_EQ(L::kGlobalKnobs[k].height(), L::kKnobSize) << k;
    }
    for (int k = 1; k < L::kOversampleButtonCount; ++k)
        EXPECT_EQ(L::kOversampleButtons[k].x0, L::kOversampleButtons[k - 1].x1 + 2) << k;
    EXPECT_TRUE(L::kTopBar.contains(L::kBypassButton.x0, L::kBypassButton.y0));
    EXPECT_TRUE(L::kTopBar.contains(L::kBypassButton.x1 - 1, L::kBypassButton.y1 - 1));
}

}  // namespace
