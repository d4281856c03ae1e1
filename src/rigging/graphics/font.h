#pragma once
// Anti-aliased UTF-8 text in one TrueType font: layout at 1/8-pixel precision, glyph bitmaps
// cached for ever, drawing into RGBA images. One mutex per font serialises every use of its
// cache, so several drawing threads may share a font.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>

#include "geom/box.h"
#include "rigging/core/map.h"
#include "rigging/core/sync.h"
#include "rigging/graphics/color.h"
#include "rigging/graphics/image.h"

namespace rigging {

// What a glyph bitmap depends on. Shifts are multiples of 1/8 in [0, 1].
struct GlyphKey {
    char32_t ch;
    float scale;  // font units to pixels
    float xShift;
    float yShift;

    // By scale, then yShift, then ch, then xShift; NaN compares as equal.
    int compare(const GlyphKey& o) const noexcept;
    friend bool operator<(const GlyphKey& a, const GlyphKey& b) noexcept {
        return a.compare(b) < 0;
    }
};

// Coverage bitmaps (w x h bytes, pitch w, from malloc) by key; nothing is ever evicted.
class GlyphCache {
public:
    GlyphCache() noexcept = default;
    GlyphCache(const GlyphCache&) = delete;
    GlyphCache& operator=(const GlyphCache&) = delete;
    ~GlyphCache();

    // fontInfo is the font's parser record. w and h come from the glyph box of the same key.
    // A glyph of no pixels (a space) has no bitmap: null, and nothing is stored.
    std::uint8_t* requestGlyph(const void* fontInfo, const GlyphKey& key, int w, int h) noexcept;

    std::size_t length() const noexcept { return map_.length(); }

private:
    Map<GlyphKey, std::uint8_t*> map_;
};

enum class HorizontalAlignment { left = 0, center = 1 };
enum class VerticalAlignment { baseline = 0, center = 1 };

class Font {
public:
    // The bytes are borrowed and must outlive the font. Data that is not a font ends the process.
    explicit Font(std::span<const std::uint8_t> data) noexcept;
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Vertical metrics in font units.
    int ascent() const noexcept { return ascent_; }
    int descent() const noexcept { return descent_; }
    int lineGap() const noexcept { return lineGap_; }

    // Font units to pixels such that ascent minus descent spans the given height.
    float scaleForPixelHeight(float pixels) const noexcept;

    using GlyphCallback = void (*)(void* user, int index, char32_t ch, const geom::box2i& glyphBox,
                                   float scale, float xShift, float yShift);

    // Lays out one line from the pen position (x, y), y the baseline, and calls back once per
    // code point with its pixel box. Invalid UTF-8 yields U+FFFD.
    void iterateCharacterPositions(std::string_view text, float fontSizePx, float letterSpacing,
                                   float x, float y, GlyphCallback callback,
                                   void* user) const noexcept;

    template <typename F>
    void forEachGlyph(std::string_view text, float fontSizePx, float letterSpacing, float x,
                      float y, F&& f) const noexcept {
        iterateCharacterPositions(
            text, fontSizePx, letterSpacing, x, y,
            [](void* u, int index, char32_t ch, const geom::box2i& box, float scale, float xs,
               float ys) {
                (*static_cast<std::remove_reference_t<F>*>(u))(index, ch, box, scale, xs, ys);
            },
            &f);
    }

    // The union of the glyph boxes of the text laid out at (0, 0); empty for empty text.
    geom::box2i measureText(std::string_view text, float fontSizePx,
                            float letterSpacing) const noexcept;

    // The cached coverage of one glyph (rasterised on first request): w x h, pitch w.
    ImageRef<L8> getGlyphCoverage(char32_t ch, float scale, int w, int h, float xShift,
                                  float yShift) noexcept;

    UncheckedMutex& mutex() noexcept { return mutex_; }
    std::size_t cachedGlyphCount() noexcept;

private:
    static constexpr std::size_t kInfoBytes = 256;
    alignas(16) unsigned char info_[kInfoBytes];  // the parser's font record
    std::span<const std::uint8_t> data_;
    int ascent_ = 0, descent_ = 0, lineGap_ = 0;
    GlyphCache cache_;
    UncheckedMutex mutex_;
};

// r, g and b become (c x coverage + d x (255 - coverage) + 128) >> 8; alpha becomes the
// colour's alpha whatever the coverage.
inline void blendFontPixel(RGBA& d, RGBA c, std::uint8_t coverage) noexcept {
    const int k = coverage, ik = 255 - coverage;
    d.r = static_cast<std::uint8_t>((c.r * k + d.r * ik + 128) >> 8);
    d.g = static_cast<std::uint8_t>((c.g * k + d.g * ik + 128) >> 8);
    d.b = static_cast<std::uint8_t>((c.b * k + d.b * ik + 128) >> 8);
    d.a = c.a;
}

// Draws one line of text. (x, y) is the pen start and baseline, or with an alignment of
// `center` the point the measured ink box is centred on. Glyphs are clipped to the target.
void fillText(const ImageRef<RGBA>& image, Font& font, std::string_view text, float fontSizePx,
              float letterSpacing, RGBA color, float x, float y,
              HorizontalAlignment horizontal = HorizontalAlignment::left,
              VerticalAlignment vertical = VerticalAlignment::baseline) noexcept;

// The same in the crop's own coordinates, clipped to the crop.
void fillText(const Crop<ImageRef<RGBA>>& image, Font& font, std::string_view text,
              float fontSizePx, float letterSpacing, RGBA color, float x, float y,
              HorizontalAlignment horizontal = HorizontalAlignment::left,
              VerticalAlignment vertical = VerticalAlignment::baseline) noexcept;

}  // namespace rigging
