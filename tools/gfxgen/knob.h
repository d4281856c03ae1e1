#pragma once
// The knob film strip: frames of a knob turned from its minimum to its maximum, drawn with the
// editor's lights baked in (knobs are drawn over the lit panel without lighting of their own).

#include "plane.h"

namespace gfxgen {

// All frames stacked vertically: frameSize x (frameSize * frames), RGBA with straight alpha.
// The sky is the environment the knob's metal reflects.
Image8 makeKnobFilmstrip(int frameSize, int frames, const RgbPlanes& sky);

}  // namespace gfxgen
