#include "brindlewave/gfx/resources.h"

#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <stb/stb_truetype.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

namespace gfx = brindlewave::gfx;

std::vector<unsigned char> readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(EmbeddedResources, EveryFileOfTheFolderIsEmbeddedByteForByte) {
    std::set<std::string> onDisk;
    for (const auto& entry : std::filesystem::directory_iterator(BRINDLEWAVE_GFX_DIR)) {
        if (!entry.is_regular_file()) continue;
        const std::string name = entry.path().filename().string();
        onDisk.insert(name);
        const gfx::Resource* r = gfx::findResource(name);
        ASSERT_NE(r, nullptr) << name;
        const std::vector<unsigned char> bytes = readFile(entry.path());
        ASSERT_EQ(r->size, bytes.size()) << name;
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), r->data)) << name;
    }
    // Nothing embedded that is no longer in the folder.
    std::set<std::string> embedded;
    for (const gfx::Resource* r : gfx::resources()) embedded.insert(std::string(r->name));
    EXPECT_EQ(embedded, onDisk);
    EXPECT_EQ(gfx::resources().size(), onDisk.size());
}

TEST(EmbeddedResources, UnknownAndNearMissNamesAreNotFound) {
    EXPECT_EQ(gfx::findResource(""), nullptr);
    EXPECT_EQ(gfx::findResource("knob"), nullptr);
    EXPECT_EQ(gfx::findResource("knob.png "), nullptr);
    EXPECT_EQ(gfx::findResource("KNOB.PNG"), nullptr);
}

struct Expected {
    std::string_view name;
    int width, height, channelsInFile;
};

TEST(EmbeddedResources, EveryPictureTheEditorLoadsDecodes) {
    const Expected pictures[] = {{gfx::kLinkOn, 15, 17, 4},
                                 {gfx::kLinkOff, 15, 17, 4},
                                 {gfx::kEnvelopeOverlay, 100, 100, 4},
                                 {gfx::kCurveOverlay, 100, 100, 4},
                                 {gfx::kHistoryOverlay, 100, 45, 4},
                                 {gfx::kMeterOverlay, 15, 265, 4},
                                 {gfx::kBandCountButton, 80, 20, 4},
                                 {gfx::kAlignLeftButton, 400, 30, 4},
                                 {gfx::kAlignRightButton, 400, 30, 4},
                                 {gfx::kAlignEvenButton, 400, 30, 4},
                                 {gfx::kAlignOuterButton, 400, 30, 4},
                                 {gfx::kKnobFilmstrip, 45, 5400, 4},
                                 {gfx::kOversampleButton, 200, 20, 3},
                                 {gfx::kBypassButton, 200, 20, 3},
                                 {gfx::kBaseColour, 1000, 700, 4},
                                 {gfx::kEmissive, 1000, 700, 4},
                                 {gfx::kMaterial, 1000, 700, 4},
                                 {gfx::kDepth, 1000, 700, 4},
                                 {gfx::kSkybox, 1000, 700, 3}};
    for (const Expected& e : pictures) {
        const gfx::Resource* r = gfx::findResource(e.name);
        ASSERT_NE(r, nullptr) << e.name;
        int w = 0, h = 0, n = 0;
        unsigned char* px =
            stbi_load_from_memory(r->data, static_cast<int>(r->size), &w, &h, &n, 4);
        ASSERT_NE(px, nullptr) << e.name << ": " << stbi_failure_reason();
        EXPECT_EQ(w, e.width) << e.name;
        EXPECT_EQ(h, e.height) << e.name;
        EXPECT_EQ(n, e.channelsInFile) << e.name;
        std::free(px);
    }
}

TEST(EmbeddedResources, FontParsesWithLatoBoldMetrics) {
    const gfx::Resource* r = gfx::findResource(gfx::kFont);
    ASSERT_NE(r, nullptr);
    stbtt_fontinfo info;
    ASSERT_EQ(stbtt_GetFontOffsetForIndex(r->data, 0), 0);
    ASSERT_NE(stbtt_InitFont(&info, r->data, 0), 0);
    int ascent = 0, descent = 0, lineGap = 0;
    stbtt_GetFontVMetrics(&info, &ascent, &descent, &lineGap);
    EXPECT_EQ(ascent, 1974);
    EXPECT_EQ(descent, -426);
    // The glyphs the editor writes are all there.
    for (char c :
         std::string("0123456789 .-+%ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"))
        EXPECT_NE(stbtt_FindGlyphIndex(&info, c), 0) << c;
}

}  // namespace
