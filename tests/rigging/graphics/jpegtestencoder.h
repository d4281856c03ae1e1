#pragma once
// A small JPEG encoder that makes the decoder's test files: floating-point forward DCT, one
// linear quantisation table per component class, Huffman tables built from each scan's own
// symbol counts, sequential or progressive (spectral selection and successive approximation)
// scans, optional restart intervals.

#include <cstdint>
#include <vector>

namespace rigging::test {

struct JpegScanSpec {
    std::vector<int> components;  // frame indices, in scan order
    int ss, se, ah, al;
};

struct JpegEncodeOptions {
    int components = 3;  // 1 grey, 3 YCbCr from RGB
    int lumaH = 1;       // luma sampling; chroma is 1 x 1
    int lumaV = 1;
    bool progressive = false;
    std::vector<JpegScanSpec> scans = {};  // progressive scan script; empty: a default one
    int restartInterval = 0;
    int quantBase = 1;  // entry at zigzag index k: quantBase + quantSlope x k
    int quantSlope = 0;
    bool wideQuant = false;  // 16-bit table entries
};

struct EncodedJpeg {
    std::vector<std::uint8_t> bytes;
    int longestCode = 0;  // the longest Huffman code length used
    // What the stream carries: per component its sampling, block grid over the MCUs and
    // quantised coefficients (64 per block, zigzag order); the one quantisation table.
    struct Component {
        int h, v, blocksWide, blocksHigh;
        std::vector<int> coef;
    };
    std::vector<Component> components;
    int quant[64];
};

// pixels: width x height x components bytes, grey or R, G, B.
EncodedJpeg encodeJpeg(const std::vector<std::uint8_t>& pixels, int width, int height,
                       const JpegEncodeOptions& options);

// Offset of the nth marker FF <code> of the stream (headers, and restart markers inside
// entropy-coded data), or -1.
long findMarker(const std::vector<std::uint8_t>& bytes, int code, int nth = 0);

// The pixels a decoder following the JPEG definitions must give for what the stream carries,
// built with the decoder's inverse transform (tested on its own): chroma replicated, the
// fixed-point YCbCr conversion, as RGBA for colour.
std::vector<std::uint8_t> expectedPixels(const EncodedJpeg& e, int width, int height);

struct DecodedImage {
    int width = 0, height = 0, fileComponents = 0;
    std::vector<std::uint8_t> pixels;
};
DecodedImage decodeJpeg(const std::vector<std::uint8_t>& bytes, int requested);

}  // namespace rigging::test
