#include "rigging/canvas/canvas.h"

#include <cmath>
#include <cstring>

#include "rigging/core/math.h"

namespace rigging {

namespace {

uint32_t word(RGBA c) noexcept {
    uint32_t w;
    std::memcpy(&w, &c, 4);
    return w;
}

}  // namespace

void Canvas::initialize(const ImageRef<RGBA>& image) noexcept {
    initialize(image, geom::box2i(0, 0, image.w, image.h));
}

void Canvas::initialize(const ImageRef<RGBA>& image, const geom::box2i& window) noexcept {
    target_ = image;
    window_ = window;
    blitter_.userData = &colorBlit_;
    blitter_.blit = &doBlit_ColorBlit;
    fillStyle(RGBA{0, 0, 0, 255});
    states_.clearContents();
    states_.pushBack(State{{1, 0, 0, 0, 1, 0, 0, 0, 1}});
    beginPath();
}

void Canvas::fillStyle(RGBA color) noexcept {
    colorBlit_.init(reinterpret_cast<uint8_t*>(target_.pixels), target_.pitch, target_.h,
                    word(color));
    colorBlit_.windowX0 = window_.min.x;
    colorBlit_.windowY0 = window_.min.y;
    colorBlit_.windowX1 = window_.max.x;
    colorBlit_.windowY1 = window_.max.y;
}

void Canvas::beginPath() noexcept {
    rasterizer_.initialise(0, 0, target_.w, target_.h);
    spoilt_ = false;
}

bool Canvas::transform(float& x, float& y) noexcept {
    const float* m = currentState().m;
    float tx = m[0] * x + m[1] * y + m[2];
    float ty = m[3] * x + m[4] * y + m[5];
    if (!std::isfinite(tx) || !std::isfinite(ty)) {
        spoilt_ = true;
        return false;
    }
    x = tx;
    y = ty;
    return true;
}

void Canvas::moveTo(float x, float y) noexcept {
    if (spoilt_ || !transform(x, y)) return;
    rasterizer_.moveTo(x, y);
}

void Canvas::lineTo(float x, float y) noexcept {
    if (spoilt_ || !transform(x, y)) return;
    rasterizer_.lineTo(x, y);
}

void Canvas::bezierCurveTo(float c1x, float c1y, float c2x, float c2y, float x, float y) noexcept {
    if (spoilt_ || !transform(c1x, c1y) || !transform(c2x, c2y) || !transform(x, y)) return;
    rasterizer_.cubicTo(c1x, c1y, c2x, c2y, x, y);
}

void Canvas::rect(float x, float y, float w, float h) noexcept {
    moveTo(x, y);
    lineTo(x + w, y);
    lineTo(x + w, y + h);
    lineTo(x, y + h);
    lineTo(x, y);
}

int Canvas::arcPieces(float sweep) noexcept {
    int n = static_cast<int>(std::ceil((std::fabs(sweep) - 0.01f) / 1.5707964f));
    return n < 1 ? 1 : n;
}

void Canvas::arc(float x, float y, float r, float a0, float a1, bool anticlockwise) noexcept {
    if (spoilt_) return;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(r) || !std::isfinite(a0) ||
        !std::isfinite(a1)) {
        spoilt_ = true;
        return;
    }
    float d = a1 - a0;
    float sweep;
    if (!anticlockwise) {
        if (d >= kTwoPi) {
            sweep = kTwoPi;
        } else {
            sweep = normalizePhase(d);
            if (sweep < 0) sweep += kTwoPi;
        }
    } else {
        if (d <= -kTwoPi) {
            sweep = -kTwoPi;
        } else {
            sweep = normalizePhase(d);
            if (sweep > 0) sweep -= kTwoPi;
        }
    }
    lineTo(x + r * std::cos(a0), y + r * std::sin(a0));
    // A radius of 0 would give pieces whose four points coincide.
    if (sweep == 0 || r == 0) return;

    const int n = arcPieces(sweep);
    const float s = sweep / static_cast<float>(n);
    const float k = 1.3333334f * std::tan(kPi / (2.0f * (kTwoPi * n / sweep))) * r;
    for (int i = 0; i < n; ++i) {
        float b0 = a0 + static_cast<float>(i) * s;
        float b1 = a0 + static_cast<float>(i + 1) * s;
        float cos0 = std::cos(b0), sin0 = std::sin(b0);
        float cos1 = std::cos(b1), sin1 = std::sin(b1);
        float p0x = x + r * cos0, p0y = y + r * sin0;
        float p3x = x + r * cos1, p3y = y + r * sin1;
        bezierCurveTo(p0x - k * sin0, p0y + k * cos0, p3x + k * sin1, p3y - k * cos1, p3x, p3y);
    }
}

void Canvas::fill() noexcept {
    if (spoilt_) {
        beginPath();
        return;
    }
    rasterizer_.closePath();
    rasterizer_.rasterize(blitter_);
}

void Canvas::fillRect(float x, float y, float w, float h) noexcept {
    beginPath();
    rect(x, y, w, h);
    fill();
}

void Canvas::fillCircle(float x, float y, float r) noexcept {
    beginPath();
    moveTo(x + r, y);
    arc(x, y, r, 0.0f, kTwoPi, false);
    fill();
}

void Canvas::translate(float dx, float dy) noexcept {
    float* m = states_[states_.length() - 1].m;
    m[2] += m[0] * dx + m[1] * dy;
    m[5] += m[3] * dx + m[4] * dy;
    m[8] += m[6] * dx + m[7] * dy;
}

}  // namespace rigging
