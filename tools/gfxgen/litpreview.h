#pragma once
// A review picture of the whole editor: the background maps lit roughly as the editor will
// light them, with buttons, knobs and sample band panels in place.

#include <string_view>
#include <vector>

#include "artwork.h"
#include "text.h"

namespace gfxgen {

// The picture of that name among the generated ones (an empty image when there is none).
const Image8& findArt(const std::vector<ArtFile>& files, std::string_view name);

// What a band panel's display or meter shows under its overlay, roughly: pixel (x, y) of a
// w x h display whose overlay is the named picture.
Rgb displayContent(std::string_view overlayName, int x, int y, int w, int h);

// Normals from depth differences, the oblique shadows, key and specular lights, the sky
// reflection at full resolution, a blurred glow and the colour grading, with the fixed knobs,
// the idle buttons, four sample band panels and a sample spectrum.
Image8 approximateLitEditor(const std::vector<ArtFile>& files, const Font& font);

}  // namespace gfxgen
