// Loading embedded image files: PNG colour types, corrupt and unknown data, and colour joined
// with the grey of a second file as alpha.

#include "rigging/graphics/drawex.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "jpegtestencoder.h"
#include "pngwrite.h"
#include "rigging/core/nogc.h"

namespace {

using rigging::loadImageSeparateAlpha;
using rigging::loadOwnedImage;
using rigging::OwnedImage;
using rigging::readImageFromMem;
using rigging::RGBA;

using Bytes = std::vector<std::uint8_t>;

// Distinct, position-dependent channel values.
Bytes pattern(int w, int h, int channels, int seed = 0) {
    Bytes p(static_cast<std::size_t>(w * h * channels));
    for (std::size_t i = 0; i < p.size(); ++i)
        p[i] = static_cast<std::uint8_t>((i * 37 + static_cast<std::size_t>(seed) * 101 + i / 7) &
                                         255);
    return p;
}

Bytes png(const Bytes& pixels, int w, int h, int channels) {
    return pngwrite::encode(pixels.data(), w, h, channels, w * channels);
}

struct Owned {
    OwnedImage<RGBA>* image;
    explicit Owned(OwnedImage<RGBA>* i) : image(i) {}
    ~Owned() { rigging::destroyFree(image); }
    OwnedImage<RGBA>* operator->() const { return image; }
};

TEST(LoadOwnedImage, EveryColourTypeBecomesRgbaWithATightPitch) {
    const int w = 13, h = 5;
    for (int channels : {1, 2, 3, 4}) {
        Bytes src = pattern(w, h, channels, channels);
        Owned img(loadOwnedImage(png(src, w, h, channels)));
        ASSERT_EQ(img->width(), w);
        ASSERT_EQ(img->height(), h);
        EXPECT_EQ(img->pitchInBytes(), 4 * w);
        EXPECT_EQ(img->border(), 0);
        EXPECT_EQ(static_cast<const void*>(img->data()), img->buffer());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint8_t* s = &src[static_cast<std::size_t>((y * w + x) * channels)];
                RGBA want = channels == 1   ? RGBA{s[0], s[0], s[0], 255}
                            : channels == 2 ? RGBA{s[0], s[0], s[0], s[1]}
                            : channels == 3 ? RGBA{s[0], s[1], s[2], 255}
                                            : RGBA{s[0], s[1], s[2], s[3]};
                ASSERT_EQ((*img.image)(x, y), want) << channels << " channels at " << x << "," << y;
            }
    }
}

TEST(LoadOwnedImage, CorruptPngGivesAnEmptyImageAndLoadingGoesOn) {
    Bytes good = png(pattern(4, 4, 3), 4, 4, 3);
    Bytes truncated(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
    Bytes scrambled = good;
    for (std::size_t i = 16; i < scrambled.size(); ++i) scrambled[i] ^= 0x5A;
    Bytes signatureOnly(good.begin(), good.begin() + 8);
    for (const Bytes& bad : {truncated, scrambled, signatureOnly}) {
        Owned img(loadOwnedImage(bad));
        EXPECT_EQ(img->width(), 0);
        EXPECT_EQ(img->height(), 0);
        rigging::IFImage raw = readImageFromMem(bad, 3);
        EXPECT_EQ(raw.width, 0);
        EXPECT_TRUE(raw.pixels.empty());
        EXPECT_EQ(raw.channels, 3);
        EXPECT_EQ(raw.error, 0);
    }
    Owned after(loadOwnedImage(good));
    EXPECT_EQ(after->width(), 4);
    rigging::IFImage raw = readImageFromMem(good, 1);
    EXPECT_EQ(raw.channels, 1);
    EXPECT_EQ(raw.pixels.size(), 16u);
    std::free(raw.pixels.data());
}

using ReadImageDeathTest = ::testing::Test;

TEST_F(ReadImageDeathTest, DataThatIsNeitherPngNorJpegEndsTheProcess) {
    const Bytes one{0x89};
    const Bytes empty;
    const Bytes text{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0};
    const Bytes almostPng{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0B, 0, 0, 0, 0};
    EXPECT_DEATH(loadOwnedImage(one), "too short");
    EXPECT_DEATH(loadOwnedImage(empty), "too short");
    EXPECT_DEATH(loadOwnedImage(text), "unknown format");
    EXPECT_DEATH(loadOwnedImage(almostPng), "unknown format");
}

TEST_F(ReadImageDeathTest, JpegDataTheDecoderCannotReadEndsTheProcess) {
    // FF D8 alone goes to the JPEG decoder, which finds no frame.
    const Bytes soi{0xFF, 0xD8};
    EXPECT_DEATH(loadOwnedImage(soi), "");
    const Bytes soiThenJunk{0xFF, 0xD8, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    EXPECT_DEATH(loadOwnedImage(soiThenJunk), "");
}

TEST(LoadOwnedImage, JpegDataLoadsThroughTheJpegDecoder) {
    const int w = 19, h = 11;
    for (int components : {1, 3}) {
        rigging::test::JpegEncodeOptions options;
        options.components = components;
        options.lumaH = options.lumaV = components == 3 ? 2 : 1;
        rigging::test::EncodedJpeg jpeg =
            rigging::test::encodeJpeg(pattern(w, h, components), w, h, options);
        const std::vector<std::uint8_t> want = rigging::test::expectedPixels(jpeg, w, h);
        Owned img(loadOwnedImage(jpeg.bytes));
        ASSERT_EQ(img->width(), w);
        ASSERT_EQ(img->height(), h);
        EXPECT_EQ(img->pitchInBytes(), 4 * w);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::size_t i = static_cast<std::size_t>(y * w + x);
                RGBA expected = components == 1
                                    ? RGBA{want[i], want[i], want[i], 255}
                                    : RGBA{want[4 * i], want[4 * i + 1], want[4 * i + 2], 255};
                ASSERT_EQ((*img.image)(x, y), expected) << components << " at " << x << "," << y;
            }
        // As an alpha file its grey becomes the alpha.
        if (components == 1) {
            Owned joined(loadImageSeparateAlpha(png(pattern(w, h, 3), w, h, 3), jpeg.bytes));
            EXPECT_EQ((*joined.image)(5, 7).a, want[7 * w + 5]);
        }
    }
}

TEST(LoadImageSeparateAlpha, ColourFromOneFileAlphaFromTheGreyOfTheOther) {
    const int w = 9, h = 4;
    Bytes colour = pattern(w, h, 4, 1);  // its own alpha is dropped
    Bytes alpha = pattern(w, h, 4, 2);   // only its grey counts, not its alpha
    Owned img(loadImageSeparateAlpha(png(colour, w, h, 4), png(alpha, w, h, 4)));
    ASSERT_EQ(img->width(), w);
    ASSERT_EQ(img->height(), h);
    EXPECT_EQ(img->pitchInBytes(), 4 * w);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::size_t i = static_cast<std::size_t>((y * w + x) * 4);
            int grey = (77 * alpha[i] + 150 * alpha[i + 1] + 29 * alpha[i + 2]) >> 8;
            ASSERT_EQ((*img.image)(x, y), (RGBA{colour[i], colour[i + 1], colour[i + 2],
                                                static_cast<std::uint8_t>(grey)}))
                << x << "," << y;
        }
    // An RGB alpha file and a grey one work the same way.
    Bytes greyFile = pattern(w, h, 1, 3);
    Owned g(loadImageSeparateAlpha(png(colour, w, h, 4), png(greyFile, w, h, 1)));
    EXPECT_EQ((*g.image)(3, 2).a, greyFile[2 * w + 3]);
}

TEST(LoadImageSeparateAlpha, TwoCorruptFilesGiveAnEmptyImage) {
    const Bytes bad{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 1, 2, 3};
    Owned img(loadImageSeparateAlpha(bad, bad));
    EXPECT_EQ(img->width(), 0);
    EXPECT_EQ(img->height(), 0);
}

using LoadImageSeparateAlphaDeathTest = ::testing::Test;

TEST_F(LoadImageSeparateAlphaDeathTest, FilesOfDifferentSizesEndTheProcess) {
    Bytes a = png(pattern(10, 7, 3), 10, 7, 3);
    Bytes b = png(pattern(10, 6, 3), 10, 6, 3);
    Bytes c = png(pattern(9, 7, 3), 9, 7, 3);
    const Bytes corrupt{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 1, 2, 3};
    EXPECT_DEATH(loadImageSeparateAlpha(a, b), "differ in size");
    EXPECT_DEATH(loadImageSeparateAlpha(a, c), "differ in size");
    EXPECT_DEATH(loadImageSeparateAlpha(a, corrupt), "differ in size");
}

}  // namespace
