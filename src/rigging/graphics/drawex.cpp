#include "rigging/graphics/drawex.h"

#include <cstdlib>
#include <cstring>

#include "rigging/core/fatal.h"
#include "rigging/core/nogc.h"
#include "rigging/graphics/jpegload.h"

// The PNG decoder of the stb_image dependency, compiled here and nowhere else.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_FAILURE_STRINGS
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace rigging {

namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

OwnedImage<RGBA>* newImage(int width, int height) noexcept {
    auto* image = mallocNew<OwnedImage<RGBA>>();
    image->size(width, height);
    return image;
}

}  // namespace

IFImage readImageFromMem(std::span<const std::uint8_t> data, int requestedChannels) noexcept {
    IFImage result;
    result.channels = requestedChannels;
    if (data.size() >= 8 && std::memcmp(data.data(), kPngSignature, 8) == 0) {
        // Longer than any int can count: no PNG of ours; refuse rather than truncate the length.
        if (data.size() > 0x7FFFFFFF) return result;
        int w = 0, h = 0, inFile = 0;
        stbi_uc* pixels = stbi_load_from_memory(data.data(), static_cast<int>(data.size()), &w, &h,
                                                &inFile, requestedChannels);
        if (pixels == nullptr) return result;
        result.width = w;
        result.height = h;
        result.pixels = {pixels, static_cast<std::size_t>(w) * static_cast<std::size_t>(h) *
                                     static_cast<std::size_t>(requestedChannels)};
        return result;
    }
    if (data.size() < 2) fatalError("Image data too short");
    if (data[0] != 0xFF || data[1] != 0xD8) fatalError("Image data of unknown format");
    // JPEG: a stream the decoder cannot read ends the process there.
    int w = 0, h = 0, inFile = 0;
    std::span<std::uint8_t> pixels =
        decompress_jpeg_image_from_memory(data, &w, &h, &inFile, requestedChannels);
    const std::size_t expected = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) *
                                 static_cast<std::size_t>(requestedChannels);
    if (pixels.size() < expected) fatalOutOfMemory();  // headers read, no room for the pixels
    result.width = w;
    result.height = h;
    result.pixels = pixels;
    return result;
}

OwnedImage<RGBA>* loadOwnedImage(std::span<const std::uint8_t> data) noexcept {
    IFImage decoded = readImageFromMem(data, 4);
    OwnedImage<RGBA>* image = newImage(decoded.width, decoded.height);
    const std::size_t rowBytes = static_cast<std::size_t>(decoded.width) * 4;
    for (int y = 0; y < decoded.height; ++y)
        std::memcpy(static_cast<void*>(image->scanlinePtr(y)),
                    decoded.pixels.data() + rowBytes * static_cast<std::size_t>(y), rowBytes);
    std::free(decoded.pixels.data());
    return image;
}

OwnedImage<RGBA>* loadImageSeparateAlpha(std::span<const std::uint8_t> colour,
                                         std::span<const std::uint8_t> alpha) noexcept {
    IFImage rgb = readImageFromMem(colour, 3);
    IFImage grey = readImageFromMem(alpha, 1);
    if (rgb.width != grey.width || rgb.height != grey.height)
        fatalError("Colour and alpha images differ in size");
    OwnedImage<RGBA>* image = newImage(rgb.width, rgb.height);
    const std::size_t w = static_cast<std::size_t>(rgb.width);
    for (int y = 0; y < rgb.height; ++y) {
        const std::uint8_t* c = rgb.pixels.data() + 3 * w * static_cast<std::size_t>(y);
        const std::uint8_t* a = grey.pixels.data() + w * static_cast<std::size_t>(y);
        RGBA* out = image->scanlinePtr(y);
        for (std::size_t x = 0; x < w; ++x)
            out[x] = RGBA{c[3 * x], c[3 * x + 1], c[3 * x + 2], a[x]};
    }
    std::free(grey.pixels.data());
    std::free(rgb.pixels.data());
    return image;
}

}  // namespace rigging
