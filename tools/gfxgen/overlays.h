#pragma once
// Pictures blended over the band panels' displays and meters, and the link switch glyphs.

#include "plane.h"

namespace gfxgen {

// Envelope display (100 x 100): a time tick every 20 px.
Image8 makeEnvelopeOverlay();
// Compressor curve display (100 x 100): level lines and the unity diagonal.
Image8 makeCurveOverlay();
// Gain-reduction history (100 x 45): level lines.
Image8 makeHistoryOverlay();
// Level meter (15 x 265): LED segments and level ticks.
Image8 makeMeterOverlay();

// Link switch glyph: on (accent green, glowing) or off (grey, translucent). 15 x 17.
Image8 makeLinkImage(bool on);

// Rows and columns of the scale lines, for the pictures above and their tests.
// x of the input level line, where the curve display puts its knee for that threshold; the
// output level line is at 100 - x.
int curveLinePosition(int dB);
int historyRowForDb(int dB);
int meterRowForDb(int dB);

}  // namespace gfxgen
