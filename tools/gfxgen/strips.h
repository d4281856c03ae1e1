#pragma once
// Button pictures: strips of four frames side by side (colour, depth, material, a spare copy
// of the colour). The depth and material frames replace the background over the whole button
// box, so outside the button's shape they carry the background's own values at that place.

#include "brindlewave/editorlayout.h"
#include "plane.h"

namespace gfxgen {

// The background as written to its files; the strips copy from them.
struct BackgroundFiles {
    Image8 albedo, emission, material, depth;
};

// Keycap colour of the band-count buttons. The two buttons share one picture, which leaves a
// window over each button's sign; the background prints the sign there on this colour.
constexpr Rgb kBandCountCap{88, 92, 100};
// The window, in the button's own pixels (0..20): a plus sign with a pixel of margin.
float bandCountWindowSdf(float x, float y);
// The signs themselves (plus = false gives the minus sign).
float bandCountSignSdf(float x, float y, bool plus);

// Band-count strip: 80 x 20 RGBA.
Image8 makeBandCountStrip(const BackgroundFiles& bg);

enum class AlignMode { left, right, even, outer };
// One align strip: 400 x 30 RGBA, for the button at its fixed place.
Image8 makeAlignStrip(AlignMode mode, const BackgroundFiles& bg);

// Oversampling and bypass strips: 200 x 20 RGB; colour frame fills the whole box.
Image8 makeTextButtonStrip(Rgb cap, const brindlewave::layout::Rect& place,
                           const BackgroundFiles& bg);

}  // namespace gfxgen
