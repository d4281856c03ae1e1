// The committed pictures are the generator's output: regenerate and compare.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "artwork.h"
#include "brindlewave/gfx/resources.h"
#include "committedart.h"
#include "pngio.h"
#include "text.h"

namespace {

using namespace gfxgen;

TEST(Regenerate, TwoRunsGiveTheSamePixelsAndMatchTheCommittedFiles) {
    const Font font(gfxtest::gfxPath(brindlewave::gfx::kFont));
    ASSERT_TRUE(font.ok());
    const std::vector<ArtFile> first = generateArtwork(font);
    const std::vector<ArtFile> second = generateArtwork(font);
    ASSERT_EQ(first.size(), 19u);
    ASSERT_EQ(second.size(), first.size());
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].name, second[i].name);
        EXPECT_TRUE(first[i].image.px == second[i].image.px) << first[i].name;
    }

    // Written to a fresh folder and read back, each file matches the committed one. A level of
    // difference on a few pixels is allowed for last-bit differences of libm between machines.
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("gfxgen-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string error;
    ASSERT_TRUE(writeArtwork(first, dir.string(), error)) << error;
    for (const ArtFile& f : first) {
        const Image8 fresh = readPng((dir / f.name).string(), 4);
        const Image8& committed = gfxtest::committed(f.name);
        ASSERT_EQ(fresh.w, committed.w) << f.name;
        ASSERT_EQ(fresh.h, committed.h) << f.name;
        size_t differing = 0;
        int worst = 0;
        for (size_t k = 0; k < fresh.px.size(); k += 4) {
            int d = 0;
            for (int c = 0; c < 4; ++c)
                d = std::max(d, std::abs(fresh.px[k + c] - committed.px[k + c]));
            if (d > 0) ++differing;
            worst = std::max(worst, d);
        }
        EXPECT_LE(worst, 1) << f.name << " (run the regen-gfx target after changing the generator)";
        EXPECT_LE(differing, fresh.px.size() / 4 / 1000) << f.name;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
