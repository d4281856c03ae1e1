#include "preview.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "brindlewave/editorlayout.h"
#include "brindlewave/gfx/resources.h"
#include "litpreview.h"
#include "panelmaps.h"
#include "pngio.h"
#include "shading.h"

namespace gfxgen {

namespace L = brindlewave::layout;
namespace R = brindlewave::gfx;

namespace {

// A colour map from black through blue, magenta and orange to pale yellow.
Rgb heat(float t) {
    static const Rgb stops[] = {{0, 0, 4},     {40, 11, 84},   {101, 21, 110}, {159, 42, 99},
                                {212, 72, 66}, {245, 125, 21}, {250, 193, 39}, {252, 255, 164}};
    t = std::clamp(t, 0.0f, 1.0f) * 7.0f;
    const int i = std::min(static_cast<int>(t), 6);
    return mix(stops[i], stops[i + 1], t - i);
}

struct Canvas {
    Image8 img;
    Canvas(int w, int h, Rgb fill) : img(w, h, 3) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) set(x, y, fill);
    }
    void set(int x, int y, Rgb c) {
        if (x < 0 || y < 0 || x >= img.w || y >= img.h) return;
        uint8_t* p = img.at(x, y);
        p[0] = toByte(c.r), p[1] = toByte(c.g), p[2] = toByte(c.b);
    }
    Rgb get(int x, int y) const {
        const uint8_t* p = img.at(x, y);
        return {float(p[0]), float(p[1]), float(p[2])};
    }
    void blend(int x, int y, Rgb c, float a) {
        if (x < 0 || y < 0 || x >= img.w || y >= img.h) return;
        set(x, y, mix(get(x, y), c, a));
    }
    // Draws src (RGBA or RGB) at (x, y), each pixel as a scale x scale block, blended by alpha.
    void blit(const Image8& src, int sx0, int sy0, int sw, int sh, int x, int y, int scale) {
        for (int j = 0; j < sh * scale; ++j)
            for (int i = 0; i < sw * scale; ++i) {
                const uint8_t* p = src.at(sx0 + i / scale, sy0 + j / scale);
                const float a = src.channels == 4 ? p[3] / 255.0f : 1.0f;
                blend(x + i, y + j, {float(p[0]), float(p[1]), float(p[2])}, a);
            }
    }
    void text(const Font& font, const std::string& s, float x, float y, float size, Rgb c) {
        Plane cov(img.w, img.h);
        font.draw(cov, s, x, y, size, 0.5f);
        for (int j = std::max(0, int(y - size)); j < std::min(img.h, int(y + size)); ++j)
            for (int i = 0; i < img.w; ++i)
                if (cov.at(i, j) > 0) blend(i, j, c, cov.at(i, j));
    }
};

// Height in editor units from a depth file pixel.
float depthAt(const Image8& depth, int x, int y) {
    return float(decodeHeight(depth.at(x, y)));
}

Plane heightPlane(const Image8& depth) {
    Plane h(depth.w, depth.h);
    for (int y = 0; y < depth.h; ++y)
        for (int x = 0; x < depth.w; ++x) h.at(x, y) = depthAt(depth, x, y);
    return h;
}

Image8 shadedDepth(const Image8& depth) {
    const Plane h = heightPlane(depth);
    const Vec3 light = normalize({-0.8f, 0.7f, 0.5f});
    Image8 out(depth.w, depth.h, 3);
    for (int y = 0; y < depth.h; ++y)
        for (int x = 0; x < depth.w; ++x) {
            const float l = std::max(0.0f, dot(heightNormal(h, x, y), light));
            uint8_t* p = out.at(x, y);
            p[0] = p[1] = p[2] = toByte(255.0f * std::min(1.0f, l * 1.4f));
        }
    return out;
}

// gamma below 1 spreads the low values (emission is mostly faint).
Image8 falseColour(const Image8& map, int channel, float gamma) {
    Image8 out(map.w, map.h, 3);
    for (int y = 0; y < map.h; ++y)
        for (int x = 0; x < map.w; ++x) {
            const Rgb c = heat(std::pow(map.at(x, y)[channel] / 255.0f, gamma));
            uint8_t* p = out.at(x, y);
            p[0] = toByte(c.r), p[1] = toByte(c.g), p[2] = toByte(c.b);
        }
    return out;
}

Image8 downsample2(const Image8& src) {
    Image8 out(src.w / 2, src.h / 2, src.channels);
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x)
            for (int c = 0; c < src.channels; ++c) {
                const int s = src.at(2 * x, 2 * y)[c] + src.at(2 * x + 1, 2 * y)[c] +
                              src.at(2 * x, 2 * y + 1)[c] + src.at(2 * x + 1, 2 * y + 1)[c];
                out.at(x, y)[c] = static_cast<uint8_t>((s + 2) / 4);
            }
    return out;
}

Image8 materialSheet(const std::vector<ArtFile>& files, const Font& font) {
    const Image8& material = findArt(files, R::kMaterial);
    const Image8& depth = findArt(files, R::kDepth);
    Image8 depthFalse(depth.w, depth.h, 3);
    for (int y = 0; y < depth.h; ++y)
        for (int x = 0; x < depth.w; ++x) {
            const Rgb c = heat(depthAt(depth, x, y) / 65535.0f);
            uint8_t* p = depthFalse.at(x, y);
            p[0] = toByte(c.r), p[1] = toByte(c.g), p[2] = toByte(c.b);
        }
    const Image8 tiles[4] = {downsample2(falseColour(material, 0, 1)),
                             downsample2(falseColour(material, 1, 1)),
                             downsample2(falseColour(material, 2, 1)), downsample2(depthFalse)};
    const char* titles[4] = {"roughness (material R)", "metalness (material G)",
                             "specular (material B)", "height (depth)"};
    const int tw = tiles[0].w, th = tiles[0].h, gap = 24;
    Canvas c(2 * tw + 3 * 8, 2 * (th + gap) + 8, {18, 18, 20});
    for (int i = 0; i < 4; ++i) {
        const int x = 8 + (i % 2) * (tw + 8), y = gap + (i / 2) * (th + gap);
        c.blit(tiles[i], 0, 0, tw, th, x, y, 1);
        c.text(font, titles[i], float(x), float(y - 7), 14.0f, {220, 220, 220});
    }
    return c.img;
}

Image8 contactSheet(const Image8& strip, const Font& font) {
    const int cols = 12, rows = 10, scale = 2, frame = L::kKnobSize, pad = 6, label = 14;
    const int cell = frame * scale + pad;
    Canvas c(cols * cell + pad, rows * (cell + label) + pad, {74, 77, 84});
    for (int i = 0; i < L::kKnobFrames; ++i) {
        const int x = pad + (i % cols) * cell, y = pad + label + (i / cols) * (cell + label);
        c.blit(strip, 0, i * frame, frame, frame, x, y, scale);
        c.text(font, std::to_string(i), float(x), float(y - 3), 11.0f, {200, 200, 200});
    }
    return c.img;
}

// Depth frames are shown as their height in grey; colour and material frames as they are.
Image8 viewableStrip(const Image8& strip, int frameW) {
    Image8 out(strip.w, strip.h, 4);
    for (int y = 0; y < strip.h; ++y)
        for (int x = 0; x < strip.w; ++x) {
            const uint8_t* p = strip.at(x, y);
            uint8_t* q = out.at(x, y);
            const int frameIndex = x / frameW;
            if (frameIndex == 1) {
                const uint8_t g = toByte(decodeHeight(p) / 65535.0f * 255.0f);
                q[0] = q[1] = q[2] = g, q[3] = 255;
            } else {
                q[0] = p[0], q[1] = p[1], q[2] = p[2];
                q[3] = (frameIndex == 0 || frameIndex == 3) && strip.channels == 4 ? p[3] : 255;
            }
        }
    return out;
}

Image8 stripSheet(const std::vector<ArtFile>& files, const Font& font) {
    struct Item {
        std::string_view name;
        int frameW;
    };
    const Item items[] = {{R::kBandCountButton, L::kBandCountFrame},
                          {R::kAlignLeftButton, L::kAlignFrameWidth},
                          {R::kAlignRightButton, L::kAlignFrameWidth},
                          {R::kAlignEvenButton, L::kAlignFrameWidth},
                          {R::kAlignOuterButton, L::kAlignFrameWidth},
                          {R::kOversampleButton, L::kTextButtonFrameWidth},
                          {R::kBypassButton, L::kTextButtonFrameWidth}};
    const int scale = 3, gap = 26;
    int height = gap, width = 0;
    for (const Item& it : items) {
        const Image8& s = findArt(files, it.name);
        height += s.h * scale + gap;
        width = std::max(width, s.w * scale + 16);
    }
    Canvas c(width, height, {64, 67, 73});
    int y = gap;
    for (const Item& it : items) {
        const Image8& s = findArt(files, it.name);
        const Image8 v = viewableStrip(s, it.frameW);
        c.blit(v, 0, 0, v.w, v.h, 8, y, scale);
        c.text(font, std::string(it.name) + "   colour | depth | material | spare", 8.0f,
               float(y - 8), 13.0f, {225, 225, 225});
        y += s.h * scale + gap;
    }
    return c.img;
}

Image8 overlaySheet(const std::vector<ArtFile>& files, const Font& font) {
    Canvas c(1060, 900, {120, 124, 130});
    struct Item {
        std::string_view name;
        int x, y, scale;
    };
    const Item items[] = {{R::kEnvelopeOverlay, 16, 30, 3}, {R::kCurveOverlay, 340, 30, 3},
                          {R::kHistoryOverlay, 16, 370, 3}, {R::kMeterOverlay, 680, 30, 3},
                          {R::kLinkOn, 800, 30, 8},         {R::kLinkOff, 940, 30, 8}};
    for (const Item& it : items) {
        const Image8& img = findArt(files, it.name);
        for (int j = 0; j < img.h * it.scale; ++j)
            for (int i = 0; i < img.w * it.scale; ++i)
                c.set(it.x + i, it.y + j,
                      displayContent(it.name, i / it.scale, j / it.scale, img.w, img.h));
        c.blit(img, 0, 0, img.w, img.h, it.x, it.y, it.scale);
        c.text(font, std::string(it.name), float(it.x), float(it.y - 8), 13.0f, {20, 20, 20});
    }
    return c.img;
}

}  // namespace

bool writePreviews(const std::vector<ArtFile>& files, const Font& font, const std::string& dir,
                   std::string& error) {
    const Image8& base = findArt(files, R::kBaseColour);
    Image8 diffuse(base.w, base.h, 3);
    for (size_t i = 0; i < static_cast<size_t>(base.w) * base.h; ++i)
        std::memcpy(&diffuse.px[i * 3], &base.px[i * 4], 3);
    const struct {
        const char* name;
        Image8 image;
    } previews[] = {
        {"background-diffuse.png", diffuse},
        {"background-shaded-depth.png", shadedDepth(findArt(files, R::kDepth))},
        {"background-emission.png", falseColour(findArt(files, R::kEmissive), 0, 0.5f)},
        {"background-material.png", materialSheet(files, font)},
        {"editor-approximate-lighting.png", approximateLitEditor(files, font)},
        {"knob-contact-sheet.png", contactSheet(findArt(files, R::kKnobFilmstrip), font)},
        {"button-strips.png", stripSheet(files, font)},
        {"overlays.png", overlaySheet(files, font)},
    };
    for (const auto& p : previews) {
        const std::string path = dir + "/" + p.name;
        if (!writePng(path, p.image)) {
            error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

}  // namespace gfxgen
