#include "text.h"

#include <stb/stb_truetype.h>

#include <cmath>
#include <fstream>
#include <iterator>

namespace gfxgen {

std::vector<uint32_t> decodeUtf8(std::string_view s) {
    std::vector<uint32_t> out;
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > s.size()) {
            ++i;
            continue;
        }
        uint32_t cp = len == 1 ? c : c & (0x7F >> len);
        for (int k = 1; k < len; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += len;
    }
    return out;
}

Font::Font(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    info_ = new stbtt_fontinfo;
    ok_ = !bytes_.empty() && stbtt_InitFont(info_, bytes_.data(), 0) != 0;
}

Font::~Font() {
    delete info_;
}

float Font::width(std::string_view utf8, float size, float tracking) const {
    const float scale = stbtt_ScaleForPixelHeight(info_, size);
    const std::vector<uint32_t> cps = decodeUtf8(utf8);
    float x = 0;
    for (size_t i = 0; i < cps.size(); ++i) {
        int advance, lsb;
        stbtt_GetCodepointHMetrics(info_, cps[i], &advance, &lsb);
        x += advance * scale;
        if (i + 1 < cps.size()) {
            x += tracking + scale * stbtt_GetCodepointKernAdvance(info_, cps[i], cps[i + 1]);
        }
    }
    return x;
}

float Font::capHeight(float size) const {
    int x0, y0, x1, y1;
    stbtt_GetCodepointBox(info_, 'H', &x0, &y0, &x1, &y1);
    return y1 * stbtt_ScaleForPixelHeight(info_, size);
}

void Font::draw(Plane& cov, std::string_view utf8, float x, float baseline, float size,
                float tracking) const {
    const float scale = stbtt_ScaleForPixelHeight(info_, size);
    const std::vector<uint32_t> cps = decodeUtf8(utf8);
    const int by = static_cast<int>(std::floor(baseline));
    const float shiftY = baseline - by;
    std::vector<unsigned char> glyph;
    for (size_t i = 0; i < cps.size(); ++i) {
        const int bx = static_cast<int>(std::floor(x));
        const float shiftX = x - bx;
        int x0, y0, x1, y1;
        stbtt_GetCodepointBitmapBoxSubpixel(info_, cps[i], scale, scale, shiftX, shiftY, &x0, &y0,
                                            &x1, &y1);
        const int gw = x1 - x0, gh = y1 - y0;
        if (gw > 0 && gh > 0) {
            glyph.assign(static_cast<size_t>(gw) * gh, 0);
            stbtt_MakeCodepointBitmapSubpixel(info_, glyph.data(), gw, gh, gw, scale, scale, shiftX,
                                              shiftY, cps[i]);
            for (int gy = 0; gy < gh; ++gy)
                for (int gx = 0; gx < gw; ++gx) {
                    const int px = bx + x0 + gx, py = by + y0 + gy;
                    if (px < 0 || py < 0 || px >= cov.w || py >= cov.h) continue;
                    const float a = glyph[static_cast<size_t>(gy) * gw + gx] / 255.0f;
                    float& c = cov.at(px, py);
                    c = 1.0f - (1.0f - c) * (1.0f - a);
                }
        }
        int advance, lsb;
        stbtt_GetCodepointHMetrics(info_, cps[i], &advance, &lsb);
        x += advance * scale + tracking;
        if (i + 1 < cps.size())
            x += scale * stbtt_GetCodepointKernAdvance(info_, cps[i], cps[i + 1]);
    }
}

void Font::drawCentred(Plane& cov, std::string_view utf8, float cx, float cy, float size,
                       float tracking) const {
    const float w = width(utf8, size, tracking);
    const float baseline = std::round(cy + capHeight(size) * 0.5f);
    draw(cov, utf8, std::round((cx - w * 0.5f) * 4.0f) * 0.25f, baseline, size, tracking);
}

}  // namespace gfxgen
