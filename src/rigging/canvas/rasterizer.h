#pragma once
// Scanline rasterizer: paths of lines and cubics become exact signed-area coverage per row,
// at 1/256-pixel precision, handed row by row to a Blitter.

#include <cstdint>

#include "rigging/canvas/arena.h"
#include "rigging/canvas/blitter.h"
#include "rigging/core/vec.h"

namespace rigging {

// One straight piece of the path inside the clip, top to bottom. Positions in 1/256 pixel.
struct Edge {
    int64_t x;     // current x << 32
    int64_t dxdy;  // x advance per 1/256 row, << 32
    int64_t step;  // area growth per column (dy / dx << 30); its sign is the winding
    int32_t y0;    // current top
    int32_t y1;    // bottom, exclusive
    Edge* next;
};

class Rasterizer {
public:
    // Coordinates are clamped to this many pixels either way before fixed-point conversion.
    static constexpr float kCoordinateLimit = 1048576.0f;
    // Depth at which a cubic is taken as flat whatever its shape.
    static constexpr int kMaxSubdivision = 16;

    Rasterizer() noexcept = default;
    Rasterizer(const Rasterizer&) = delete;
    Rasterizer& operator=(const Rasterizer&) = delete;

    // Clip rectangle in pixels (right and bottom exclusive); forgets any path.
    void initialise(int left, int top, int right, int bottom) noexcept;

    // Pixel coordinates. A new subpath closes the previous one.
    void moveTo(float x, float y) noexcept;
    void lineTo(float x, float y) noexcept;
    void cubicTo(float c1x, float c1y, float c2x, float c2y, float x, float y) noexcept;
    void closePath() noexcept;

    // Emits every row of the path to the blitter under the non-zero rule; the path's edges are
    // consumed.
    void rasterize(const Blitter& blitter) noexcept;

    int clipLeft() const noexcept { return left_ >> 8; }
    int clipTop() const noexcept { return top_ >> 8; }
    int clipRight() const noexcept { return right_ >> 8; }
    int clipBottom() const noexcept { return bottom_ >> 8; }

private:
    void intLineTo(int32_t x, int32_t y) noexcept;
    void addPiece(int64_t xa, int32_t ya, int64_t xb, int32_t yb, int dir) noexcept;
    void addEdge(int64_t xa, int32_t ya, int64_t xb, int32_t yb, int dir) noexcept;
    void addCover(int32_t* cover, int32_t ya, int32_t yb, int dir) noexcept;
    void cubic(float p0x, float p0y, float c1x, float c1y, float c2x, float c2y, float p3x,
               float p3y, int depth) noexcept;
    void accumulate(int64_t xs, int64_t xe, int32_t dy, int64_t step) noexcept;
    void setMask(int column) noexcept { mask_[column >> 8] |= uint64_t{1} << ((column >> 2) & 63); }
    void zeroBuffers(bool all) noexcept;

    ArenaAllocator<Edge> arena_;
    Vec<Edge*> buckets_;
    Vec<int32_t> deltas_;
    Vec<uint64_t> mask_;
    Vec<int32_t> leftCover_;
    Vec<int32_t> rightCover_;
    // Lengths of each buffer's prefix that is known to be zero while nothing is pending.
    std::size_t cleanBuckets_ = 0, cleanDeltas_ = 0, cleanMask_ = 0, cleanCover_ = 0;
    bool pending_ = false;  // something was written since the buffers were last all zero

    int32_t left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;  // clip, in 1/256 pixel
    int32_t ymin_ = 0, ymax_ = 0;
    int32_t startX_ = 0, startY_ = 0;
    int32_t curX_ = 0, curY_ = 0;
    float lastX_ = 0.0f, lastY_ = 0.0f;
};

}  // namespace rigging
