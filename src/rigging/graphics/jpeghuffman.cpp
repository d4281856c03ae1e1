#include "rigging/graphics/jpeghuffman.h"

#include <cstring>

namespace rigging {

void buildJpegHuffmanTable(JpegHuffmanTable& t) noexcept {
    std::memset(t.lookup, 0, sizeof t.lookup);
    std::int32_t code = 0;
    int k = 0;
    for (int l = 1; l <= 16; ++l) {
        t.valueOffset[l] = static_cast<std::int16_t>(k);
        t.minCode[l] = code;
        for (int i = 0; i < t.counts[l]; ++i, ++code, ++k) {
            // A code that no longer fits its length cannot occur in a valid table.
            if (l <= 8 && code < (1 << l)) {
                int first = code << (8 - l);
                int last = (code + 1) << (8 - l);
                auto entry = static_cast<std::uint16_t>((l << 8) | t.values[k]);
                for (int j = first; j < last; ++j) t.lookup[j] = entry;
            }
        }
        t.maxCode[l] = t.counts[l] != 0 ? code - 1 : -1;
        code <<= 1;
    }
}

}  // namespace rigging
