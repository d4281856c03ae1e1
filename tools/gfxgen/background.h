#pragma once
// The editor's background: colour, emission, material and height of the whole 1000 x 700
// panel, drawn to fit the widgets that sit on it.

#include "brindlewave/editorlayout.h"
#include "panelmaps.h"
#include "text.h"

namespace gfxgen {

namespace art {

using brindlewave::layout::Rect;

// Heights in the editor's depth units (4655 = one pixel of height).
constexpr float kPanelHeight = 40000;
constexpr float kTopBarHeight = 44000;
constexpr float kScreenFloor = 10000;
constexpr float kLcdFloor = 12000;
constexpr float kTrayFloor = 36000;
constexpr float kBypassTrayFloor = 40500;
constexpr float kWellFloor = 37000;
constexpr float kCollarRise = 4000;
constexpr float kGroove = 30000;

// Recessed trays with flat floors under the buttons, so that the button pictures meet the
// background without a seam.
constexpr Rect kBandTray{2, 615, 98, 690};
constexpr Rect kAlignTray{100, 615, 315, 690};
constexpr Rect kOversampleTray{779, 644, 997, 676};
constexpr Rect kBypassTray{925, 15, 985, 45};
constexpr float kTrayBevel = 2.5f;

// Knob wells: the knob sits in a shallow well ringed by a raised collar.
constexpr float kWellRadius = 21.5f;
constexpr float kCollarOuter = 23.5f;

// LCD wells are this much larger than the widget drawing into them.
constexpr int kLcdBezel = 2;

}  // namespace art

// The fixed knobs of the editor (the two gain knobs and the five global knobs).
constexpr int kFixedKnobCount = 7;
extern const brindlewave::layout::Rect kFixedKnobs[kFixedKnobCount];

PanelMaps makeBackground(const Font& font);

}  // namespace gfxgen
