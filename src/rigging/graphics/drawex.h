#pragma once
// Turning the bytes of an embedded image file (PNG, or JPEG data) into RGBA pixels.

#include <cstdint>
#include <span>

#include "rigging/graphics/color.h"
#include "rigging/graphics/image.h"

namespace rigging {

// A decoded image: rows top to bottom, tightly packed, `channels` bytes per pixel (r, g, b, a;
// one channel is grey). The pixels come from malloc and are freed by the caller with free.
struct IFImage {
    int width = 0;  // 0 when a PNG could not be decoded
    int height = 0;
    std::span<std::uint8_t> pixels;  // empty after a failed PNG decode
    int channels = 0;                // always the count asked for
    int error = 0;                   // always 0: failures end the process or give 0 x 0
};

// Recognises the format by its first bytes: the 8-byte PNG signature, or FF D8 for JPEG.
// requestedChannels is 1, 3 or 4. Data of neither kind, or shorter than 2 bytes, ends the
// process; a PNG that cannot be decoded gives an empty image.
IFImage readImageFromMem(std::span<const std::uint8_t> data, int requestedChannels) noexcept;

// A new RGBA image (pitch 4 x width, no border) owned by the caller, released with destroyFree.
// Images without alpha get alpha 255; grey ones r = g = b.
OwnedImage<RGBA>* loadOwnedImage(std::span<const std::uint8_t> data) noexcept;

// A new RGBA image whose r, g and b come from the colour file (its alpha dropped) and whose
// alpha is the grey of the alpha file (its own alpha ignored). Different sizes end the process.
OwnedImage<RGBA>* loadImageSeparateAlpha(std::span<const std::uint8_t> colour,
                                         std::span<const std::uint8_t> alpha) noexcept;

}  // namespace rigging
