#pragma once
// Small fixed-size value vectors: int points and offsets of the GUI, float colours and normals.

#include <cmath>
#include <concepts>
#include <cstddef>

#include "geom/funcs.h"

namespace geom {

template <typename T, int N>
struct VectorFields;

template <typename T>
struct VectorFields<T, 2> {
    T x, y;
};
template <typename T>
struct VectorFields<T, 3> {
    T x, y, z;
};
template <typename T>
struct VectorFields<T, 4> {
    T x, y, z, w;
};

template <typename T, int N>
struct Vector : VectorFields<T, N> {
    static_assert(N >= 2 && N <= 4, "vectors have 2, 3 or 4 components");
    using Element = T;
    static constexpr int size = N;

    constexpr Vector() noexcept : VectorFields<T, N>{} {}

    // N components of any arithmetic type, converted (a vec3f from three bytes keeps 0..255).
    template <typename... U>
    requires(sizeof...(U) == N &&
             (std::is_arithmetic_v<U> && ...)) constexpr Vector(U... components) noexcept
        : VectorFields<T, N>{static_cast<T>(components)...} {}

    template <typename U>
    constexpr explicit Vector(const Vector<U, N>& other) noexcept {
        for (int i = 0; i < N; ++i) (*this)[i] = static_cast<T>(other[i]);
    }

    constexpr T& operator[](int i) noexcept {
        if (i == 0) return this->x;
        if (i == 1) return this->y;
        if constexpr (N >= 3)
            if (i == 2) return this->z;
        if constexpr (N == 4) return this->w;
        return this->y;  // not reached for a valid index
    }
    constexpr const T& operator[](int i) const noexcept { return const_cast<Vector&>(*this)[i]; }

    T* ptr() noexcept { return &this->x; }
    const T* ptr() const noexcept { return &this->x; }

    constexpr Vector& operator+=(const Vector& o) noexcept {
        for (int i = 0; i < N; ++i) (*this)[i] += o[i];
        return *this;
    }
    constexpr Vector& operator-=(const Vector& o) noexcept {
        for (int i = 0; i < N; ++i) (*this)[i] -= o[i];
        return *this;
    }
    constexpr Vector& operator*=(const Vector& o) noexcept {
        for (int i = 0; i < N; ++i) (*this)[i] *= o[i];
        return *this;
    }
    constexpr Vector& operator*=(T s) noexcept {
        for (int i = 0; i < N; ++i) (*this)[i] *= s;
        return *this;
    }
    // Integer vectors divide truncating towards zero, as C++ division does.
    constexpr Vector& operator/=(T s) noexcept {
        for (int i = 0; i < N; ++i) (*this)[i] /= s;
        return *this;
    }

    friend constexpr Vector operator+(Vector a, const Vector& b) noexcept { return a += b; }
    friend constexpr Vector operator-(Vector a, const Vector& b) noexcept { return a -= b; }
    friend constexpr Vector operator*(Vector a, const Vector& b) noexcept { return a *= b; }
    friend constexpr Vector operator*(Vector a, T s) noexcept { return a *= s; }
    friend constexpr Vector operator*(T s, Vector a) noexcept { return a *= s; }
    friend constexpr Vector operator/(Vector a, T s) noexcept { return a /= s; }
    friend constexpr Vector operator-(Vector a) noexcept {
        for (int i = 0; i < N; ++i) a[i] = -a[i];
        return a;
    }
    friend constexpr bool operator==(const Vector& a, const Vector& b) noexcept {
        for (int i = 0; i < N; ++i)
            if (!(a[i] == b[i])) return false;
        return true;
    }

    // x*x + y*y (+ ...), summed in component order.
    constexpr T squaredMagnitude() const noexcept {
        T s = (*this)[0] * (*this)[0];
        for (int i = 1; i < N; ++i) s += (*this)[i] * (*this)[i];
        return s;
    }

    T magnitude() const noexcept requires std::floating_point<T> {
        return std::sqrt(squaredMagnitude());
    }

    T distanceTo(const Vector& p) const noexcept requires std::floating_point<T> {
        return (p - *this).magnitude();
    }

    // Exact square root, one division, then one multiplication per component.
    Vector normalized() const noexcept requires std::floating_point<T> {
        T inv = T(1) / std::sqrt(squaredMagnitude());
        return *this * inv;
    }

    // In place, scaled by inverseSqrt: a correctly rounded square root and division, so the
    // result is the same on every processor.
    void fastNormalize() noexcept requires std::same_as<T, float> {
        *this *= inverseSqrt(squaredMagnitude());
    }
};

template <typename T, int N>
constexpr T dot(const Vector<T, N>& a, const Vector<T, N>& b) noexcept {
    T s = a[0] * b[0];
    for (int i = 1; i < N; ++i) s += a[i] * b[i];
    return s;
}

template <typename T, int N>
constexpr Vector<T, N> minByElem(const Vector<T, N>& a, const Vector<T, N>& b) noexcept {
    Vector<T, N> r;
    for (int i = 0; i < N; ++i) r[i] = a[i] < b[i] ? a[i] : b[i];
    return r;
}

template <typename T, int N>
constexpr Vector<T, N> maxByElem(const Vector<T, N>& a, const Vector<T, N>& b) noexcept {
    Vector<T, N> r;
    for (int i = 0; i < N; ++i) r[i] = a[i] > b[i] ? a[i] : b[i];
    return r;
}

using vec2i = Vector<int, 2>;
using vec2f = Vector<float, 2>;
using vec3f = Vector<float, 3>;
using vec4f = Vector<float, 4>;

}  // namespace geom
