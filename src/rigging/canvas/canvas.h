#pragma once
// A small fill-only vector canvas over an RGBA image: a transform, a plain fill colour and one
// path, filled with anti-aliasing under the non-zero rule.

#include <cstdint>

#include "geom/box.h"
#include "rigging/canvas/colorblit.h"
#include "rigging/canvas/rasterizer.h"
#include "rigging/core/vec.h"
#include "rigging/graphics/color.h"
#include "rigging/graphics/image.h"

namespace rigging {

class Canvas {
public:
    // 3 x 3, row by row; a point maps to (m0 x + m1 y + m2, m3 x + m4 y + m5).
    struct State {
        float m[9];
    };

    static constexpr float kPi = 3.1415927f;
    static constexpr float kTwoPi = 6.2831855f;

    Canvas() noexcept = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // Binds the target; opaque black; the identity transform; an empty path.
    void initialize(const ImageRef<RGBA>& image) noexcept;
    // The same, writing only inside `window` (target pixels): a shape drawn in any set of
    // windows gives exactly the pixels it gives drawn over the whole target, so a part of a
    // picture can be redrawn without a seam.
    void initialize(const ImageRef<RGBA>& image, const geom::box2i& window) noexcept;

    void fillStyle(RGBA color) noexcept;

    // Coordinates are target pixels before the transform. A path that is given any non-finite
    // coordinate (after the transform) draws nothing when filled.
    void beginPath() noexcept;
    void moveTo(float x, float y) noexcept;
    void lineTo(float x, float y) noexcept;
    void bezierCurveTo(float c1x, float c1y, float c2x, float c2y, float x, float y) noexcept;
    void rect(float x, float y, float w, float h) noexcept;
    // Angles in radians from +x towards +y (clockwise on screen).
    void arc(float x, float y, float radius, float startAngle, float endAngle,
             bool anticlockwise = false) noexcept;
    // Closes the current subpath and fills the whole path; its edges are consumed.
    void fill() noexcept;

    void fillRect(float x, float y, float w, float h) noexcept;
    void fillCircle(float x, float y, float r) noexcept;

    void translate(float dx, float dy) noexcept;

    // Cubic pieces an arc of this sweep is drawn with.
    static int arcPieces(float sweep) noexcept;

    const State& currentState() const noexcept { return states_[states_.length() - 1]; }

private:
    // False when the point is not finite; the path is then spoilt.
    bool transform(float& x, float& y) noexcept;

    ImageRef<RGBA> target_;
    Rasterizer rasterizer_;
    Blitter blitter_;
    ColorBlit colorBlit_;
    geom::box2i window_;
    Vec<State> states_;
    bool spoilt_ = false;
};

}  // namespace rigging
