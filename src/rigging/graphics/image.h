#pragma once
// Image views (non-owning), owned images with an optional border ring and aligned rows, crops
// and copies. Nothing here allocates except OwnedImage::size.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "geom/box.h"
#include "rigging/core/vec.h"
#include "rigging/graphics/color.h"

namespace rigging {

// A view of pixels somebody else owns; copied by value.
template <typename C>
struct ImageRef {
    int w = 0;
    int h = 0;
    std::size_t pitch = 0;  // bytes from one row to the next
    C* pixels = nullptr;    // pixel (0, 0)

    C* scanlinePtr(int y) const noexcept {
        return reinterpret_cast<C*>(reinterpret_cast<std::uint8_t*>(pixels) +
                                    static_cast<std::ptrdiff_t>(y) *
                                        static_cast<std::ptrdiff_t>(pitch));
    }
    std::span<C> scanline(int y) const noexcept {
        return {scanlinePtr(y), static_cast<std::size_t>(w)};
    }
    C& operator()(int x, int y) const noexcept { return scanlinePtr(y)[x]; }
};

// Owns one allocation holding the visible pixels, `border` extra rows above and below and
// columns on the left, and `borderRight` extra columns on the right.
template <typename C>
class OwnedImage {
public:
    OwnedImage() noexcept = default;
    OwnedImage(int width, int height, int border = 0, int rowAlignment = 1, int xMultiplicity = 1,
               int trailingSamples = 0) noexcept {
        size(width, height, border, rowAlignment, xMultiplicity, trailingSamples);
    }
    OwnedImage(const OwnedImage&) = delete;
    OwnedImage& operator=(const OwnedImage&) = delete;
    ~OwnedImage() { alignedFree(buffer_, 1); }

    // Reallocates; the old pixels are discarded and the new ones are undefined. borderRight
    // makes room for `border` columns, for width + border to be a multiple of xMultiplicity and
    // for trailingSamples columns read past the last pixel by vector loads.
    void size(int width, int height, int border = 0, int rowAlignment = 1, int xMultiplicity = 1,
              int trailingSamples = 0) noexcept {
        const int span = width + border;
        int right = roundUp(span, xMultiplicity) - span + border;
        if (right < trailingSamples) right = trailingSamples;
        const int pitch =
            roundUp(static_cast<int>(sizeof(C)) * (border + width + right), rowAlignment);
        const std::size_t bytes =
            static_cast<std::size_t>(pitch) * static_cast<std::size_t>(height + 2 * border) +
            static_cast<std::size_t>(rowAlignment) - 1;
        buffer_ = static_cast<std::uint8_t*>(alignedReallocDiscard(buffer_, bytes, 1));
        const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(buffer_) +
                                     static_cast<std::uintptr_t>(border) * pitch +
                                     static_cast<std::uintptr_t>(border) * sizeof(C);
        const std::uintptr_t align = static_cast<std::uintptr_t>(rowAlignment);
        data_ = reinterpret_cast<C*>((first + align - 1) / align * align);
        width_ = width;
        height_ = height;
        border_ = border;
        borderRight_ = right;
        pitch_ = pitch;
    }

    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    int border() const noexcept { return border_; }
    int borderRight() const noexcept { return borderRight_; }
    int pitchInBytes() const noexcept { return pitch_; }
    C* data() const noexcept { return data_; }
    const void* buffer() const noexcept { return buffer_; }

    // Rows -border .. height + border - 1 and columns -border .. width + borderRight - 1 are
    // addressable through the pointer.
    C* scanlinePtr(int y) const noexcept {
        return reinterpret_cast<C*>(reinterpret_cast<std::uint8_t*>(data_) +
                                    static_cast<std::ptrdiff_t>(y) * pitch_);
    }
    std::span<C> scanline(int y) const noexcept {
        return {scanlinePtr(y), static_cast<std::size_t>(width_)};
    }
    C& operator()(int x, int y) const noexcept { return scanlinePtr(y)[x]; }

    // Fills the border ring next to the parts of `box` that touch an edge of the image with the
    // nearest edge pixels.
    void replicateBordersTouching(const geom::box2i& box) noexcept;

private:
    static int roundUp(int v, int m) noexcept { return (v + m - 1) / m * m; }

    void fill(int y, int x0, int x1, C value) noexcept {
        C* row = scanlinePtr(y);
        for (int x = x0; x < x1; ++x) row[x] = value;
    }

    int width_ = 0;
    int height_ = 0;
    C* data_ = nullptr;
    int pitch_ = 0;
    std::uint8_t* buffer_ = nullptr;
    int border_ = 0;
    int borderRight_ = 0;
};

template <typename C>
void OwnedImage<C>::replicateBordersTouching(const geom::box2i& box) noexcept {
    const int b = border_, r = borderRight_, W = width_, H = height_;
    if (W < 1 || H < 1) return;
    const bool left = box.min.x == 0, right = box.max.x == W;
    if (box.min.y == 0) {
        for (int y = -b; y < 0; ++y) {
            if (left) fill(y, -b, 0, (*this)(0, 0));
            std::memcpy(static_cast<void*>(scanlinePtr(y) + box.min.x), scanlinePtr(0) + box.min.x,
                        static_cast<std::size_t>(box.width()) * sizeof(C));
            if (right) fill(y, W, W + r, (*this)(W - 1, 0));
        }
    }
    if (left)
        for (int y = box.min.y; y < box.max.y; ++y) fill(y, -b, 0, (*this)(0, y));
    if (right)
        for (int y = box.min.y; y < box.max.y; ++y) fill(y, W, W + r, (*this)(W - 1, y));
    if (box.max.y == H) {
        for (int y = H; y < H + b; ++y) {
            if (left) fill(y, -b, 0, (*this)(0, H - 1));
            std::memcpy(static_cast<void*>(scanlinePtr(y) + box.min.x),
                        scanlinePtr(H - 1) + box.min.x,
                        static_cast<std::size_t>(box.width()) * sizeof(C));
            if (right) fill(y, W, W + r, (*this)(W - 1, H - 1));
        }
    }
}

// A view of the visible pixels. A one-row (or empty) image has no second row to measure, so
// its pitch is given as its width; only row 0 is then addressed.
template <typename C>
ImageRef<C> toRef(const OwnedImage<C>& image) noexcept {
    ImageRef<C> ref;
    ref.w = image.width();
    ref.h = image.height();
    ref.pixels = image.data();
    ref.pitch = image.height() >= 2 ? static_cast<std::size_t>(image.pitchInBytes())
                                    : static_cast<std::size_t>(image.width());
    return ref;
}

// A rectangle of a source view, OwnedImage or crop. An OwnedImage is held by reference, the
// views by value. No clipping: the rectangle lies inside the source.
template <typename Source>
struct CropHeld {
    using type = Source;
};
template <typename C>
struct CropHeld<OwnedImage<C>> {
    using type = const OwnedImage<C>&;
};

template <typename Source>
struct Crop {
    typename CropHeld<Source>::type source;
    int xmin, ymin, xmax, ymax;

    int width() const noexcept { return xmax - xmin; }
    int height() const noexcept { return ymax - ymin; }
    auto scanlinePtr(int y) const noexcept { return source.scanlinePtr(y + ymin) + xmin; }
    auto scanline(int y) const noexcept {
        auto* p = scanlinePtr(y);
        return std::span<std::remove_reference_t<decltype(*p)>>(
            p, static_cast<std::size_t>(xmax - xmin));
    }
    auto& operator()(int x, int y) const noexcept { return scanlinePtr(y)[x]; }
};

template <typename C>
Crop<ImageRef<C>> crop(const ImageRef<C>& source, int xmin, int ymin, int xmax, int ymax) noexcept {
    return {source, xmin, ymin, xmax, ymax};
}
template <typename C>
Crop<OwnedImage<C>> crop(const OwnedImage<C>& source, int xmin, int ymin, int xmax,
                         int ymax) noexcept {
    return {source, xmin, ymin, xmax, ymax};
}
template <typename S>
Crop<Crop<S>> crop(const Crop<S>& source, int xmin, int ymin, int xmax, int ymax) noexcept {
    return {source, xmin, ymin, xmax, ymax};
}
template <typename S>
auto crop(const S& source, const geom::box2i& box) noexcept {
    return crop(source, box.min.x, box.min.y, box.max.x, box.max.y);
}

// A view of `box` of the source, sharing its pitch.
template <typename C>
ImageRef<C> cropImageRef(const ImageRef<C>& image, const geom::box2i& box) noexcept {
    ImageRef<C> r;
    r.w = box.width();
    r.h = box.height();
    r.pitch = image.pitch;
    r.pixels = image.scanlinePtr(box.min.y) + box.min.x;
    return r;
}

// Copies the pixels of source over an equally sized destination, row by row.
template <typename C>
void blitTo(const ImageRef<C>& source, const ImageRef<C>& destination) noexcept {
    const std::size_t rowBytes = static_cast<std::size_t>(source.w) * sizeof(C);
    for (int y = 0; y < source.h; ++y)
        std::memcpy(static_cast<void*>(destination.scanlinePtr(y)), source.scanlinePtr(y),
                    rowBytes);
}

}  // namespace rigging
