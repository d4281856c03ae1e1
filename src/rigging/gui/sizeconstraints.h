#pragma once
// What sizes an editor window may take. This system only makes fixed-size editors.

#include <cstdint>

namespace rigging {

struct SizeConstraints {
    enum Type : std::int32_t { fixedSize = 1 };

    std::int32_t type = fixedSize;
    std::int32_t defaultWidth = 0;
    std::int32_t defaultHeight = 0;
    // Steps between sizes a host may offer; 1 for a fixed size (nothing reads it).
    std::int32_t sizeStep = 1;
    float scale = 1.0f;

    void suggestDefaultSize(int* width, int* height) const noexcept {
        *width = defaultWidth;
        *height = defaultHeight;
    }
};

inline SizeConstraints makeSizeConstraintsFixed(int width, int height) noexcept {
    SizeConstraints c;
    c.type = SizeConstraints::fixedSize;
    c.defaultWidth = width;
    c.defaultHeight = height;
    return c;
}

}  // namespace rigging
