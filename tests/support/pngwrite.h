#pragma once
// PNG files made by tests: in memory, or written out for a person to look at.

#include <cstdint>
#include <string>
#include <vector>

namespace pngwrite {

// 8-bit PNG of w x h pixels of `channels` bytes each (1 grey, 2 grey + alpha, 3 RGB, 4 RGBA),
// rows `stride` bytes apart.
std::vector<std::uint8_t> encode(const void* pixels, int w, int h, int channels, int stride);

// Writes the same to a file; false on failure.
bool writeFile(const std::string& path, const void* pixels, int w, int h, int channels, int stride);

}  // namespace pngwrite
