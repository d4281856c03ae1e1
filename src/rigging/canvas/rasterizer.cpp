#include "rigging/canvas/rasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace rigging {

namespace {

// Smallest power of two not below v (v >= 1).
std::size_t roundUpPow2(std::size_t v) noexcept {
    --v;
    for (std::size_t s = 1; s < sizeof(v) * 8; s <<= 1) v |= v >> s;
    return v + 1;
}

float sanitize(float v) noexcept {
    if (!(v == v)) return 0.0f;  // NaN: the canvas rejects it first; never undefined here
    return std::clamp(v, -Rasterizer::kCoordinateLimit, Rasterizer::kCoordinateLimit);
}

int32_t toFixed(float v) noexcept {
    return static_cast<int32_t>(sanitize(v) * 256.0f);
}

// Grows v to at least n entries (never shrinks its length) and zeroes what is new; with
// `dirty`, zeroes everything that was in use first.
template <typename T>
void prepare(Vec<T>& v, std::size_t n, bool dirty) noexcept {
    std::size_t old = v.length();
    if (dirty && old > 0) std::memset(static_cast<void*>(v.ptr()), 0, old * sizeof(T));
    if (n > old) {
        v.resize(n);
        std::memset(static_cast<void*>(v.ptr() + old), 0, (n - old) * sizeof(T));
    }
}

// A cubic is drawn as a line once its control points lie within this many pixels of the chord
// (summed); finer than the eye can tell at 1/256-pixel edge precision.
constexpr float kFlatness = 1.0f / 64.0f;

// Slopes steeper than this give the same clamped column areas; keeps the products in 64 bits.
constexpr uint64_t kMaxStep = uint64_t{1} << 47;

}  // namespace

void Rasterizer::initialise(int left, int top, int right, int bottom) noexcept {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::max(right, left);
    bottom = std::max(bottom, top);
    arena_.reset();

    auto ur = static_cast<std::size_t>(right);
    auto ub = static_cast<std::size_t>(bottom);
    prepare(buckets_, roundUpPow2(ub + 1), pending_);
    prepare(deltas_, roundUpPow2((ur + 8) | 63), pending_);
    prepare(mask_, roundUpPow2((ur + 8) / 256 + 1), pending_);
    prepare(leftCover_, roundUpPow2((ub + 2) | 63), pending_);
    prepare(rightCover_, roundUpPow2((ub + 2) | 63), pending_);
    pending_ = false;

    left_ = left << 8;
    top_ = top << 8;
    right_ = right << 8;
    bottom_ = bottom << 8;
    ymin_ = bottom_;
    ymax_ = top_;
    startX_ = startY_ = curX_ = curY_ = 0;
    lastX_ = lastY_ = 0.0f;
}

void Rasterizer::moveTo(float x, float y) noexcept {
    if (curX_ != startX_ || curY_ != startY_) intLineTo(startX_, startY_);
    startX_ = curX_ = toFixed(x);
    startY_ = curY_ = toFixed(y);
    lastX_ = sanitize(x);
    lastY_ = sanitize(y);
}

void Rasterizer::lineTo(float x, float y) noexcept {
    intLineTo(toFixed(x), toFixed(y));
    lastX_ = sanitize(x);
    lastY_ = sanitize(y);
}

void Rasterizer::cubicTo(float c1x, float c1y, float c2x, float c2y, float x, float y) noexcept {
    c1x = sanitize(c1x);
    c1y = sanitize(c1y);
    c2x = sanitize(c2x);
    c2y = sanitize(c2y);
    x = sanitize(x);
    y = sanitize(y);
    float p0x = lastX_, p0y = lastY_;
    lastX_ = x;
    lastY_ = y;
    // Four coincident points never become flat; they add nothing.
    if (p0x == x && p0y == y && c1x == x && c1y == y && c2x == x && c2y == y) return;
    cubic(p0x, p0y, c1x, c1y, c2x, c2y, x, y, 0);
}

void Rasterizer::cubic(float p0x, float p0y, float c1x, float c1y, float c2x, float c2y, float p3x,
                       float p3y, int depth) noexcept {
    float dx = p3x - p0x, dy = p3y - p0y;
    float s = std::fabs((c1x - p3x) * dy - (c1y - p3y) * dx) +
              std::fabs((c2x - p3x) * dy - (c2y - p3y) * dx);
    // s = |d| (h1 + h2), h the control points' distances to the chord.
    if (depth >= kMaxSubdivision || (dx * dx + dy * dy) * (kFlatness * kFlatness) > s * s) {
        intLineTo(toFixed(p3x), toFixed(p3y));
        return;
    }
    float ax = (p0x + c1x) * 0.5f, ay = (p0y + c1y) * 0.5f;
    float bx = (c1x + c2x) * 0.5f, by = (c1y + c2y) * 0.5f;
    float cx = (c2x + p3x) * 0.5f, cy = (c2y + p3y) * 0.5f;
    float abx = (ax + bx) * 0.5f, aby = (ay + by) * 0.5f;
    float bcx = (bx + cx) * 0.5f, bcy = (by + cy) * 0.5f;
    float mx = (abx + bcx) * 0.5f, my = (aby + bcy) * 0.5f;
    cubic(p0x, p0y, ax, ay, abx, aby, mx, my, depth + 1);
    cubic(mx, my, bcx, bcy, cx, cy, p3x, p3y, depth + 1);
}

void Rasterizer::closePath() noexcept {
    if (curX_ != startX_ || curY_ != startY_) intLineTo(startX_, startY_);
}

void Rasterizer::intLineTo(int32_t x, int32_t y) noexcept {
    int32_t x0 = curX_, y0 = curY_;
    curX_ = x;
    curY_ = y;
    if (y == y0) return;
    int dir = 1;
    int64_t xa = x0, xb = x;
    int32_t ya = y0, yb = y;
    if (y < y0) {
        dir = -1;
        std::swap(xa, xb);
        std::swap(ya, yb);
    }
    if (yb <= top_ || ya >= bottom_) return;

    int64_t cxa = xa, cxb = xb;
    int32_t cya = ya, cyb = yb;
    if (ya < top_) {
        cxa = xa + (xb - xa) * (top_ - ya) / (yb - ya);
        cya = top_;
    }
    if (yb > bottom_) {
        cxb = xa + (xb - xa) * (bottom_ - ya) / (yb - ya);
        cyb = bottom_;
    }
    ymin_ = std::min(ymin_, cya);
    ymax_ = std::max(ymax_, cyb);
    pending_ = true;
    addPiece(cxa, cya, cxb, cyb, dir);
}

// Splits a line (top to bottom, inside the vertical clip) into the parts left of, inside and
// right of the clip; only the inside part becomes an edge, the others are winding cover.
void Rasterizer::addPiece(int64_t xa, int32_t ya, int64_t xb, int32_t yb, int dir) noexcept {
    const int64_t l = left_, r = right_;
    if (xa <= l && xb <= l) return addCover(leftCover_.ptr(), ya, yb, dir);
    if (xa >= r && xb >= r) return addCover(rightCover_.ptr(), ya, yb, dir);
    if (xa == xb) return addEdge(xa, ya, xb, yb, dir);

    auto yAt = [&](int64_t xc) {
        return static_cast<int32_t>(ya + (xc - xa) * (yb - ya) / (xb - xa));
    };
    int64_t x = xa;
    int32_t y = ya;
    if (xa < xb) {
        if (xa < l) {
            int32_t yl = yAt(l);
            addCover(leftCover_.ptr(), ya, yl, dir);
            x = l;
            y = yl;
        }
        if (xb > r) {
            int32_t yr = yAt(r);
            addEdge(x, y, r, yr, dir);
            addCover(rightCover_.ptr(), yr, yb, dir);
        } else {
            addEdge(x, y, xb, yb, dir);
        }
    } else {
        if (xa > r) {
            int32_t yr = yAt(r);
            addCover(rightCover_.ptr(), ya, yr, dir);
            x = r;
            y = yr;
        }
        if (xb < l) {
            int32_t yl = yAt(l);
            addEdge(x, y, l, yl, dir);
            addCover(leftCover_.ptr(), yl, yb, dir);
        } else {
            addEdge(x, y, xb, yb, dir);
        }
    }
}

void Rasterizer::addEdge(int64_t xa, int32_t ya, int64_t xb, int32_t yb, int dir) noexcept {
    if (ya >= yb) return;
    xa = std::clamp<int64_t>(xa, left_, right_);
    xb = std::clamp<int64_t>(xb, left_, right_);
    Edge* e = arena_.allocate();
    int64_t dx = xb - xa;
    int32_t dy = yb - ya;
    e->x = xa * (int64_t{1} << 32);
    e->dxdy = static_cast<int64_t>(static_cast<double>(dx) * 4294967296.0 / dy);
    e->step = static_cast<int64_t>(static_cast<double>(dy) * 1073741824.0 /
                                   static_cast<double>(std::max<int64_t>(1, dx < 0 ? -dx : dx)));
    if (dir < 0) e->step = -e->step;
    e->y0 = ya;
    e->y1 = yb;
    Edge*& head = buckets_[static_cast<std::size_t>(ya >> 8)];
    e->next = head;
    head = e;
}

void Rasterizer::addCover(int32_t* cover, int32_t ya, int32_t yb, int dir) noexcept {
    if (ya >= yb) return;
    int32_t fa = (ya & 255) * 128, fb = (yb & 255) * 128;
    cover[ya >> 8] += dir * (0x8000 - fa);
    cover[(ya >> 8) + 1] += dir * fa;
    cover[yb >> 8] -= dir * (0x8000 - fb);
    cover[(yb >> 8) + 1] -= dir * fb;
}

// Adds the coverage of one edge piece inside a row: each column gets the area of the row's slab
// that lies right of the piece, stored as differences along the row.
void Rasterizer::accumulate(int64_t xs, int64_t xe, int32_t dy, int64_t step) noexcept {
    if (xs > xe) std::swap(xs, xe);
    const int l = static_cast<int>(xs >> 40), r = static_cast<int>(xe >> 40);
    const int64_t fl = (xs >> 32) & 255, fr = (xe >> 32) & 255;
    const int64_t sign = dy < 0 ? -1 : 1;
    const int64_t full = (dy < 0 ? -int64_t{dy} : dy) * 128;
    int32_t* d = deltas_.ptr();
    if (l == r) {
        int64_t a = ((512 - (fl + fr)) * full) >> 9;
        d[l] += static_cast<int32_t>(sign * a);
        d[l + 1] += static_cast<int32_t>(sign * (full - a));
        setMask(l);
        setMask(l + 1);
        return;
    }
    uint64_t astep = static_cast<uint64_t>(step < 0 ? -step : step);
    if (astep > kMaxStep) astep = kMaxStep;
    const auto capped = [full](uint64_t a) {
        return a > static_cast<uint64_t>(full) ? full : static_cast<int64_t>(a);
    };
    const uint64_t w = static_cast<uint64_t>(256 - fl);
    int64_t prev = capped((astep * w * w) >> 32);
    d[l] += static_cast<int32_t>(sign * prev);
    setMask(l);
    uint64_t span = w + 128;
    for (int c = l + 1; c < r; ++c, span += 256) {
        int64_t a = capped((astep * span) >> 23);
        d[c] += static_cast<int32_t>(sign * (a - prev));
        setMask(c);
        prev = a;
    }
    const uint64_t f = static_cast<uint64_t>(fr);
    int64_t ar = full - capped((astep * f * f) >> 32);
    d[r] += static_cast<int32_t>(sign * (ar - prev));
    d[r + 1] += static_cast<int32_t>(sign * (full - ar));
    setMask(r);
    setMask(r + 1);
}

void Rasterizer::rasterize(const Blitter& blitter) noexcept {
    const int rowStart = ymin_ >> 8;
    const int rowEnd = (ymax_ + 255) >> 8;
    const int xl = left_ >> 8, xr = right_ >> 8;
    const int x1 = (xr + 3) & ~3;
    int32_t* deltas = deltas_.ptr();
    uint64_t* mask = mask_.ptr();
    int32_t* lcov = leftCover_.ptr();
    int32_t* rcov = rightCover_.ptr();

    Edge* active = nullptr;
    int32_t lc = 0, rc = 0;
    for (int row = rowStart; row < rowEnd; ++row) {
        lc += lcov[row];
        lcov[row] = 0;
        rc += rcov[row];
        rcov[row] = 0;
        if (lc != 0) {
            deltas[xl] += lc;
            setMask(xl);
        }
        if (rc != 0) {
            deltas[xr] += rc;
            setMask(xr);
        }
        if (Edge* joined = buckets_[static_cast<std::size_t>(row)]) {
            Edge* tail = joined;
            while (tail->next != nullptr) tail = tail->next;
            tail->next = active;
            active = joined;
            buckets_[static_cast<std::size_t>(row)] = nullptr;
        }

        const int32_t rowBottom = (row + 1) << 8;
        Edge** link = &active;
        while (Edge* e = *link) {
            int32_t yEnd = std::min(e->y1, rowBottom);
            int32_t dy = yEnd - e->y0;
            int64_t xe = e->x + e->dxdy * dy;
            accumulate(e->x, xe, e->step < 0 ? -dy : dy, e->step);
            e->x = xe;
            e->y0 = yEnd;
            if (e->y1 <= rowBottom)
                *link = e->next;
            else
                link = &e->next;
        }

        blitter.blit(blitter.userData, deltas, mask, xl, xr, row);
        deltas[x1] = 0;
        deltas[x1 + 1] = 0;
        for (int w = xl >> 8; w <= (xr + 1) >> 8; ++w) mask[w] = 0;
    }
    // Cover terms may stand at the end row; nothing else is left behind.
    if (rowEnd >= 0 && static_cast<std::size_t>(rowEnd) + 1 < leftCover_.length()) {
        lcov[rowEnd] = lcov[rowEnd + 1] = 0;
        rcov[rowEnd] = rcov[rowEnd + 1] = 0;
    }
    arena_.reset();
    pending_ = false;
}

}  // namespace rigging
