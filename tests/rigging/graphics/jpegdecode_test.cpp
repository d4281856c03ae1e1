#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "jpegtestencoder.h"
#include "rigging/graphics/jpegload.h"

namespace rigging::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Noise in the lower half; the smooth upper half gives long runs of empty bands ahead of
// coded ones.
Bytes greyImage(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes p(std::size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p[y * w + x] =
                static_cast<std::uint8_t>(40 + x * 3 + y * 2 + (2 * y >= h ? rng() % 90 : 0));
    return p;
}

// RGB whose chroma is constant over each cw x ch cell, so subsampling loses nothing and any
// misplaced chroma sample shows; luma varies per pixel in the lower half. Values stay clear of
// clamping.
Bytes colourImage(int w, int h, int cw, int ch, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<double> cb((w / cw + 1) * (h / ch + 1)), cr(cb.size());
    for (std::size_t i = 0; i < cb.size(); ++i) {
        cb[i] = 108.0 + rng() % 41;
        cr[i] = 108.0 + rng() % 41;
    }
    Bytes p(std::size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double luma = 2 * y >= h ? 60.0 + rng() % 131 : 100.0 + x % 7;
            std::size_t cell = std::size_t(y / ch) * (w / cw + 1) + x / cw;
            double b = cb[cell] - 128, r = cr[cell] - 128;
            double rgb[3] = {luma + 1.402 * r, luma - 0.344136 * b - 0.714136 * r,
                             luma + 1.772 * b};
            for (int c = 0; c < 3; ++c)
                p[(y * w + x) * 3 + c] = static_cast<std::uint8_t>(std::lround(rgb[c]));
        }
    return p;
}

struct Error {
    int max = 0;
    double mean = 0;
};
Error compare(const Bytes& a, const Bytes& b) {
    Error e;
    for (std::size_t i = 0; i < a.size(); ++i) {
        int d = std::abs(int(a[i]) - int(b[i]));
        e.max = std::max(e.max, d);
        e.mean += d;
    }
    e.mean /= static_cast<double>(a.size());
    return e;
}

struct Layout {
    int components, h, v;
};
constexpr Layout kLayouts[] = {{1, 1, 1}, {3, 1, 1}, {3, 2, 1}, {3, 1, 2}, {3, 2, 2}};

TEST(JpegDecode, EveryLayoutRoundTripsWithinQuantisationError) {
    // Quantisation step 1: each coefficient is rounded by at most 1/2, which leaves under a level
    // per sample after the transform; colour adds the rounding of the fixed-point conversion
    // (R and B amplify a chroma error by up to 1.772).
    const int sizes[][2] = {{1, 1}, {8, 8}, {17, 9}, {31, 18}, {40, 33}};
    for (const Layout& l : kLayouts) {
        for (const auto& s : sizes) {
            const int w = s[0], h = s[1];
            SCOPED_TRACE(testing::Message() << l.components << " components " << l.h << "x" << l.v
                                            << ", " << w << " x " << h);
            Bytes in =
                l.components == 1 ? greyImage(w, h, w * h) : colourImage(w, h, l.h, l.v, w + h);
            JpegEncodeOptions o;
            o.components = l.components;
            o.lumaH = l.h;
            o.lumaV = l.v;
            DecodedImage d = decodeJpeg(encodeJpeg(in, w, h, o).bytes, -1);
            ASSERT_EQ(d.width, w);
            ASSERT_EQ(d.height, h);
            ASSERT_EQ(d.fileComponents, l.components);
            ASSERT_EQ(d.pixels.size(), in.size());
            Error e = compare(in, d.pixels);
            EXPECT_LE(e.max, l.components == 1 ? 1 : 3);
            EXPECT_LT(e.mean, l.components == 1 ? 0.15 : 0.35);  // 0.125 and 0.29 measured
        }
    }
}

TEST(JpegDecode, RequestedChannelsConvertTheDecodedLine) {
    const int w = 19, h = 11;
    JpegEncodeOptions o;
    o.lumaH = o.lumaV = 2;
    Bytes file = encodeJpeg(colourImage(w, h, 2, 2, 3), w, h, o).bytes;
    DecodedImage rgba = decodeJpeg(file, 4), rgb = decodeJpeg(file, 3), grey = decodeJpeg(file, 1);
    ASSERT_EQ(rgba.pixels.size(), std::size_t(w) * h * 4);
    ASSERT_EQ(rgb.pixels.size(), std::size_t(w) * h * 3);
    ASSERT_EQ(grey.pixels.size(), std::size_t(w) * h);
    EXPECT_EQ(grey.fileComponents, 3);
    for (int i = 0; i < w * h; ++i) {
        const std::uint8_t* p = &rgba.pixels[i * 4];
        ASSERT_EQ(p[3], 255);
        ASSERT_EQ(0, std::memcmp(p, &rgb.pixels[i * 3], 3));
        ASSERT_EQ(grey.pixels[i], (19595 * p[0] + 38470 * p[1] + 7471 * p[2] + 32768) >> 16);
    }

    o.components = 1;
    o.lumaH = o.lumaV = 1;
    Bytes greyFile = encodeJpeg(greyImage(w, h, 5), w, h, o).bytes;
    Bytes g1 = decodeJpeg(greyFile, 1).pixels, g4 = decodeJpeg(greyFile, 4).pixels;
    ASSERT_EQ(g4.size(), std::size_t(w) * h * 4);
    for (int i = 0; i < w * h; ++i)
        ASSERT_EQ(Bytes(&g4[i * 4], &g4[i * 4 + 4]), (Bytes{g1[i], g1[i], g1[i], 255}));
}

TEST(JpegDecode, PixelsFollowExactlyFromTheCodedCoefficients) {
    // Coarse steps, so that any misread symbol, coefficient or chroma sample changes pixels.
    // Progressive scripts carry the same coefficients as the sequential scan; restart intervals
    // only cut the entropy-coded data.
    const std::vector<JpegScanSpec> script = {
        {{1, 2}, 0, 0, 0, 0}, {{0}, 0, 0, 0, 2},  {{0}, 0, 0, 2, 1},  {{0}, 1, 1, 0, 0},
        {{0}, 2, 63, 0, 3},   {{0}, 2, 63, 3, 2}, {{0}, 2, 63, 2, 1}, {{0}, 2, 63, 1, 0},
        {{0}, 0, 0, 1, 0},    {{2}, 1, 63, 0, 0}, {{1}, 1, 9, 0, 1},  {{1}, 10, 63, 0, 0},
        {{1}, 1, 9, 1, 0}};
    int longest = 0;
    for (const Layout& l : kLayouts) {
        for (int size : {0, 1}) {
            const int w = size ? 67 : 17, h = size ? 64 : 9;
            Bytes in = l.components == 1 ? greyImage(w, h, 9) : colourImage(w, h, 1, 1, 9);
            auto check = [&](JpegEncodeOptions o, const char* what) {
                SCOPED_TRACE(testing::Message() << l.components << " components " << l.h << "x"
                                                << l.v << ", " << w << " x " << h << ", " << what);
                o.components = l.components;
                o.lumaH = l.h;
                o.lumaV = l.v;
                o.quantBase = 6;
                o.quantSlope = 1;
                EncodedJpeg e = encodeJpeg(in, w, h, o);
                longest = std::max(longest, e.longestCode);
                EXPECT_EQ(decodeJpeg(e.bytes, l.components == 1 ? 1 : 4).pixels,
                          expectedPixels(e, w, h));
            };
            JpegEncodeOptions o;
            check(o, "sequential");
            o.restartInterval = size ? 11 : 1;
            check(o, "sequential with restarts");
            o.progressive = true;
            o.restartInterval = 0;
            check(o, "progressive");
            o.restartInterval = 3;
            check(o, "progressive with restarts");
            if (l.components == 3) {
                o.scans = script;
                check(o, "progressive, own script");
            }
        }
    }
    EXPECT_GT(longest, 8);  // codes past the 8-bit lookup were decoded too
}

TEST(JpegDecode, SixteenBitQuantisationEntriesAreReadWhole) {
    const int w = 24, h = 16;
    Bytes in = greyImage(w, h, 4);
    JpegEncodeOptions o;
    o.components = 1;
    o.quantBase = 3;
    o.quantSlope = 2;
    Bytes narrow = decodeJpeg(encodeJpeg(in, w, h, o).bytes, 1).pixels;
    o.wideQuant = true;
    EXPECT_EQ(decodeJpeg(encodeJpeg(in, w, h, o).bytes, 1).pixels, narrow);

    // A step of 300: the flat level 200 has DC 576, coded as 2 steps, decoded as
    // ((2 x 300 + 4) >> 3) + 128 = 203.
    o.quantBase = 300;
    o.quantSlope = 0;
    DecodedImage flat = decodeJpeg(encodeJpeg(Bytes(w * h, 200), w, h, o).bytes, 1);
    EXPECT_EQ(flat.pixels, Bytes(w * h, 203));
}

TEST(JpegDecode, MarkerSyntaxAroundTheSegments) {
    const int w = 20, h = 12;
    JpegEncodeOptions o;
    Bytes file = encodeJpeg(colourImage(w, h, 1, 1, 8), w, h, o).bytes;
    Bytes expected = decodeJpeg(file, 3).pixels;
    auto decodesLikeTheFile = [&](Bytes changed, const char* what) {
        EXPECT_EQ(decodeJpeg(changed, 3).pixels, expected) << what;
    };
    Bytes b = file;
    b.insert(b.begin() + 2, 0x00);
    decodesLikeTheFile(b, "FF D8 then a byte other than FF");
    b = file;
    b.insert(b.begin(), {0x12, 0xFF, 0x00, 0x34, 0xFF});
    decodesLikeTheFile(b, "bytes before the start of image");
    b = file;
    long dqt = findMarker(file, 0xDB);
    b.insert(b.begin() + dqt, {0xFF, 0xFF, 0xFF});
    decodesLikeTheFile(b, "fill bytes before a marker");
    b = file;
    b.insert(b.begin() + dqt, {0xFF, 0xE1, 0x00, 0x06, 0xFF, 0xD9, 0xFF, 0xDA});
    decodesLikeTheFile(b, "an application segment holding marker-like bytes");
}

TEST(JpegDecode, AStreamThatEndsEarlyCompletesTheImage) {
    const int w = 64, h = 48;
    JpegEncodeOptions o;
    o.components = 1;
    Bytes file = encodeJpeg(greyImage(w, h, 6), w, h, o).bytes;
    Bytes full = decodeJpeg(file, 1).pixels;
    long scan = findMarker(file, 0xDA);
    DecodedImage d = decodeJpeg(Bytes(file.begin(), file.begin() + (scan + file.size()) / 2), 1);
    ASSERT_EQ(d.width, w);
    ASSERT_EQ(d.height, h);
    ASSERT_EQ(d.pixels.size(), full.size());
    // The first MCU row lies before the cut, the last after it.
    EXPECT_TRUE(std::equal(full.begin(), full.begin() + 8 * w, d.pixels.begin()));
    EXPECT_NE(d.pixels, full);
}

struct TrickleStream {
    const Bytes* data;
    std::size_t pos = 0;
};

// At most 3 bytes a call, so every refill and look-ahead crosses call boundaries.
int trickle(void* user, std::uint8_t* buffer, int maxBytes, bool* eof) {
    auto* s = static_cast<TrickleStream*>(user);
    if (s->pos == s->data->size()) {
        *eof = true;
        return 0;
    }
    int n = static_cast<int>(
        std::min<std::size_t>({3, std::size_t(maxBytes), s->data->size() - s->pos}));
    std::memcpy(buffer, s->data->data() + s->pos, n);
    s->pos += n;
    return n;
}

TEST(JpegDecode, LinesArePulledThroughTheReadCallback) {
    const int w = 33, h = 17;
    JpegEncodeOptions o;
    o.lumaH = 2;
    o.lumaV = 2;
    o.restartInterval = 2;
    Bytes file = encodeJpeg(colourImage(w, h, 2, 2, 12), w, h, o).bytes;
    Bytes expected = decodeJpeg(file, 4).pixels;

    TrickleStream s{&file};
    jpeg_decoder d;
    const std::uint8_t* line = nullptr;
    std::uint32_t length = 0;
    EXPECT_EQ(d.decode(&line, &length), -1);  // no scan yet
    d.decode_init(trickle, &s);
    EXPECT_EQ(d.width(), w);
    EXPECT_EQ(d.height(), h);
    EXPECT_EQ(d.componentCount(), 3);
    d.init_frame();
    EXPECT_EQ(d.bytesPerPixel(), 4);
    d.init_scan();
    Bytes got;
    for (int y = 0; y < h; ++y) {
        ASSERT_EQ(d.decode(&line, &length), 0);
        ASSERT_EQ(length, std::uint32_t(w * 4));
        got.insert(got.end(), line, line + length);
    }
    EXPECT_EQ(d.decode(&line, &length), 1);
    EXPECT_EQ(got, expected);

    int wOut = -1, hOut = -1, cOut = -1;
    EXPECT_TRUE(decompress_jpeg_image_from_stream(nullptr, &s, &wOut, &hOut, &cOut, 3).empty());
    EXPECT_EQ(wOut + hOut + cOut, 0);
    for (int bad : {0, 2, 5, -2}) {
        EXPECT_TRUE(
            decompress_jpeg_image_from_memory({file.data(), file.size()}, &wOut, &hOut, &cOut, bad)
                .empty());
        EXPECT_EQ(wOut + hOut + cOut, 0);
    }
}

TEST(JpegDecode, LargestAcceptedWidth) {
    // 4:2:0 at 16384 pixels: 6144 blocks in an MCU row.
    const int w = jpeg_decoder::kMaxDimension, h = 16;
    Bytes in(std::size_t(w) * h * 3);
    for (std::size_t i = 0; i < in.size(); ++i) in[i] = (i / 3) % w < w / 2 ? 90 : 170;
    JpegEncodeOptions o;
    o.lumaH = o.lumaV = 2;
    DecodedImage d = decodeJpeg(encodeJpeg(in, w, h, o).bytes, 3);
    ASSERT_EQ(d.width, w);
    ASSERT_EQ(d.height, h);
    EXPECT_LE(compare(in, d.pixels).max, 2);
}

}  // namespace
}  // namespace rigging::test
