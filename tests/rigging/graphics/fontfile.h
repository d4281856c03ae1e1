#pragma once
// The editor's font, read from where the system's package installs it.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#ifndef BRINDLEWAVE_FONT_PATH
#define BRINDLEWAVE_FONT_PATH "/usr/share/fonts/truetype/lato/Lato-Bold.ttf"
#endif

inline std::vector<std::uint8_t> readFontFile() {
    std::ifstream in(BRINDLEWAVE_FONT_PATH, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
