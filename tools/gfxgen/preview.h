#pragma once
// Review pictures of the artwork: the background maps unlit and false-coloured, the
// approximately lit editor, the knob frames as a contact sheet, and the small pictures
// enlarged.

#include <string>
#include <vector>

#include "artwork.h"
#include "text.h"

namespace gfxgen {

// Writes the previews into dir; false (with a message) on failure.
bool writePreviews(const std::vector<ArtFile>& files, const Font& font, const std::string& dir,
                   std::string& error);

}  // namespace gfxgen
