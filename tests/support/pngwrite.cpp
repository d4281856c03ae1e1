#include "pngwrite.h"

#include <cstdio>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace pngwrite {

namespace {
void append(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}
}  // namespace

std::vector<std::uint8_t> encode(const void* pixels, int w, int h, int channels, int stride) {
    std::vector<std::uint8_t> out;
    stbi_write_png_to_func(append, &out, w, h, channels, pixels, stride);
    return out;
}

bool writeFile(const std::string& path, const void* pixels, int w, int h, int channels,
               int stride) {
    std::vector<std::uint8_t> bytes = encode(pixels, w, h, channels, stride);
    if (bytes.empty()) return false;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace pngwrite
