#pragma once
// Review pictures of the artwork: the background maps unlit and false-coloured, an
// approximate lighting of them with the editor's lights, the knob frames as a contact sheet,
// and the small pictures enlarged.

#include <string>
#include <vector>

#include "artwork.h"
#include "text.h"

namespace gfxgen {

// Writes the previews into dir; false (with a message) on failure.
bool writePreviews(const std::vector<ArtFile>& files, const Font& font, const std::string& dir,
                   std::string& error);

// The background lit roughly as the editor will light it (normals from depth differences,
// the oblique shadows, key and specular lights, the sky reflection at full resolution, a
// blurred glow and the colour grading), with the fixed knobs and the buttons in place and
// sample band panels and spectrum drawn over it.
Image8 approximateLitEditor(const std::vector<ArtFile>& files, const Font& font);

}  // namespace gfxgen
