// The files must be what the editor's PNG loader expects: the stated size, colour type 2 or 6,
// 8 bits per sample and no interlacing.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "brindlewave/gfx/resources.h"
#include "committedart.h"

namespace {

namespace R = brindlewave::gfx;

struct Header {
    bool signature = false;
    uint32_t width = 0, height = 0;
    int bitDepth = -1, colourType = -1, interlace = -1;
};

Header readHeader(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char b[33] = {};
    in.read(reinterpret_cast<char*>(b), sizeof b);
    Header h;
    if (in.gcount() != sizeof b) return h;
    static const unsigned char sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    h.signature =
        std::equal(sig, sig + 8, b) && std::string(reinterpret_cast<char*>(b + 12), 4) == "IHDR";
    auto be32 = [&](int at) {
        return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 |
               b[at + 3];
    };
    h.width = be32(16);
    h.height = be32(20);
    h.bitDepth = b[24];
    h.colourType = b[25];
    h.interlace = b[28];
    return h;
}

TEST(ArtworkFiles, SizesAndColourTypesAreWhatTheEditorLoads) {
    const struct {
        std::string_view name;
        uint32_t w, h;
        int type;
    } files[] = {{R::kLinkOn, 15, 17, 6},
                 {R::kLinkOff, 15, 17, 6},
                 {R::kEnvelopeOverlay, 100, 100, 6},
                 {R::kCurveOverlay, 100, 100, 6},
                 {R::kHistoryOverlay, 100, 45, 6},
                 {R::kMeterOverlay, 15, 265, 6},
                 {R::kBandCountButton, 80, 20, 6},
                 {R::kAlignLeftButton, 400, 30, 6},
                 {R::kAlignRightButton, 400, 30, 6},
                 {R::kAlignEvenButton, 400, 30, 6},
                 {R::kAlignOuterButton, 400, 30, 6},
                 {R::kKnobFilmstrip, 45, 5400, 6},
                 {R::kOversampleButton, 200, 20, 2},
                 {R::kBypassButton, 200, 20, 2},
                 {R::kBaseColour, 1000, 700, 6},
                 {R::kEmissive, 1000, 700, 6},
                 {R::kMaterial, 1000, 700, 6},
                 {R::kDepth, 1000, 700, 6},
                 {R::kSkybox, 1000, 700, 2}};
    for (const auto& f : files) {
        const Header h = readHeader(gfxtest::gfxPath(f.name));
        ASSERT_TRUE(h.signature) << f.name;
        EXPECT_EQ(h.width, f.w) << f.name;
        EXPECT_EQ(h.height, f.h) << f.name;
        EXPECT_EQ(h.bitDepth, 8) << f.name;
        EXPECT_EQ(h.colourType, f.type) << f.name;
        EXPECT_EQ(h.interlace, 0) << f.name;
    }
}

}  // namespace
