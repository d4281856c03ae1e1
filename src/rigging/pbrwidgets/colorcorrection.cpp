#include "rigging/pbrwidgets/colorcorrection.h"

#include <algorithm>
#include <cmath>

#include "rigging/core/math.h"
#include "rigging/core/vec.h"

namespace rigging {

UIColorCorrection::UIColorCorrection(UIContext* context) noexcept
    : UIElement(context, drawsRaw),
      tables_(static_cast<std::uint8_t*>(alignedMalloc(768, 32))) {
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i) tables_[c * 256 + i] = static_cast<std::uint8_t>(i);
}

UIColorCorrection::~UIColorCorrection() { alignedFree(tables_, 32); }

std::uint8_t UIColorCorrection::tableEntry(int i, float lift, float gamma, float gain,
                                           float contrast) noexcept {
    const float t = static_cast<float>(i) / 255.0f;
    float v = std::clamp(((1.0f - t) * lift + t) * gain, 0.0f, 1.0f);
    v = std::clamp(std::pow(v, 1.0f / gamma), 0.0f, 1.0f);
    v = v + (smoothStep(0.0f, 1.0f, v) - v) * contrast;
    // NaN (a gamma of 0) and values pushed past the ends by a contrast outside 0..1 stay
    // within a byte.
    const float e = v * 255.0f + 0.5f;
    if (!(e > 0.0f)) return 0;
    return e >= 255.0f ? 255 : static_cast<std::uint8_t>(e);
}

void UIColorCorrection::setLiftGammaGainContrastRGB(float liftR, float gammaR, float gainR,
                                                    float contrastR, float liftG, float gammaG,
                                                    float gainG, float contrastG, float liftB,
                                                    float gammaB, float gainB,
                                                    float contrastB) noexcept {
    const float p[3][4] = {{liftR, gammaR, gainR, contrastR},
                           {liftG, gammaG, gainG, contrastG},
                           {liftB, gammaB, gainB, contrastB}};
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i)
            tables_[c * 256 + i] = tableEntry(i, p[c][0], p[c][1], p[c][2], p[c][3]);
    setDirtyWhole(UILayer::rawOnly);
}

void UIColorCorrection::setLiftGammaGainContrastRGB(const float (&m)[3][4]) noexcept {
    setLiftGammaGainContrastRGB(m[0][0], m[0][1], m[0][2], m[0][3], m[1][0], m[1][1], m[1][2],
                                m[1][3], m[2][0], m[2][1], m[2][2], m[2][3]);
}

void UIColorCorrection::setLiftGammaGainContrast(float lift, float gamma, float gain,
                                                 float contrast) noexcept {
    setLiftGammaGainContrastRGB(lift, gamma, gain, contrast, lift, gamma, gain, contrast, lift,
                                gamma, gain, contrast);
}

void UIColorCorrection::setLiftGammaGainRGB(float liftR, float gammaR, float gainR, float liftG,
                                            float gammaG, float gainG, float liftB, float gammaB,
                                            float gainB) noexcept {
    setLiftGammaGainContrastRGB(liftR, gammaR, gainR, 0, liftG, gammaG, gainG, 0, liftB, gammaB,
                                gainB, 0);
}

void UIColorCorrection::onDrawRaw(ImageRef<RGBA> rawMap,
                                  std::span<const geom::box2i> dirtyRects) noexcept {
    const std::uint8_t *red = redTable(), *green = greenTable(), *blue = blueTable();
    for (const geom::box2i& r : dirtyRects) {
        const int x0 = std::max(r.min.x, 0), x1 = std::min(r.max.x, rawMap.w);
        const int y0 = std::max(r.min.y, 0), y1 = std::min(r.max.y, rawMap.h);
        for (int y = y0; y < y1; ++y) {
            RGBA* row = rawMap.scanlinePtr(y);
            for (int x = x0; x < x1; ++x) {
                RGBA& p = row[x];
                p.r = red[p.r];
                p.g = green[p.g];
                p.b = blue[p.b];
            }
        }
    }
}

}  // namespace rigging
