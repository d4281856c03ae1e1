#pragma once
// Text baked into the artwork with the editor's own font.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "plane.h"

struct stbtt_fontinfo;

namespace gfxgen {

class Font {
public:
    // Reads a TrueType file; ok() tells whether it parsed.
    explicit Font(const std::string& path);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    bool ok() const { return ok_; }

    // Sizes are pixel heights from the highest ascender to the lowest descender, the scale the
    // editor uses. tracking is extra space after every glyph, in pixels.
    float width(std::string_view utf8, float size, float tracking) const;
    float capHeight(float size) const;

    // Adds the text's coverage (0..1) to cov, the pen starting at x on baseline y.
    void draw(Plane& cov, std::string_view utf8, float x, float baseline, float size,
              float tracking) const;
    // Centres the text on (cx, cy), cy being the middle of the capital letters; the baseline is
    // snapped to a whole pixel so that horizontal strokes stay crisp.
    void drawCentred(Plane& cov, std::string_view utf8, float cx, float cy, float size,
                     float tracking) const;

private:
    std::vector<uint8_t> bytes_;
    stbtt_fontinfo* info_ = nullptr;
    bool ok_ = false;
};

// Code points of a UTF-8 string (invalid bytes are skipped).
std::vector<uint32_t> decodeUtf8(std::string_view s);

}  // namespace gfxgen
