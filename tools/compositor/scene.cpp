#include "scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "rigging/core/nogc.h"
#include "rigging/gui/boxlist.h"
#include "rigging/gui/pbrmaps.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

namespace brindlewave::preview {

using geom::box2i;

PBRScene::PBRScene(int width, int height, int workers) noexcept : width_(width), height_(height) {
    pool_ = rigging::mallocNew<rigging::ThreadPool>(workers, workers);
    rigging::CompositorCreationContext context;
    context.threadPool = pool_;
    compositor_ = rigging::mallocNew<rigging::PBRCompositor>(context);
    rigging::sizePBRMaps(diffuse_, depth_, material_, width, height);
    compositor_->resizeBuffers(width, height, 128, 128);
    output_.size(width, height);
    std::memset(output_.data(), 0, static_cast<std::size_t>(output_.pitchInBytes()) * height);
    fill(RGBA{0, 0, 0, 0}, RGBA{0, 0, 0, 255}, 0);
}

PBRScene::~PBRScene() {
    rigging::destroyFree(compositor_);
    rigging::destroyFree(pool_);
}

void PBRScene::fill(RGBA diffuse, RGBA material, std::uint16_t depth) noexcept {
    for (int y = 0; y < height_; ++y) {
        std::fill_n(diffuse_.level(0).scanlinePtr(y), width_, diffuse);
        std::fill_n(material_.level(0).scanlinePtr(y), width_, material);
        std::fill_n(depth_.level(0).scanlinePtr(y), width_, L16{depth});
    }
}

void PBRScene::regenerate() noexcept {
    box2i all(0, 0, width_, height_);
    regenerate(std::span<const box2i>(&all, 1));
}

void PBRScene::regenerate(std::span<const box2i> dirty) noexcept {
    rigging::regeneratePBRMaps(diffuse_, depth_, dirty, work1_, work2_);
}

void PBRScene::composite(std::span<const box2i> areas) noexcept {
    compositor_->compositeTile(rigging::toRef(output_), areas, diffuse_, material_, depth_);
}

void PBRScene::compositeTiled(int tile) noexcept {
    box2i all(0, 0, width_, height_);
    tiles_.clearContents();
    rigging::tileAreas(std::span<const box2i>(&all, 1), tile, tile, tiles_);
    composite(tiles_.slice());
}

// ---------------------------------------------------------------------------------------------
// Drawing helpers: shapes by signed distance (negative inside), heights in float.

namespace {

struct Canvas {
    PBRScene& scene;
    float* height;  // width * height, depth units

    float& h(int x, int y) { return height[static_cast<std::size_t>(y) * scene.width() + x]; }
};

float roundRectDistance(float px, float py, float x0, float y0, float x1, float y1, float r) {
    const float cx = 0.5f * (x0 + x1), cy = 0.5f * (y0 + y1);
    const float qx = std::fabs(px - cx) - (0.5f * (x1 - x0) - r);
    const float qy = std::fabs(py - cy) - (0.5f * (y1 - y0) - r);
    const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - r;
}

float smooth(float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

std::uint8_t mixByte(std::uint8_t a, std::uint8_t b, float t) {
    return static_cast<std::uint8_t>(std::lround(a + (b - a) * t));
}

RGBA mix(RGBA a, RGBA b, float t) {
    return RGBA{mixByte(a.r, b.r, t), mixByte(a.g, b.g, t), mixByte(a.b, b.b, t),
                mixByte(a.a, b.a, t)};
}

// Integer hash to [0, 1): fixed, so every run draws the same noise.
float hash(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return static_cast<float>(x >> 8) * (1.0f / 16777216.0f);
}

struct Paint {
    RGBA colour;    // alpha = emission
    RGBA material;  // roughness, metalness, specular, 255
};

// A rounded rectangle whose rim meets the ground and whose top lies at `top` after a smooth
// bevel of `bevel` px. paint == nullptr keeps the colours.
template <typename Shape>
void shape(Canvas& c, box2i bounds, Shape distance, float top, float bevel, const Paint* paint,
           bool relative = false) {
    bounds = bounds.intersection(box2i(0, 0, c.scene.width(), c.scene.height()));
    for (int y = bounds.min.y; y < bounds.max.y; ++y) {
        for (int x = bounds.min.x; x < bounds.max.x; ++x) {
            const float d = distance(x + 0.5f, y + 0.5f);
            if (d > 1.0f) continue;
            if (!std::isnan(top)) {
                const float t = bevel > 0 ? smooth(-d / bevel) : (d <= 0 ? 1.0f : 0.0f);
                float& h = c.h(x, y);
                const float target = relative ? h + top : top;
                h += (target - h) * t;
            }
            if (paint) {
                const float cover = std::clamp(0.5f - d, 0.0f, 1.0f);
                RGBA& col = c.scene.diffuse()(x, y);
                RGBA& mat = c.scene.material()(x, y);
                col = mix(col, paint->colour, cover);
                mat = mix(mat, paint->material, cover);
            }
        }
    }
}

void roundRect(Canvas& c, float x0, float y0, float x1, float y1, float radius, float top,
               float bevel, const Paint* paint, bool relative = false) {
    box2i bounds(static_cast<int>(x0) - 2, static_cast<int>(y0) - 2, static_cast<int>(x1) + 3,
                 static_cast<int>(y1) + 3);
    shape(
        c, bounds,
        [=](float px, float py) { return roundRectDistance(px, py, x0, y0, x1, y1, radius); }, top,
        bevel, paint, relative);
}

void ring(Canvas& c, float cx, float cy, float r0, float r1, float top, float bevel,
          const Paint* paint, bool relative) {
    box2i bounds(static_cast<int>(cx - r1) - 2, static_cast<int>(cy - r1) - 2,
                 static_cast<int>(cx + r1) + 3, static_cast<int>(cy + r1) + 3);
    const float mid = 0.5f * (r0 + r1), half = 0.5f * (r1 - r0);
    shape(
        c, bounds,
        [=](float px, float py) { return std::fabs(std::hypot(px - cx, py - cy) - mid) - half; },
        top, bevel, paint, relative);
}

// A 5 x 7 pixel font, enough for the panel's labels.
struct Glyph {
    char c;
    std::uint8_t rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'A', {14, 17, 17, 31, 17, 17, 17}}, {'B', {30, 17, 17, 30, 17, 17, 30}},
    {'D', {30, 17, 17, 17, 17, 17, 30}}, {'E', {31, 16, 16, 30, 16, 16, 31}},
    {'G', {14, 17, 16, 23, 17, 17, 15}}, {'I', {14, 4, 4, 4, 4, 4, 14}},
    {'L', {16, 16, 16, 16, 16, 16, 31}}, {'M', {17, 27, 21, 21, 17, 17, 17}},
    {'N', {17, 25, 21, 19, 17, 17, 17}}, {'O', {14, 17, 17, 17, 17, 17, 14}},
    {'P', {30, 17, 17, 30, 16, 16, 16}}, {'R', {30, 17, 17, 30, 20, 18, 17}},
    {'S', {15, 16, 16, 14, 1, 1, 30}},   {'T', {31, 4, 4, 4, 4, 4, 4}},
    {'U', {17, 17, 17, 17, 17, 17, 14}}, {'V', {17, 17, 17, 17, 17, 10, 4}},
    {'W', {17, 17, 17, 21, 21, 21, 10}}, {'X', {17, 17, 10, 4, 10, 17, 17}},
    {'Y', {17, 17, 10, 4, 4, 4, 4}},     {'1', {4, 12, 4, 4, 4, 4, 14}},
    {'2', {14, 17, 1, 2, 4, 8, 31}},     {'.', {0, 0, 0, 0, 0, 12, 12}},
    {'-', {0, 0, 0, 31, 0, 0, 0}},       {'+', {0, 4, 4, 31, 4, 4, 0}},
};

// Flat paint: text changes colour and emission only.
void text(Canvas& c, int x, int y, int scale, const char* s, RGBA colour) {
    for (; *s; ++s, x += 6 * scale) {
        const Glyph* g = nullptr;
        for (const Glyph& k : kGlyphs)
            if (k.c == *s) g = &k;
        if (!g) continue;
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col) {
                if (!(g->rows[row] & (16 >> col))) continue;
                for (int dy = 0; dy < scale; ++dy)
                    for (int dx = 0; dx < scale; ++dx) {
                        int px = x + col * scale + dx, py = y + row * scale + dy;
                        if (px >= 0 && py >= 0 && px < c.scene.width() && py < c.scene.height())
                            c.scene.diffuse()(px, py) = colour;
                    }
            }
    }
}

void writeHeights(Canvas& c) {
    for (int y = 0; y < c.scene.height(); ++y)
        for (int x = 0; x < c.scene.width(); ++x)
            c.scene.depth()(x, y).l =
                static_cast<std::uint16_t>(std::lround(std::clamp(c.h(x, y), 0.0f, 65535.0f)));
}

struct HeightBuffer {
    float* data;
    explicit HeightBuffer(const PBRScene& s, float value) {
        std::size_t n = static_cast<std::size_t>(s.width()) * s.height();
        data = static_cast<float*>(rigging::checkedMalloc(n * sizeof(float)));
        std::fill_n(data, n, value);
    }
    ~HeightBuffer() { std::free(data); }
};

}  // namespace

RaisedSquare drawRaisedSquare(PBRScene& scene, RGBA paint, RGBA material) noexcept {
    RaisedSquare sq;
    const int w = scene.width(), h = scene.height();
    sq.square = box2i(w / 4, h / 4, w - w / 4, h - h / 4);
    sq.bevel = 6;
    sq.cornerRadius = 14;
    scene.fill(paint, material, 20000);
    HeightBuffer heights(scene, 20000.0f);
    Canvas c{scene, heights.data};
    roundRect(c, static_cast<float>(sq.square.min.x), static_cast<float>(sq.square.min.y),
              static_cast<float>(sq.square.max.x), static_cast<float>(sq.square.max.y),
              static_cast<float>(sq.cornerRadius), 40000.0f, static_cast<float>(sq.bevel), nullptr);
    writeHeights(c);
    return sq;
}

OwnedImage<RGBA>* makeStudioSkybox(int width, int height) noexcept {
    auto* sky = rigging::mallocNew<OwnedImage<RGBA>>(width, height);
    auto blob = [](float u, float v, float cu, float cv, float su, float sv) {
        float du = (u - cu) / su, dv = (v - cv) / sv;
        return std::exp(-(du * du + dv * dv));
    };
    for (int y = 0; y < height; ++y) {
        const float v = (y + 0.5f) / height;
        for (int x = 0; x < width; ++x) {
            const float u = (x + 0.5f) / width;
            // Vertical gradient: warm light top, neutral middle, dark floor.
            float r, g, b;
            if (v < 0.5f) {
                float t = smooth(v / 0.5f);
                r = 235 + (120 - 235) * t, g = 230 + (125 - 230) * t, b = 220 + (130 - 220) * t;
            } else {
                float t = smooth((v - 0.5f) / 0.5f);
                r = 120 + (25 - 120) * t, g = 125 + (25 - 125) * t, b = 130 + (30 - 130) * t;
            }
            // Soft boxes near the edges, a cool rim on the right.
            float boxes = blob(u, v, 0.12f, 0.3f, 0.08f, 0.16f) +
                          blob(u, v, 0.88f, 0.28f, 0.08f, 0.16f) +
                          0.7f * blob(u, v, 0.5f, 0.08f, 0.22f, 0.06f);
            float rim = blob(u, v, 1.0f, 0.55f, 0.07f, 0.35f);
            r += 200 * boxes + 20 * rim;
            g += 200 * boxes + 60 * rim;
            b += 190 * boxes + 110 * rim;
            auto q = [](float c) {
                return static_cast<std::uint8_t>(std::lround(std::clamp(c, 0.0f, 255.0f)));
            };
            (*sky)(x, y) = RGBA{q(r), q(g), q(b), 255};
        }
    }
    return sky;
}

void drawTestPanel(PBRScene& scene) noexcept {
    const int W = scene.width(), H = scene.height();
    // Brushed aluminium everywhere first: streaks vary along y only, like the band row.
    HeightBuffer heights(scene, 40000.0f);
    Canvas c{scene, heights.data};
    for (int y = 0; y < H; ++y) {
        const float streak = hash(static_cast<std::uint32_t>(y) * 2654435761u) - 0.5f;
        const float slow = std::sin(y * 0.37f) * 0.5f;
        for (int x = 0; x < W; ++x) {
            const float n = streak + 0.3f * slow;
            auto shade = [&](int base) {
                return static_cast<std::uint8_t>(std::clamp(base + n * 10.0f, 0.0f, 255.0f));
            };
            scene.diffuse()(x, y) = RGBA{shade(150), shade(155), shade(162), 0};
            scene.material()(x, y) = RGBA{static_cast<std::uint8_t>(110 + n * 30), 200, 140, 255};
            c.h(x, y) = 40000.0f + n * 200.0f;
        }
    }

    const Paint graphite{{110, 115, 125, 0}, {190, 20, 60, 255}};
    const Paint glass{{14, 20, 24, 0}, {25, 30, 220, 255}};
    const Paint lcd{{10, 14, 16, 15}, {220, 0, 40, 255}};
    const Paint rubber{{40, 42, 46, 0}, {220, 0, 40, 255}};
    const Paint keycap{{70, 95, 80, 0}, {150, 30, 120, 255}};
    const Paint keycapLit{{90, 150, 110, 200}, {150, 30, 120, 255}};
    const Paint amber{{120, 70, 40, 0}, {150, 30, 120, 255}};
    const Paint display{{6, 8, 10, 0}, {40, 0, 180, 255}};
    const Paint steel{{170, 172, 176, 0}, {60, 230, 200, 255}};

    // Top and bottom bars, painted graphite, raised a little over the metal.
    roundRect(c, -10, -10, W + 10, 60, 4, 44000, 3, &graphite);
    roundRect(c, -10, 582, W + 10, H + 10, 4, 44000, 3, &graphite);
    // The sunken glass screen, with the notch tab of the top bar hanging into it.
    roundRect(c, 4, 62, W - 4, 262, 6, 10000, 5, &glass);
    shape(
        c, box2i(440, 55, 560, 95),
        [](float px, float py) {
            const float t = std::clamp((py - 60.0f) / 30.0f, 0.0f, 1.0f);
            const float half = 50.0f - 20.0f * t;
            float d = std::fabs(px - 500.0f) - half;
            return std::max(d, py - 90.0f);
        },
        44000, 3, &graphite);
    // Grid lines, faintly lit.
    const int gridX[] = {59, 100, 133, 233, 333, 392, 466, 566, 667, 725, 799, 900};
    const int gridY[] = {79, 97, 116, 153, 190, 227};
    for (int gx : gridX)
        for (int y = 64; y < 260; ++y)
            if (c.h(gx, y) < 11000) scene.diffuse()(gx, y) = RGBA{45, 70, 60, 25};
    for (int gy : gridY)
        for (int x = 8; x < W - 8; ++x)
            if (c.h(x, gy) < 11000) scene.diffuse()(x, gy) = RGBA{45, 70, 60, 25};

    // Engraved separators around the band row, and deep display wells of four bands.
    for (int x = 0; x < W; ++x)
        for (int y : {266, 267, 578, 579}) c.h(x, y) = 30000;
    for (int b = 0; b < 4; ++b) {
        const float x = 250.0f * b;
        roundRect(c, x + 110, 275, x + 210, 375, 2, 0, 2, &display);
        roundRect(c, x + 110, 385, x + 210, 485, 2, 0, 2, &display);
        roundRect(c, x + 110, 495, x + 210, 540, 2, 0, 2, &display);
        roundRect(c, x + 85, 275, x + 100, 540, 1, 0, 2, &display);
        for (int k = 0; k < 5; ++k)
            ring(c, x + 57.5f, 297.5f + 55 * k, 23, 26, 4000, 1.5f, &rubber, true);
    }

    // Logo and small print on the top bar; labels on the bottom bar.
    text(c, 24, 14, 3, "BRINDLEWAVE", RGBA{220, 225, 215, 200});
    text(c, 26, 42, 1, "MOSSGROVE AUDIO", RGBA{200, 200, 195, 0});
    text(c, 22, 600, 1, "BANDS", RGBA{200, 200, 195, 0});
    text(c, 150, 600, 1, "ALIGN", RGBA{200, 200, 195, 0});
    text(c, 820, 630, 1, "OVERSAMPLING", RGBA{200, 200, 195, 0});

    // Band count: two keys around an LCD; align keys.
    roundRect(c, 7, 642, 27, 662, 4, 44000 + 3 * kPixelHeight, 3, &keycap);
    roundRect(c, 73, 642, 93, 662, 4, 44000 + 3 * kPixelHeight, 3, &keycap);
    text(c, 14, 649, 1, "-", RGBA{200, 200, 195, 0});
    text(c, 80, 649, 1, "+", RGBA{200, 200, 195, 0});
    roundRect(c, 30, 626, 70, 676, 3, 12000, 3, &lcd);
    text(c, 42, 640, 3, "2", RGBA{103, 218, 108, 120});
    for (int k = 0; k < 4; ++k) {
        const float x = 105.0f + 105 * (k % 2), y = 620.0f + 35 * (k / 2);
        roundRect(c, x, y, x + 100, y + 30, 5, 44000 + 2 * kPixelHeight, 3, &keycap);
    }
    // Information line LCD with lit text.
    roundRect(c, 450, 620, 540, 650, 3, 12000, 3, &lcd);
    text(c, 462, 628, 2, "V1.1.2", RGBA{255, 255, 255, 100});
    // Collars for the fixed knobs.
    const float knobs[][2] = {{320 + 22.5f, 664.5f}, {380 + 22.5f, 664.5f}, {597.5f, 607.5f},
                              {665.5f, 607.5f},      {597.5f, 655.5f},      {665.5f, 655.5f},
                              {733.5f, 640.5f}};
    for (const auto& k : knobs) {
        ring(c, k[0], k[1], 24, 27, 4000, 1.5f, &steel, true);
        roundRect(c, k[0] - 22, k[1] - 22, k[0] + 22, k[1] + 22, 22, 38000, 2, &rubber);
    }
    // Oversampling tray with four keys, the first one selected (sunk and glowing).
    roundRect(c, 780, 645, 996, 675, 5, 38000, 2, &rubber);
    for (int k = 0; k < 4; ++k) {
        const float x = 785.0f + 52 * k;
        if (k == 0)
            roundRect(c, x, 650, x + 50, 670, 0.5f, 0, 0, &keycapLit);
        else
            roundRect(c, x, 650, x + 50, 670, 4, 38000 + 3 * kPixelHeight, 3, &keycap);
    }
    // Bypass key on the top bar.
    roundRect(c, 930, 20, 980, 40, 4, 44000 + 3 * kPixelHeight, 3, &amber);
    text(c, 937, 27, 1, "BYPASS", RGBA{235, 215, 190, 0});
    // Corner screws: steel domes with a slot.
    const float screws[][2] = {{12, 12}, {W - 12.0f, 12}, {12, H - 12.0f}, {W - 12.0f, H - 12.0f}};
    for (const auto& s : screws) {
        box2i bounds(static_cast<int>(s[0]) - 7, static_cast<int>(s[1]) - 7,
                     static_cast<int>(s[0]) + 8, static_cast<int>(s[1]) + 8);
        shape(
            c, bounds, [=](float px, float py) { return std::hypot(px - s[0], py - s[1]) - 5.0f; },
            NAN, 0, &steel);
        for (int y = bounds.min.y; y < bounds.max.y; ++y)
            for (int x = bounds.min.x; x < bounds.max.x; ++x) {
                float r = std::hypot(x + 0.5f - s[0], y + 0.5f - s[1]);
                if (r < 5.0f) c.h(x, y) = 44000 + 6000 * std::sqrt(1 - (r * r) / 25.0f);
                if (r < 4.0f && std::fabs(x + 0.5f - s[0] - (y + 0.5f - s[1])) < 0.8f)
                    c.h(x, y) = 43000;
            }
    }
    writeHeights(c);
}

bool writePNG(const char* path, const OwnedImage<RGBA>& image) noexcept {
    return stbi_write_png(path, image.width(), image.height(), 4, image.data(),
                          image.pitchInBytes()) != 0;
}

bool writeZoomedPNG(const char* path, const OwnedImage<RGBA>& image, const box2i& region,
                    int factor) noexcept {
    const box2i r = region.intersection(box2i(0, 0, image.width(), image.height()));
    OwnedImage<RGBA> zoomed(r.width() * factor, r.height() * factor);
    for (int y = 0; y < zoomed.height(); ++y)
        for (int x = 0; x < zoomed.width(); ++x)
            zoomed(x, y) = image(r.min.x + x / factor, r.min.y + y / factor);
    return writePNG(path, zoomed);
}

}  // namespace brindlewave::preview
