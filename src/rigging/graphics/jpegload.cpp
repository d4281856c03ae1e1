#include "rigging/graphics/jpegload.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "rigging/graphics/jpegerrors.h"

namespace rigging {
namespace {

constexpr int kSof0 = 0xC0, kSof1 = 0xC1, kSof2 = 0xC2, kDht = 0xC4, kJpg = 0xC8;
constexpr int kSof9 = 0xC9, kDac = 0xCC, kRst0 = 0xD0, kRst7 = 0xD7, kSoi = 0xD8, kEoi = 0xD9;
constexpr int kSos = 0xDA, kDqt = 0xDB, kDri = 0xDD, kTem = 0x01;

bool isFrameMarker(int m) noexcept {
    return m >= 0xC0 && m <= 0xCF && m != kDht && m != kJpg && m != kDac;
}

[[noreturn]] void fatalJpegError(int code) noexcept {
    char msg[48];
    int n = std::snprintf(msg, sizeof msg, "JPEG decoder error %d\n", code);
    // write(2) allocates nothing; the decoder may have failed for want of memory.
    ssize_t ignored = ::write(2, msg, static_cast<std::size_t>(n));
    (void)ignored;
    std::abort();
}

}  // namespace

jpeg_decoder::jpeg_decoder() noexcept {
    for (int& z : maxZag_) z = 64;
    std::memset(inBuf_, 0, sizeof inBuf_);
    std::memset(crToR_, 0, sizeof crToR_);
    std::memset(cbToB_, 0, sizeof cbToB_);
    std::memset(crToG_, 0, sizeof crToG_);
    std::memset(cbToG_, 0, sizeof cbToG_);
}

void jpeg_decoder::stop(int code) noexcept {
    errorCode_ = code;
    ready_ = false;
    blocks_.releaseAll();
    fatalJpegError(code);
}

void* jpeg_decoder::allocate(std::size_t n, bool zeroed) {
    void* p = zeroed ? blocks_.allocateZeroed(n) : blocks_.allocate(n);
    if (p == nullptr) stop(kJpegOutOfMemory);
    return p;
}

// ---- Input bytes ----

void jpeg_decoder::fillInput() {
    if (read_ == nullptr) eof_ = true;  // no input: the stream reads as end-of-image markers
    if (eof_) return;
    int keep = inEnd_ - inPos_;
    if (keep > 0 && inPos_ > 0)
        std::memmove(inBuf_, inBuf_ + inPos_, static_cast<std::size_t>(keep));
    inPos_ = 0;
    inEnd_ = keep;
    while (inEnd_ < kInputBufferSize && !eof_) {
        int want = kInputBufferSize - inEnd_;
        int got = read_(user_, inBuf_ + inEnd_, want, &eof_);
        // A count beyond the request would have written past the buffer.
        if (got < 0 || got > want) stop(kJpegReadFailed);
        if (got == 0) eof_ = true;
        inEnd_ += got;
        totalBytesRead_ += static_cast<std::size_t>(got);
    }
}

std::uint8_t jpeg_decoder::peekByte(int ahead) {
    if (inEnd_ - inPos_ <= ahead) fillInput();
    int avail = inEnd_ - inPos_;
    if (ahead < avail) return inBuf_[inPos_ + ahead];
    return ((padPhase_ + static_cast<std::uint32_t>(ahead - avail)) & 1) ? 0xD9 : 0xFF;
}

void jpeg_decoder::skipByte() {
    if (inPos_ < inEnd_)
        ++inPos_;
    else
        ++padPhase_;
}

std::uint8_t jpeg_decoder::getByte() {
    std::uint8_t b = peekByte(0);
    skipByte();
    return b;
}

int jpeg_decoder::get16() {
    int hi = getByte();
    return (hi << 8) | getByte();
}

// ---- Markers and headers ----

void jpeg_decoder::locateSoi() {
    int last = getByte();
    int cur = getByte();
    if (last == 0xFF && cur == kSoi) return;
    for (int i = 0; i < 4095; ++i) {
        last = cur;
        cur = getByte();
        if (last != 0xFF) continue;
        if (cur == kSoi) {
            if (peekByte(0) != 0xFF) stop(kJpegNotJpeg);
            return;
        }
        if (cur == kEoi) stop(kJpegNotJpeg);
    }
    stop(kJpegNotJpeg);
}

int jpeg_decoder::processMarkers() {
    for (;;) {
        if (getByte() != 0xFF) continue;
        int m;
        do m = getByte();
        while (m == 0xFF);
        if (m == 0) continue;
        if (isFrameMarker(m) || m == kSoi || m == kEoi || m == kSos) return m;
        if (m == kDht) {
            readDht();
        } else if (m == kDqt) {
            readDqt();
        } else if (m == kDri) {
            if (get16() != 4) stop(kJpegDriBadLength);
            restartInterval_ = get16();
        } else if (m == kDac) {
            stop(kJpegArithmeticCoding);
        } else if (m == kTem || m == kJpg || (m >= kRst0 && m <= kRst7)) {
            stop(kJpegUnexpectedMarker);
        } else {
            skipVariableMarker();
        }
    }
}

void jpeg_decoder::skipVariableMarker() {
    int length = get16();
    if (length < 2) stop(kJpegBadMarkerLength);
    for (int i = 2; i < length; ++i) getByte();
}

void jpeg_decoder::readDht() {
    int left = get16();
    if (left < 2) stop(kJpegDhtBadLength);
    left -= 2;
    while (left > 0) {
        int index = getByte();
        int slot = (index & 15) + ((index & 0x10) ? 4 : 0);
        if (slot >= 8) stop(kJpegDhtBadSlot);
        std::uint8_t counts[17];
        counts[0] = 0;
        int total = 0;
        for (int l = 1; l <= 16; ++l) {
            counts[l] = getByte();
            total += counts[l];
        }
        if (total > 255) stop(kJpegDhtTooManyCodes);
        if (left < 17 + total) stop(kJpegDhtBadLength);
        JpegHuffmanTable* t = huff_[slot];
        if (t == nullptr) {
            t = static_cast<JpegHuffmanTable*>(allocate(sizeof(JpegHuffmanTable), true));
            huff_[slot] = t;
        }
        std::memcpy(t->counts, counts, sizeof counts);
        std::memset(t->values, 0, sizeof t->values);
        for (int i = 0; i < total; ++i) t->values[i] = getByte();
        buildJpegHuffmanTable(*t);
        left -= 17 + total;
    }
}

void jpeg_decoder::readDqt() {
    int left = get16();
    if (left < 2) stop(kJpegDqtBadLength);
    left -= 2;
    while (left > 0) {
        int b = getByte();
        int n = b & 15;
        bool wide = (b >> 4) != 0;
        if (n >= 4) stop(kJpegDqtBadTable);
        int size = wide ? 129 : 65;
        if (left < size) stop(kJpegDqtLengthMismatch);
        if (quant_[n] == nullptr) quant_[n] = static_cast<std::uint16_t*>(allocate(128, false));
        for (int k = 0; k < 64; ++k)
            quant_[n][k] = static_cast<std::uint16_t>(wide ? get16() : getByte());
        left -= size;
    }
}

void jpeg_decoder::readSof() {
    int length = get16();
    if (getByte() != 8) stop(kJpegBadPrecision);
    height_ = get16();
    if (height_ < 1 || height_ > kMaxDimension) stop(kJpegBadHeight);
    width_ = get16();
    if (width_ < 1 || width_ > kMaxDimension) stop(kJpegBadWidth);
    compCount_ = getByte();
    if (compCount_ > 4) stop(kJpegTooManyComponents);
    if (length != 8 + 3 * compCount_) stop(kJpegSofBadLength);
    for (int i = 0; i < compCount_; ++i) {
        Component& c = comps_[i];
        c.id = getByte();
        int hv = getByte();
        c.h = hv >> 4;
        c.v = hv & 15;
        c.quant = getByte();
    }
}

void jpeg_decoder::readSos() {
    int length = get16();
    int n = getByte();
    if (n < 1 || n > 4 || length != 6 + 2 * n) stop(kJpegSosBadLength);
    for (int i = 0; i < n; ++i) {
        int id = getByte();
        int tables = getByte();
        int c = 0;
        while (c < compCount_ && comps_[c].id != id) ++c;
        if (c == compCount_) stop(kJpegSosBadComponent);
        // Each component at most once: a sequential row must get every block it has.
        for (int j = 0; j < i; ++j)
            if (scanComp_[j] == c) stop(kJpegSosBadComponent);
        scanComp_[i] = c;
        scanDc_[i] = tables >> 4;
        scanAc_[i] = (tables & 15) + 4;
    }
    scanCount_ = n;
    spectralStart_ = getByte();
    spectralEnd_ = getByte();
    int approx = getByte();
    approxHigh_ = approx >> 4;
    approxLow_ = approx & 15;

    if (!progressive_) {
        spectralStart_ = 0;
        spectralEnd_ = 63;
        // The row decoder needs every frame component interleaved in the one scan.
        if (n != compCount_) stop(kJpegSosBadLength);
    } else {
        int ss = spectralStart_, se = spectralEnd_;
        if (ss > se || se > 63 || (ss == 0 && se != 0) || (ss > 0 && n != 1))
            stop(kJpegBadSpectralSelection);
        if (approxHigh_ != 0 && approxLow_ != approxHigh_ - 1)
            stop(kJpegBadSuccessiveApproximation);
    }
    for (int i = 0; i < n; ++i) {
        int q = comps_[scanComp_[i]].quant;
        if (q >= 4 || quant_[q] == nullptr) stop(kJpegUndefinedQuantTable);
    }
    for (int i = 0; i < n; ++i) {
        if (spectralStart_ == 0 && (scanDc_[i] >= 4 || huff_[scanDc_[i]] == nullptr))
            stop(kJpegUndefinedHuffmanTable);
        if (spectralEnd_ > 0 && (scanAc_[i] >= 8 || huff_[scanAc_[i]] == nullptr))
            stop(kJpegUndefinedHuffmanTable);
    }

    for (int& p : dcPred_) p = 0;
    eobRun_ = 0;
    restartsLeft_ = restartInterval_;
    nextRestart_ = 0;
    resetBits();
}

// ---- Set-up ----

void jpeg_decoder::decode_init(jpeg_read_callback read, void* user) {
    read_ = read;
    user_ = user;
    fillInput();
    resetBits();
    locateSoi();
    int m = processMarkers();
    if (m == kSof0 || m == kSof1) {
        readSof();
    } else if (m == kSof2) {
        progressive_ = true;
        readSof();
    } else if (m == kSof9) {
        stop(kJpegArithmeticCoding);
    } else {
        stop(kJpegUnsupportedProcess);
    }
}

void jpeg_decoder::init_frame() {
    if (compCount_ != 1 && compCount_ != 3) stop(kJpegUnsupportedColourSpace);
    const Component& y = comps_[0];
    if (compCount_ == 1) {
        if (y.h != 1 || y.v != 1) stop(kJpegUnsupportedSampling);
        scanType_ = kGrey;
    } else {
        for (int i = 1; i < 3; ++i)
            if (comps_[i].h != 1 || comps_[i].v != 1) stop(kJpegUnsupportedSampling);
        if (y.h == 1 && y.v == 1)
            scanType_ = kYH1V1;
        else if (y.h == 2 && y.v == 1)
            scanType_ = kYH2V1;
        else if (y.h == 1 && y.v == 2)
            scanType_ = kYH1V2;
        else if (y.h == 2 && y.v == 2)
            scanType_ = kYH2V2;
        else
            stop(kJpegUnsupportedSampling);
    }
    maxH_ = y.h;
    maxV_ = y.v;
    mcuWidth_ = 8 * y.h;
    mcuHeight_ = 8 * y.v;
    blocksPerMcu_ = y.h * y.v + (compCount_ - 1);
    mcusPerRow_ = (width_ + mcuWidth_ - 1) / mcuWidth_;
    mcusPerCol_ = (height_ + mcuHeight_ - 1) / mcuHeight_;
    bytesPerPixel_ = compCount_ == 1 ? 1 : 4;
    for (int i = 0, slot = 0; i < compCount_; ++i) {
        Component& c = comps_[i];
        slotBase_[i] = slot;
        slot += c.h * c.v;
        c.blocksWide = mcusPerRow_ * c.h;
        c.blocksHigh = mcusPerCol_ * c.v;
    }

    std::size_t lineBytes = static_cast<std::size_t>((width_ + 15) & ~15) * bytesPerPixel_;
    scanLine0_ = static_cast<std::uint8_t*>(allocate(lineBytes, true));
    if (y.v == 2) scanLine1_ = static_cast<std::uint8_t*>(allocate(lineBytes, true));
    mcuCoeffs_ = static_cast<std::int16_t*>(allocate(blocksPerMcu_ * 64 * 2, true));
    blocksPerMcuRow_ = blocksPerMcu_ * mcusPerRow_;
    if (blocksPerMcuRow_ > kMaxBlocksPerMcuRow) stop(kJpegTooManyBlocks);
    rowSamples_ = static_cast<std::uint8_t*>(allocate(std::size_t(blocksPerMcuRow_) * 64, true));
    totalLinesLeft_ = height_;

    // 1.402, 1.772, 0.71414 and 0.34414 in 16-bit fixed point.
    for (int i = 0; i < 256; ++i) {
        int k = i - 128;
        crToR_[i] = (91881 * k + 32768) >> 16;
        cbToB_[i] = (116130 * k + 32768) >> 16;
        crToG_[i] = -46802 * k;
        cbToG_[i] = -22554 * k + 32768;
    }
}

void jpeg_decoder::init_scan() {
    if (processMarkers() != kSos) stop(kJpegUnexpectedMarker);
    readSos();
    mcuRowsDone_ = 0;
    mcuLinesLeft_ = 0;
    ready_ = true;
}

void jpeg_decoder::init_progressive() {
    if (compCount_ == 4) stop(kJpegUnsupportedColourSpace);
    for (int i = 0; i < compCount_; ++i) {
        Component& c = comps_[i];
        std::size_t blocks = std::size_t(c.blocksWide) * std::size_t(c.blocksHigh);
        c.dcCoeffs = static_cast<std::int16_t*>(allocate(blocks * 2, true));
        c.acCoeffs = static_cast<std::int16_t*>(allocate(blocks * 128, true));
    }
    for (;;) {
        int m = processMarkers();
        if (m == kEoi) break;
        if (m != kSos) stop(kJpegUnexpectedMarker);
        readSos();
        decodeProgressiveScan();
        resetBits();
    }
    // Every component is dequantised for output, also one that no scan named.
    for (int i = 0; i < compCount_; ++i) {
        int q = comps_[i].quant;
        if (q >= 4 || quant_[q] == nullptr) stop(kJpegUndefinedQuantTable);
    }
    mcuRowsDone_ = 0;
    mcuLinesLeft_ = 0;
    ready_ = true;
}

// ---- Whole images ----

int read_from_memory_callback(void* user, std::uint8_t* buffer, int maxBytes,
                              bool* endOfFile) noexcept {
    auto* s = static_cast<jpeg_memory_stream*>(user);
    if (s->position >= s->size) {
        *endOfFile = true;
        return 0;
    }
    std::size_t n = s->size - s->position;
    if (maxBytes < 0) maxBytes = 0;
    if (n > static_cast<std::size_t>(maxBytes)) n = static_cast<std::size_t>(maxBytes);
    std::memcpy(buffer, s->data + s->position, n);
    s->position += n;
    return static_cast<int>(n);
}

std::span<std::uint8_t> decompress_jpeg_image_from_stream(jpeg_read_callback read, void* user,
                                                          int* width, int* height,
                                                          int* fileComponents,
                                                          int requestedComponents) {
    *width = 0;
    *height = 0;
    *fileComponents = 0;
    int req = requestedComponents;
    if (read == nullptr || (req != -1 && req != 1 && req != 3 && req != 4)) return {};

    jpeg_decoder d;
    d.decode_init(read, user);
    int w = d.width(), h = d.height(), comps = d.componentCount();
    *width = w;
    *height = h;
    *fileComponents = comps;
    if (req == -1) req = comps;
    d.init_frame();
    if (d.isProgressive())
        d.init_progressive();
    else
        d.init_scan();

    std::size_t rowBytes = std::size_t(w) * std::size_t(req);
    std::size_t bytes = rowBytes * std::size_t(h);
    auto* out = static_cast<std::uint8_t*>(std::malloc(bytes));
    if (out == nullptr) return {};

    for (int y = 0; y < h; ++y) {
        const std::uint8_t* line;
        std::uint32_t length;
        if (d.decode(&line, &length) != 0) {
            std::free(out);
            return {};
        }
        std::uint8_t* dst = out + rowBytes * std::size_t(y);
        if (comps == 1) {
            for (int x = 0; x < w; ++x, dst += req) {
                std::uint8_t g = line[x];
                if (req == 1) {
                    dst[0] = g;
                } else {
                    dst[0] = dst[1] = dst[2] = g;
                    if (req == 4) dst[3] = 255;
                }
            }
        } else if (req == 4) {
            std::memcpy(dst, line, rowBytes);
        } else {
            for (int x = 0; x < w; ++x, dst += req, line += 4) {
                if (req == 1) {
                    dst[0] = static_cast<std::uint8_t>(
                        (19595 * line[0] + 38470 * line[1] + 7471 * line[2] + 32768) >> 16);
                } else {
                    dst[0] = line[0];
                    dst[1] = line[1];
                    dst[2] = line[2];
                }
            }
        }
    }
    return {out, bytes};
}

std::span<std::uint8_t> decompress_jpeg_image_from_memory(std::span<const std::uint8_t> data,
                                                          int* width, int* height,
                                                          int* fileComponents,
                                                          int requestedComponents) {
    *width = 0;
    *height = 0;
    *fileComponents = 0;
    jpeg_memory_stream stream{data.size(), data.data(), 0};
    return decompress_jpeg_image_from_stream(read_from_memory_callback, &stream, width, height,
                                             fileComponents, requestedComponents);
}

}  // namespace rigging
