#include "brindlewave/globals.h"

#include <gtest/gtest.h>

namespace brindlewave {
namespace {

TEST(GlobalState, StartsClearAndFlagsAreIndependentPerBand) {
    GlobalState g;
    EXPECT_FALSE(g.crossoverBeingDragged());
    EXPECT_FALSE(g.fftDataArriving());
    for (int b = 0; b < 4; ++b) {
        EXPECT_FALSE(g.isPanelBeingMoved(b));
        EXPECT_FALSE(g.doesMeterNeedUpdate(b));
    }
    g.beginPanelMove(2);
    g.flagMeterToUpdate(1, true);
    for (int b = 0; b < 4; ++b) {
        EXPECT_EQ(g.isPanelBeingMoved(b), b == 2);
        EXPECT_EQ(g.doesMeterNeedUpdate(b), b == 1);
    }
    g.endPanelMove(2);
    g.flagMeterToUpdate(1, false);
    EXPECT_FALSE(g.isPanelBeingMoved(2));
    EXPECT_FALSE(g.doesMeterNeedUpdate(1));
    g.setFFTDataArriving(true);
    EXPECT_TRUE(g.fftDataArriving());
    EXPECT_FALSE(g.crossoverBeingDragged());
}

TEST(GlobalState, BandsOutsideTheRowAreIgnored) {
    GlobalState g;
    for (int b : {-1, 4, 1000}) {
        g.beginPanelMove(b);
        g.flagMeterToUpdate(b, true);
        EXPECT_FALSE(g.isPanelBeingMoved(b));
        EXPECT_FALSE(g.doesMeterNeedUpdate(b));
    }
    for (int b = 0; b < 4; ++b) EXPECT_FALSE(g.isPanelBeingMoved(b));
}

}  // namespace
}  // namespace brindlewave
