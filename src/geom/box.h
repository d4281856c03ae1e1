#pragma once
// Axis-aligned boxes: min inclusive, max exclusive. Integer boxes are the rectangles of every
// GUI and drawing operation.

#include "geom/vector.h"

namespace geom {

template <typename T, int N>
struct Box {
    using V = Vector<T, N>;
    V min;
    V max;

    constexpr Box() noexcept = default;
    constexpr Box(const V& mn, const V& mx) noexcept : min(mn), max(mx) {}
    constexpr Box(T minX, T minY, T maxX, T maxY) noexcept requires(N == 2)
        : min(minX, minY), max(maxX, maxY) {}

    static constexpr Box rectangle(T x, T y, T width, T height) noexcept requires(N == 2) {
        return Box(x, y, x + width, y + height);
    }

    constexpr T width() const noexcept { return max.x - min.x; }
    constexpr T height() const noexcept requires(N >= 2) { return max.y - min.y; }

    // Product of the extents.
    constexpr T volume() const noexcept {
        T v = max[0] - min[0];
        for (int i = 1; i < N; ++i) v *= max[i] - min[i];
        return v;
    }

    // (min + max) / 2, truncating towards zero for integers.
    constexpr V center() const noexcept { return (min + max) / T(2); }

    // An inverted box is neither empty nor sorted.
    constexpr bool empty() const noexcept {
        for (int i = 0; i < N; ++i)
            if (max[i] - min[i] == 0) return true;
        return false;
    }

    constexpr bool isSorted() const noexcept {
        for (int i = 0; i < N; ++i)
            if (min[i] > max[i]) return false;
        return true;
    }

    // An empty o inside the bounds counts as contained.
    constexpr bool contains(const Box& o) const noexcept {
        for (int i = 0; i < N; ++i)
            if (o.min[i] < min[i] || o.max[i] > max[i]) return false;
        return true;
    }

    constexpr bool contains(const V& p) const noexcept {
        for (int i = 0; i < N; ++i)
            if (p[i] < min[i] || p[i] >= max[i]) return false;
        return true;
    }

    // An empty operand is returned as it is; otherwise the overlap, never inverted (disjoint
    // boxes give an empty box).
    constexpr Box intersection(const Box& o) const noexcept {
        if (empty()) return *this;
        if (o.empty()) return o;
        V newMin = maxByElem(min, o.min);
        V newMax = maxByElem(minByElem(max, o.max), newMin);
        return Box(newMin, newMax);
    }

    constexpr bool intersects(const Box& o) const noexcept {
        Box r = intersection(o);
        return r.isSorted() && !r.empty();
    }

    constexpr Box translate(const V& v) const noexcept { return Box(min + v, max + v); }

    constexpr Box expand(const V& p) const noexcept {
        return Box(minByElem(min, p), maxByElem(max, p));
    }

    // The union; an empty side is ignored.
    constexpr Box expand(const Box& o) const noexcept {
        if (empty()) return o;
        if (o.empty()) return *this;
        return Box(minByElem(min, o.min), maxByElem(max, o.max));
    }

    friend constexpr bool operator==(const Box& a, const Box& b) noexcept {
        return a.min == b.min && a.max == b.max;
    }
};

using box2i = Box<int, 2>;

}  // namespace geom
