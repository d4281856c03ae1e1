// Renders review pictures of the 2D drawing code: a spectrum-like display, a sheet of shapes and
// a sheet of text. Usage: brindlewave-drawing-pictures <output folder> [font file]

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "brindlewave/widgets/canvashelpers.h"
#include "geom/vector.h"
#include "pngwrite.h"
#include "rigging/canvas/canvas.h"
#include "rigging/graphics/font.h"

namespace {

using geom::vec2f;
using rigging::Canvas;
using rigging::Font;
using rigging::HorizontalAlignment;
using rigging::RGBA;
using rigging::VerticalAlignment;

struct Picture {
    int w, h;
    std::vector<RGBA> px;
    Picture(int width, int height, RGBA fill)
        : w(width), h(height), px(static_cast<std::size_t>(width) * height, fill) {}
    rigging::ImageRef<RGBA> ref() { return {w, h, static_cast<std::size_t>(w) * 4, px.data()}; }
    bool save(const std::string& path) {
        bool ok = pngwrite::writeFile(path, px.data(), w, h, 4, w * 4);
        std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.c_str());
        return ok;
    }
};

void spectrum(Picture& p, Font* font) {
    Canvas fillC, lineC;
    fillC.initialize(p.ref());
    lineC.initialize(p.ref());
    const float H = static_cast<float>(p.h), W = static_cast<float>(p.w);
    // Grid.
    lineC.fillStyle(RGBA{45, 70, 60, 255});
    for (float x :
         {59.f, 100.f, 133.f, 233.f, 333.f, 392.f, 466.f, 566.f, 667.f, 725.f, 799.f, 900.f})
        lineC.fillRect(x, 0, 1, H);
    for (float y : {19.f, 37.f, 56.f, 93.f, 130.f, 167.f}) lineC.fillRect(0, y, W, 1);
    // Curve, filled and outlined.
    fillC.fillStyle(RGBA{103, 218, 108, 70});
    lineC.fillStyle(RGBA{170, 245, 175, 235});
    fillC.beginPath();
    fillC.moveTo(0, H);
    vec2f prev(0.0f, H);
    unsigned seed = 99;
    for (int k = 0; k < 1000; ++k) {
        seed = seed * 1103515245u + 12345u;
        float noise = static_cast<float>((seed >> 16) & 1023) / 1023.0f - 0.5f;
        float level = 0.55f + 0.2f * std::sin(k / 41.0f) + 0.07f * std::sin(k / 6.1f) +
                      0.04f * noise - 0.35f * k / 1000.0f;
        float y = std::fmin(std::fmax(std::round((1 - level) * H), 0.0f), H - 1);
        vec2f pt(static_cast<float>(k), y);
        fillC.lineTo(pt.x, pt.y);
        brindlewave::fillLine(lineC, prev, pt, 2.0f);
        prev = pt;
    }
    fillC.lineTo(W, H);
    fillC.fill();
    // Crossovers, thresholds and handles.
    const float xs[] = {250.5f, 500.5f, 750.5f};
    lineC.fillStyle(RGBA{255, 255, 255, 110});
    for (float x : xs) lineC.fillRect(x - 0.5f, 0, 1, H);
    lineC.fillStyle(RGBA{255, 180, 60, 200});
    const float rows[] = {49, 80, 110, 142};
    float start = 1;
    for (int b = 0; b < 4; ++b) {
        float end = b < 3 ? xs[b] - 1 : W - 1;
        lineC.fillRect(start, rows[b] - 1, end - start, 2);
        start = b < 3 ? xs[b] + 1 : 0;
    }
    lineC.fillStyle(RGBA{255, 255, 255, 80});
    for (float x : xs) {
        lineC.fillCircle(x, H / 2, 12);
        lineC.fillCircle(x, H / 2, 8);
    }
    if (font)
        for (int i = 0; i < 3; ++i) {
            char label[32];
            std::snprintf(label, sizeof label, "Crossover %d", i + 1);
            rigging::fillText(p.ref(), *font, label, 10, 0, RGBA{230, 230, 230, 255}, xs[i],
                              H / 2 + 27, HorizontalAlignment::center);
        }
}

void shapes(Picture& p) {
    Canvas c;
    c.initialize(p.ref());
    const RGBA ink{235, 235, 225, 255};
    c.fillStyle(ink);
    // Circles from tiny to large, at fractional centres.
    float x = 12;
    for (float r : {0.6f, 1.0f, 1.5f, 2.5f, 4.0f, 6.5f, 10.0f, 16.0f, 24.0f}) {
        c.fillCircle(x + r, 34.3f, r);
        x += 2 * r + 8;
    }
    // Pie slices and a ring (opposite windings).
    c.fillStyle(RGBA{103, 218, 108, 255});
    for (int i = 0; i < 6; ++i) {
        c.beginPath();
        float cx = 40 + i * 60.0f, cy = 110;
        c.moveTo(cx, cy);
        c.arc(cx, cy, 24, -1.5708f, -1.5708f + 1.05f * (i + 1), false);
        c.fill();
    }
    c.fillStyle(RGBA{255, 180, 60, 255});
    c.beginPath();
    c.moveTo(430, 110);
    c.arc(400, 110, 30, 0, 6.2831855f, false);
    c.moveTo(418, 110);
    c.arc(400, 110, 18, 0, -6.2831855f, true);
    c.fill();
    // Non-zero rule: the pentagram's centre, wound twice, is filled like its points.
    c.fillStyle(ink);
    c.beginPath();
    for (int i = 0; i < 5; ++i) {
        float a = -1.5708f + i * 2.5132741f;  // 144 degrees: a pentagram
        float px = 520 + 30 * std::cos(a), py = 112 + 30 * std::sin(a);
        if (i == 0)
            c.moveTo(px, py);
        else
            c.lineTo(px, py);
    }
    c.fill();
    // Cubic curves as thin bands.
    c.fillStyle(RGBA{120, 170, 255, 255});
    for (int i = 0; i < 5; ++i) {
        float y0 = 160 + i * 14.0f;
        c.beginPath();
        c.moveTo(10, y0);
        c.bezierCurveTo(120, y0 - 60, 200, y0 + 60, 330, y0);
        c.lineTo(330, y0 + 0.5f + i * 0.5f);
        c.bezierCurveTo(200, y0 + 60 + 0.5f + i * 0.5f, 120, y0 - 60 + 0.5f + i * 0.5f, 10,
                        y0 + 0.5f + i * 0.5f);
        c.fill();
    }
    // Near-horizontal and near-vertical thin lines.
    c.fillStyle(ink);
    for (int i = 0; i < 10; ++i) {
        brindlewave::fillLine(c, vec2f(350.0f, 170.0f + i * 7), vec2f(580.0f, 172.0f + i * 9.5f), 1.0f + 0.2f * i);
        brindlewave::fillLine(c, vec2f(590.0f + i * 7, 160), vec2f(592.0f + i * 8.5f, 240), 1.0f);
    }
    // A translucent overlap.
    c.fillStyle(RGBA{255, 60, 60, 120});
    c.fillRect(600, 20, 60, 60);
    c.fillStyle(RGBA{60, 60, 255, 120});
    c.fillCircle(660, 80, 34);
}

void text(Picture& p, Font& font) {
    const RGBA ink{240, 240, 235, 255};
    float y = 22;
    for (float size : {8.0f, 10.0f, 12.0f, 14.0f, 18.0f, 24.0f, 32.0f}) {
        char line[96];
        std::snprintf(line, sizeof line, "%g px  Crossover 1  112.47 Hz  Threshold -10.00 dB",
                      size);
        rigging::fillText(p.ref(), font, line, size, 0, ink, 10.3f, y);
        y += size + 10;
    }
    rigging::fillText(p.ref(), font, "AV Wa Ty  \xC3\xA9\xC3\xA0\xC3\xBC \xE2\x80\x94 \xCE\xBB", 20,
                      0, RGBA{103, 218, 108, 255}, 10, y + 6);
    rigging::fillText(p.ref(), font, "S P A C E D", 14, 2.5f, RGBA{255, 180, 60, 255}, 10, y + 36);
    // Centred labels on boxes.
    Canvas c;
    c.initialize(p.ref());
    const char* labels[] = {"1X", "2X", "4X", "8X", "BYPASS", "Gain"};
    for (int i = 0; i < 6; ++i) {
        float bx = 420 + (i % 3) * 70.0f, by = 200 + (i / 3) * 40.0f;
        c.fillStyle(RGBA{70, 95, 80, 255});
        c.fillRect(bx, by, 60, 28);
        rigging::fillText(p.ref(), font, labels[i], 12, 0, ink, bx + 30, by + 14,
                          HorizontalAlignment::center, VerticalAlignment::center);
    }
}

// Nearest-neighbour enlargement of a part of a picture, to show the anti-aliasing.
Picture zoom(Picture& src, int x0, int y0, int w, int h, int factor) {
    Picture z(w * factor, h * factor, RGBA{0, 0, 0, 255});
    for (int y = 0; y < z.h; ++y)
        for (int x = 0; x < z.w; ++x)
            z.px[static_cast<std::size_t>(y) * z.w + x] =
                src.px[static_cast<std::size_t>(y0 + y / factor) * src.w + x0 + x / factor];
    return z;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder> [font file]\n", argv[0]);
        return 2;
    }
    const std::string out = argv[1];
    const char* fontPath = argc > 2 ? argv[2] : "/usr/share/fonts/truetype/lato/Lato-Bold.ttf";
    std::ifstream in(fontPath, std::ios::binary);
    std::vector<std::uint8_t> fontData{std::istreambuf_iterator<char>(in),
                                       std::istreambuf_iterator<char>()};
    if (fontData.empty()) {
        std::fprintf(stderr, "cannot read %s\n", fontPath);
        return 1;
    }
    Font font(fontData);
    bool ok = true;
    Picture s(1000, 204, RGBA{14, 20, 24, 255});
    spectrum(s, &font);
    ok &= s.save(out + "/spectrum.png");
    Picture sh(700, 250, RGBA{30, 32, 36, 255});
    shapes(sh);
    ok &= sh.save(out + "/shapes.png");
    Picture t(640, 300, RGBA{20, 24, 28, 255});
    text(t, font);
    ok &= t.save(out + "/text.png");
    Picture zs = zoom(sh, 8, 18, 130, 34, 6);
    ok &= zs.save(out + "/zoom-shapes.png");
    Picture zt = zoom(t, 8, 30, 150, 36, 6);
    ok &= zt.save(out + "/zoom-text.png");
    return ok ? 0 : 1;
}
