#include "committedart.h"

#include <map>

#include "pngio.h"

namespace gfxtest {

std::string gfxPath(std::string_view name) {
    return std::string(BRINDLEWAVE_GFX_DIR) + "/" + std::string(name);
}

const gfxgen::Image8& committed(std::string_view name) {
    static std::map<std::string, gfxgen::Image8, std::less<>> cache;
    auto it = cache.find(name);
    if (it == cache.end())
        it = cache.emplace(std::string(name), gfxgen::readPng(gfxPath(name), 4)).first;
    return it->second;
}

int depthAt(const gfxgen::Image8& depth, int x, int y) {
    const uint8_t* p = depth.at(x, y);
    return (p[0] + p[1] + p[2]) * 257 / 3;
}

float luminance(const uint8_t* p) {
    return 0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2];
}

}  // namespace gfxtest
