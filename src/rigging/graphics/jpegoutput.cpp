// Output lines: chroma upsampling by replication and YCbCr to RGB conversion.

#include <cstring>

#include "rigging/graphics/jpegload.h"

namespace rigging {
namespace {

inline std::uint8_t clamp255(int v) noexcept {
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

}  // namespace

void jpeg_decoder::storePixel(std::uint8_t* p, int y, int cb, int cr) const noexcept {
    p[0] = clamp255(y + crToR_[cr]);
    p[1] = clamp255(y + ((cbToG_[cb] + crToG_[cr]) >> 16));
    p[2] = clamp255(y + cbToB_[cb]);
    p[3] = 255;
}

// Line y of the current MCU row (y even for the vertically subsampled types, which also fill
// line y + 1 into scan line 1).
void jpeg_decoder::convertLine(int y) {
    const std::uint8_t* samples = rowSamples_;
    const int mcuBytes = blocksPerMcu_ * 64;
    std::uint8_t* out0 = scanLine0_;
    std::uint8_t* out1 = scanLine1_;
    for (int mx = 0; mx < mcusPerRow_; ++mx, samples += mcuBytes) {
        switch (scanType_) {
            case kGrey:
                std::memcpy(out0 + mx * 8, samples + y * 8, 8);
                break;
            case kYH1V1: {
                const std::uint8_t* ys = samples + y * 8;
                const std::uint8_t* cb = samples + 64 + y * 8;
                const std::uint8_t* cr = samples + 128 + y * 8;
                for (int x = 0; x < 8; ++x)
                    storePixel(out0 + (mx * 8 + x) * 4, ys[x], cb[x], cr[x]);
                break;
            }
            case kYH2V1: {
                const std::uint8_t* cb = samples + 128 + y * 8;
                const std::uint8_t* cr = samples + 192 + y * 8;
                for (int x = 0; x < 16; ++x) {
                    int luma = samples[(x >> 3) * 64 + y * 8 + (x & 7)];
                    storePixel(out0 + (mx * 16 + x) * 4, luma, cb[x >> 1], cr[x >> 1]);
                }
                break;
            }
            case kYH1V2: {
                const std::uint8_t* ys = samples + (y >> 3) * 64 + (y & 7) * 8;
                const std::uint8_t* cb = samples + 128 + (y >> 1) * 8;
                const std::uint8_t* cr = samples + 192 + (y >> 1) * 8;
                for (int x = 0; x < 8; ++x) {
                    storePixel(out0 + (mx * 8 + x) * 4, ys[x], cb[x], cr[x]);
                    storePixel(out1 + (mx * 8 + x) * 4, ys[8 + x], cb[x], cr[x]);
                }
                break;
            }
            case kYH2V2: {
                const std::uint8_t* ys = samples + (y >> 3) * 128 + (y & 7) * 8;
                const std::uint8_t* cb = samples + 256 + (y >> 1) * 8;
                const std::uint8_t* cr = samples + 320 + (y >> 1) * 8;
                for (int x = 0; x < 16; ++x) {
                    const std::uint8_t* yx = ys + (x >> 3) * 64 + (x & 7);
                    storePixel(out0 + (mx * 16 + x) * 4, yx[0], cb[x >> 1], cr[x >> 1]);
                    storePixel(out1 + (mx * 16 + x) * 4, yx[8], cb[x >> 1], cr[x >> 1]);
                }
                break;
            }
        }
    }
}

int jpeg_decoder::decode(const std::uint8_t** line, std::uint32_t* lengthBytes) {
    if (!ready_) return -1;
    if (totalLinesLeft_ == 0) return 1;
    if (mcuLinesLeft_ == 0) {
        if (progressive_)
            load_next_row();
        else
            decode_next_row();
        mcuLinesLeft_ = mcuHeight_;
    }
    int y = mcuHeight_ - mcuLinesLeft_;
    const std::uint8_t* result = scanLine0_;
    bool subsampledV = scanType_ == kYH1V2 || scanType_ == kYH2V2;
    if (subsampledV && (y & 1) != 0)
        result = scanLine1_;
    else
        convertLine(y);
    --mcuLinesLeft_;
    --totalLinesLeft_;
    *line = result;
    *lengthBytes = static_cast<std::uint32_t>(width_ * bytesPerPixel_);
    return 0;
}

}  // namespace rigging
