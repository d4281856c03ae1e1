// The button widgets overwrite depth and material over their whole box with frames 2 and 3,
// so outside the button's shape those frames must carry what the background has there.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "brindlewave/editorlayout.h"
#include "brindlewave/gfx/resources.h"
#include "committedart.h"

namespace {

namespace L = brindlewave::layout;
namespace R = brindlewave::gfx;
using gfxgen::Image8;
using gfxtest::committed;

struct Use {
    std::string_view strip;
    int frameW, frameH;
    L::Rect place;
    bool opaque;  // colour frame replaces the whole box (RGB strips)
};

std::vector<Use> uses() {
    std::vector<Use> u = {{R::kBandCountButton, 20, 20, L::kBandDecrement, false},
                          {R::kBandCountButton, 20, 20, L::kBandIncrement, false},
                          {R::kAlignLeftButton, 100, 30, L::kAlignLeft, false},
                          {R::kAlignRightButton, 100, 30, L::kAlignRight, false},
                          {R::kAlignEvenButton, 100, 30, L::kAlignEven, false},
                          {R::kAlignOuterButton, 100, 30, L::kAlignOuter, false},
                          {R::kBypassButton, 50, 20, L::kBypassButton, true}};
    for (const L::Rect& r : L::kOversampleButtons)
        u.push_back({R::kOversampleButton, 50, 20, r, true});
    return u;
}

// Pixels outside the button's shape: for a blended strip, the transparent pixels of the colour
// frame that connect to the frame's border (holes inside the cap belong to the cap); for an
// opaque strip, the outer ring of pixels.
std::vector<bool> outsideShape(const Image8& s, const Use& u) {
    const int w = u.frameW, h = u.frameH;
    std::vector<bool> out(w * h, false);
    if (u.opaque) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                out[y * w + x] = x == 0 || y == 0 || x == w - 1 || y == h - 1;
        return out;
    }
    std::vector<int> stack;
    auto push = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= w || y >= h || out[y * w + x] || s.at(x, y)[3] != 0) return;
        out[y * w + x] = true;
        stack.push_back(y * w + x);
    };
    for (int x = 0; x < w; ++x) push(x, 0), push(x, h - 1);
    for (int y = 0; y < h; ++y) push(0, y), push(w - 1, y);
    while (!stack.empty()) {
        const int i = stack.back();
        stack.pop_back();
        push(i % w + 1, i / w), push(i % w - 1, i / w), push(i % w, i / w + 1),
            push(i % w, i / w - 1);
    }
    return out;
}

TEST(ButtonStrips, OutsideTheButtonDepthAndMaterialAreTheBackgrounds) {
    const Image8& depth = committed(R::kDepth);
    const Image8& material = committed(R::kMaterial);
    const Image8& base = committed(R::kBaseColour);
    for (const Use& u : uses()) {
        const Image8& s = committed(u.strip);
        ASSERT_EQ(s.w, 4 * u.frameW) << u.strip;
        ASSERT_EQ(s.h, u.frameH) << u.strip;
        const std::vector<bool> outside = outsideShape(s, u);
        int outsideCount = 0;
        for (int y = 0; y < u.frameH; ++y)
            for (int x = 0; x < u.frameW; ++x) {
                if (!outside[y * u.frameW + x]) continue;
                ++outsideCount;
                const int ex = u.place.x0 + x, ey = u.place.y0 + y;
                const uint8_t* d = s.at(u.frameW + x, y);
                const uint8_t* bd = depth.at(ex, ey);
                ASSERT_EQ(d[0] + d[1] + d[2], bd[0] + bd[1] + bd[2])
                    << u.strip << " at " << ex << "," << ey;
                ASSERT_TRUE(std::equal(material.at(ex, ey), material.at(ex, ey) + 3,
                                       s.at(2 * u.frameW + x, y)))
                    << u.strip << " at " << ex << "," << ey;
                if (u.opaque) {
                    for (int c = 0; c < 3; ++c)
                        ASSERT_NEAR(s.at(x, y)[c], base.at(ex, ey)[c], 2)
                            << u.strip << " at " << ex << "," << ey;
                }
            }
        EXPECT_GT(outsideCount, 0) << u.strip;
        // The key itself stands proud of the floor by at least a pixel of height.
        const uint8_t* top = s.at(u.frameW + u.frameW / 2, u.frameH / 2);
        const uint8_t* under = depth.at(u.place.x0 + u.frameW / 2, u.place.y0 + u.frameH / 2);
        EXPECT_GT((top[0] + top[1] + top[2]) * 257 / 3,
                  (under[0] + under[1] + under[2]) * 257 / 3 + 4655)
            << u.strip;
    }
}

TEST(ButtonStrips, BandCountWindowShowsThePrintedSignOnTheKeyColour) {
    // Where the shared picture is transparent inside the key, the background under each of the
    // two buttons must look like the key, so that only the sign differs.
    const Image8& s = committed(R::kBandCountButton);
    const Image8& base = committed(R::kBaseColour);
    const std::vector<bool> outside = outsideShape(s, uses()[0]);
    int window = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            if (outside[y * 20 + x] || s.at(x, y)[3] == 255) continue;
            ++window;
            // Both places are either key colour or the sign's paint; the sign is light.
            for (const L::Rect& b : {L::kBandDecrement, L::kBandIncrement}) {
                const uint8_t* p = base.at(b.x0 + x, b.y0 + y);
                const float lum = gfxtest::luminance(p);
                const float keyLum = gfxtest::luminance(s.at(x, y));
                EXPECT_TRUE(std::abs(lum - keyLum) < 25 || lum > keyLum) << x << "," << y;
            }
        }
    EXPECT_GT(window, 20);
}

}  // namespace
