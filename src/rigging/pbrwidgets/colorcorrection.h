#pragma once
// Grades the finished picture: a raw-layer element over the whole window, above every other
// element, that maps each pixel's red, green and blue through three 256-entry tables built
// from lift, gamma, gain and contrast. It never takes input.

#include <cstdint>

#include "rigging/gui/element.h"

namespace rigging {

class UIColorCorrection : public UIElement {
public:
    // Every table starts as the identity.
    explicit UIColorCorrection(UIContext* context) noexcept;
    ~UIColorCorrection() override;

    // Lift, gamma, gain and contrast of red, then of green, then of blue.
    void setLiftGammaGainContrastRGB(float liftR, float gammaR, float gainR, float contrastR,
                                     float liftG, float gammaG, float gainG, float contrastG,
                                     float liftB, float gammaB, float gainB,
                                     float contrastB) noexcept;
    // Rows red, green, blue; columns lift, gamma, gain, contrast.
    void setLiftGammaGainContrastRGB(const float (&m)[3][4]) noexcept;
    void setLiftGammaGainContrast(float lift, float gamma, float gain, float contrast) noexcept;
    // Contrast 0 on every channel.
    void setLiftGammaGainRGB(float liftR, float gammaR, float gainR, float liftG, float gammaG,
                             float gainG, float liftB, float gammaB, float gainB) noexcept;

    // Clicks, wheel and hover pass to the elements under it.
    bool contains(int, int) noexcept override { return false; }
    void onDrawRaw(ImageRef<RGBA> rawMap, std::span<const geom::box2i> dirtyRects) noexcept override;

    const std::uint8_t* redTable() const noexcept { return tables_; }
    const std::uint8_t* greenTable() const noexcept { return tables_ + 256; }
    const std::uint8_t* blueTable() const noexcept { return tables_ + 512; }

    // Entry i of one channel's table.
    static std::uint8_t tableEntry(int i, float lift, float gamma, float gain,
                                   float contrast) noexcept;

private:
    std::uint8_t* tables_;  // red, green, blue; 768 bytes, 32-byte aligned
};

}  // namespace rigging
