#include "rigging/graphics/font.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "rigging/core/fatal.h"
#include "rigging/core/nogc.h"

// The TrueType parser and glyph rasteriser of the stb_truetype dependency, compiled here and
// nowhere else.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_truetype.h>
#pragma GCC diagnostic pop

namespace rigging {

namespace {

const stbtt_fontinfo* infoOf(const void* p) noexcept {
    return static_cast<const stbtt_fontinfo*>(p);
}

int compareFloat(float a, float b) noexcept {
    if (a < b) return -1;
    if (a > b) return 1;
    return 0;
}

// One code point from text at i, advancing i. Malformed sequences give U+FFFD and consume the
// longest prefix that could have started a valid sequence (at least one byte).
char32_t decodeUtf8(std::string_view text, std::size_t& i) noexcept {
    constexpr char32_t kReplacement = 0xFFFD;
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b0 = byte(i++);
    if (b0 < 0x80) return b0;
    int more;
    char32_t cp;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        more = 1;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        more = 2;
        cp = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;  // no overlong forms
        if (b0 == 0xED) hi = 0x9F;  // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        more = 3;
        cp = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
    } else {
        return kReplacement;
    }
    for (int k = 0; k < more; ++k) {
        if (i >= text.size()) return kReplacement;
        const unsigned char b = byte(i);
        if (k == 0 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF)) return kReplacement;
        cp = (cp << 6) | (b & 0x3F);
        ++i;
    }
    return cp;
}

// Pixel coordinates and sizes beyond these are far off any target; they keep every integer
// conversion here and in the parser defined.
constexpr float kCoordinateLimit = 16777216.0f;
constexpr float kSizeLimit = 16384.0f;

bool finite(float a, float b, float c, float d) noexcept {
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

}  // namespace

int GlyphKey::compare(const GlyphKey& o) const noexcept {
    if (int c = compareFloat(scale, o.scale)) return c;
    if (int c = compareFloat(yShift, o.yShift)) return c;
    if (ch != o.ch) return ch < o.ch ? -1 : 1;
    return compareFloat(xShift, o.xShift);
}

GlyphCache::~GlyphCache() {
    if (auto* tree = map_.tree())
        for (auto* n = tree->begin(); n != tree->end(); n = tree->next(n))
            std::free(n->value.value);
}

std::uint8_t* GlyphCache::requestGlyph(const void* fontInfo, const GlyphKey& key, int w,
                                       int h) noexcept {
    if (w <= 0 || h <= 0) return nullptr;
    if (std::uint8_t** hit = map_.find(key)) return *hit;
    auto* bitmap = static_cast<std::uint8_t*>(
        checkedMalloc(checkedArrayBytes(static_cast<std::size_t>(w), static_cast<std::size_t>(h))));
    stbtt_MakeCodepointBitmapSubpixel(infoOf(fontInfo), bitmap, w, h, w, key.scale, key.scale,
                                      key.xShift, key.yShift, static_cast<int>(key.ch));
    map_.assign(key, bitmap);
    return bitmap;
}

Font::Font(std::span<const std::uint8_t> data) noexcept : data_(data) {
    static_assert(sizeof(stbtt_fontinfo) <= kInfoBytes && alignof(stbtt_fontinfo) <= 16);
    auto* info = ::new (static_cast<void*>(info_)) stbtt_fontinfo{};
    // The parser trusts its input; at least the table directory must be there.
    if (data.size() < 12) fatalTrap();
    const int offset = stbtt_GetFontOffsetForIndex(data.data(), 0);
    if (offset < 0 || !stbtt_InitFont(info, data.data(), offset)) fatalTrap();
    stbtt_GetFontVMetrics(info, &ascent_, &descent_, &lineGap_);
    mutex_ = makeMutex();
}

Font::~Font() = default;

float Font::scaleForPixelHeight(float pixels) const noexcept {
    return stbtt_ScaleForPixelHeight(infoOf(info_), pixels);
}

void Font::iterateCharacterPositions(std::string_view text, float fontSizePx, float letterSpacing,
                                     float x, float y, GlyphCallback callback,
                                     void* user) const noexcept {
    if (!finite(fontSizePx, letterSpacing, x, y)) return;
    fontSizePx = std::clamp(fontSizePx, 0.0f, kSizeLimit);
    letterSpacing = std::clamp(letterSpacing, -kCoordinateLimit, kCoordinateLimit);
    x = std::clamp(x, -kCoordinateLimit, kCoordinateLimit);
    y = std::clamp(y, -kCoordinateLimit, kCoordinateLimit);
    const stbtt_fontinfo* info = infoOf(info_);
    const float scale = stbtt_ScaleForPixelHeight(info, fontSizePx);
    const float iy = std::floor(y);
    const float yShift = std::round((y - iy) * 8.0f) / 8.0f;
    float penX = x;
    char32_t previous = 0;
    std::size_t i = 0;
    for (int index = 0; i < text.size(); ++index) {
        const char32_t ch = decodeUtf8(text, i);
        if (index >= 1)
            penX += static_cast<float>(stbtt_GetCodepointKernAdvance(
                        info, static_cast<int>(previous), static_cast<int>(ch))) *
                    scale;
        penX = std::clamp(penX, -kCoordinateLimit, kCoordinateLimit);
        const float ix = std::floor(penX);
        const float xShift = std::round((penX - ix) * 8.0f) / 8.0f;
        int advance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(info, static_cast<int>(ch), &advance, &bearing);
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        stbtt_GetCodepointBitmapBoxSubpixel(info, static_cast<int>(ch), scale, scale, xShift,
                                            yShift, &x0, &y0, &x1, &y1);
        const int px = static_cast<int>(ix), py = static_cast<int>(iy);
        callback(user, index, ch, geom::box2i(px + x0, py + y0, px + x1, py + y1), scale, xShift,
                 yShift);
        penX += static_cast<float>(advance) * scale + letterSpacing;
        previous = ch;
    }
}

geom::box2i Font::measureText(std::string_view text, float fontSizePx,
                              float letterSpacing) const noexcept {
    struct Acc {
        geom::box2i box;
    } acc;
    forEachGlyph(text, fontSizePx, letterSpacing, 0.0f, 0.0f,
                 [&acc](int index, char32_t, const geom::box2i& g, float, float, float) {
                     if (index == 0)
                         acc.box = g;
                     else
                         acc.box = acc.box.expand(g.min).expand(g.max);
                 });
    return acc.box;
}

ImageRef<L8> Font::getGlyphCoverage(char32_t ch, float scale, int w, int h, float xShift,
                                    float yShift) noexcept {
    MutexLock lock(mutex_);
    ImageRef<L8> ref;
    std::uint8_t* bitmap = cache_.requestGlyph(info_, GlyphKey{ch, scale, xShift, yShift}, w, h);
    if (bitmap == nullptr) return ref;
    ref.w = w;
    ref.h = h;
    ref.pitch = static_cast<std::size_t>(w);
    ref.pixels = reinterpret_cast<L8*>(bitmap);
    return ref;
}

std::size_t Font::cachedGlyphCount() noexcept {
    MutexLock lock(mutex_);
    return cache_.length();
}

void fillText(const ImageRef<RGBA>& image, Font& font, std::string_view text, float fontSizePx,
              float letterSpacing, RGBA color, float x, float y, HorizontalAlignment horizontal,
              VerticalAlignment vertical) noexcept {
    if (!finite(fontSizePx, letterSpacing, x, y)) return;
    x = std::clamp(x, -kCoordinateLimit, kCoordinateLimit);
    y = std::clamp(y, -kCoordinateLimit, kCoordinateLimit);
    MutexLock lock(font.mutex());
    const float fx = std::floor(x), fy = std::floor(y);
    const geom::box2i area = font.measureText(text, fontSizePx, letterSpacing);
    geom::vec2i offset(static_cast<int>(fx), static_cast<int>(fy));
    if (horizontal == HorizontalAlignment::center) offset.x -= area.center().x;
    if (vertical == VerticalAlignment::center) offset.y -= area.center().y;
    const geom::box2i bounds(0, 0, image.w, image.h);

    struct Ctx {
        const ImageRef<RGBA>& image;
        Font& font;
        RGBA color;
        geom::vec2i offset;
        geom::box2i bounds;
    } ctx{image, font, color, offset, bounds};
    font.forEachGlyph(
        text, fontSizePx, letterSpacing, x - fx, y - fy,
        [&ctx](int, char32_t ch, const geom::box2i& glyph, float scale, float xs, float ys) {
            const geom::box2i rect = glyph.translate(ctx.offset);
            if (rect.width() <= 0 || rect.height() <= 0) return;  // a space: nothing to draw
            if (!ctx.bounds.intersects(rect)) return;
            const geom::box2i clipped = rect.intersection(ctx.bounds);
            const ImageRef<L8> cov =
                ctx.font.getGlyphCoverage(ch, scale, rect.width(), rect.height(), xs, ys);
            if (cov.pixels == nullptr) return;
            for (int py = clipped.min.y; py < clipped.max.y; ++py) {
                RGBA* dst = ctx.image.scanlinePtr(py);
                const L8* src = cov.scanlinePtr(py - rect.min.y);
                for (int px = clipped.min.x; px < clipped.max.x; ++px)
                    blendFontPixel(dst[px], ctx.color, src[px - rect.min.x].l);
            }
        });
}

void fillText(const Crop<ImageRef<RGBA>>& image, Font& font, std::string_view text,
              float fontSizePx, float letterSpacing, RGBA color, float x, float y,
              HorizontalAlignment horizontal, VerticalAlignment vertical) noexcept {
    ImageRef<RGBA> view;
    view.w = image.width();
    view.h = image.height();
    view.pitch = image.source.pitch;
    view.pixels = image.source.scanlinePtr(image.ymin) + image.xmin;
    fillText(view, font, text, fontSizePx, letterSpacing, color, x, y, horizontal, vertical);
}

}  // namespace rigging
