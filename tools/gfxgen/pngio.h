#pragma once
// PNG files in and out (8 bits per sample, not interlaced).

#include <string>

#include "plane.h"

namespace gfxgen {

// Writes colour type 2 for a 3-channel image and 6 for a 4-channel one. Returns false when the
// file cannot be written.
bool writePng(const std::string& path, const Image8& image);

// Decodes a PNG file into the given number of channels; an empty image when it fails.
Image8 readPng(const std::string& path, int channels);

}  // namespace gfxgen
