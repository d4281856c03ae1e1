#include "pngio.h"

#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <cstdlib>
#include <cstring>

namespace gfxgen {

bool writePng(const std::string& path, const Image8& image) {
    stbi_write_png_compression_level = 9;
    return stbi_write_png(path.c_str(), image.w, image.h, image.channels, image.px.data(),
                          image.w * image.channels) != 0;
}

Image8 readPng(const std::string& path, int channels) {
    int w = 0, h = 0, n = 0;
    unsigned char* data = stbi_load(path.c_str(), &w, &h, &n, channels);
    if (!data) return {};
    Image8 out(w, h, channels);
    std::memcpy(out.px.data(), data, out.px.size());
    std::free(data);
    return out;
}

}  // namespace gfxgen
