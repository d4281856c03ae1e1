// The default editor against the picture committed beside this test. The lighting uses the
// processor's inverse square root, which rounds differently between vendors, so a channel may
// differ by up to two levels on at most half a percent of the pixels. On a mismatch the render
// is written next to the test binary for a look.
//
// After an intended change of the editor's look, regenerate the picture with
//   build/tools/brindlewave-snapshot tests/brindlewave/golden/default_editor.png
// and look at it before committing.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "editorreference.h"
#include "pngwrite.h"
#include "rigging/core/nogc.h"
#include "rigging/graphics/drawex.h"

namespace {

constexpr int kMaxChannelDifference = 2;
constexpr double kMaxDifferingShare = 0.005;

std::vector<std::uint8_t> readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(GoldenEditor, TheDefaultEditorLooksAsCommitted) {
    const std::vector<std::uint8_t> png = readFile(BRINDLEWAVE_GOLDEN_EDITOR);
    ASSERT_FALSE(png.empty()) << BRINDLEWAVE_GOLDEN_EDITOR;
    rigging::OwnedImage<rigging::RGBA>* golden = rigging::loadOwnedImage(png);
    ASSERT_EQ(golden->width(), editorreference::kWidth);
    ASSERT_EQ(golden->height(), editorreference::kHeight);

    // The same ticks as the snapshot tool's default.
    const std::vector<std::uint32_t> render = editorreference::renderDefaultEditor(1);
    int differing = 0, worst = 0;
    for (int y = 0; y < golden->height(); ++y)
        for (int x = 0; x < golden->width(); ++x) {
            const rigging::RGBA g = (*golden)(x, y);
            const std::uint32_t r = render[static_cast<std::size_t>(y) * golden->width() + x];
            const int d =
                std::max({std::abs(int((r >> 16) & 255) - g.r), std::abs(int((r >> 8) & 255) - g.g),
                          std::abs(int(r & 255) - g.b)});
            differing += d > 0;
            worst = std::max(worst, d);
        }
    rigging::destroyFree(golden);
    const double share = static_cast<double>(differing) / (1000.0 * 700.0);
    EXPECT_LE(worst, kMaxChannelDifference);
    EXPECT_LE(share, kMaxDifferingShare) << differing << " pixels differ";
    if (worst > kMaxChannelDifference || share > kMaxDifferingShare) {
        std::vector<std::uint8_t> rgb;
        rgb.reserve(render.size() * 3);
        for (std::uint32_t p : render) {
            rgb.push_back(std::uint8_t(p >> 16));
            rgb.push_back(std::uint8_t(p >> 8));
            rgb.push_back(std::uint8_t(p));
        }
        pngwrite::writeFile("default_editor_actual.png", rgb.data(), 1000, 700, 3, 3000);
    }
}

}  // namespace
