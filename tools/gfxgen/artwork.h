#pragma once
// Every picture of the editor, generated from code alone.

#include <string>
#include <vector>

#include "plane.h"
#include "text.h"

namespace gfxgen {

struct ArtFile {
    std::string name;  // file name in gfx/
    Image8 image;
};

// All 19 pictures, in a fixed order. Text is baked with the given font (the editor's own).
std::vector<ArtFile> generateArtwork(const Font& font);

// Writes each picture as a PNG into dir; false (with a message) when a file cannot be written.
bool writeArtwork(const std::vector<ArtFile>& files, const std::string& dir, std::string& error);

}  // namespace gfxgen
