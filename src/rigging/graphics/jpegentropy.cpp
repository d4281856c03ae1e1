// Entropy-coded data: bit reading, Huffman symbols, restart markers, and the block decoders of
// the sequential and progressive processes.

#include <cstring>

#include "rigging/graphics/jpegerrors.h"
#include "rigging/graphics/jpegidct.h"
#include "rigging/graphics/jpegload.h"
#include "rigging/graphics/jpegzigzag.h"

namespace rigging {
namespace {

constexpr int kRst0 = 0xD0;

// The signed value of an s-bit magnitude field.
inline int extend(std::uint32_t v, int s) noexcept {
    return v < (1u << (s - 1)) ? static_cast<int>(v) - (1 << s) + 1 : static_cast<int>(v);
}

// Coefficient arithmetic wraps to 16 bits, as the stored value does; only corrupt data gets there.
inline std::int16_t wrap16(std::int64_t v) noexcept {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(v & 0xFFFF));
}

}  // namespace

void jpeg_decoder::resetBits() noexcept {
    bitBuf_ = 0;
    bitsLeft_ = 0;
}

// A byte of entropy-coded data: FF 00 is FF; a marker is left in place and reads as FF for as
// long as the decoder asks, so the following marker search finds it.
std::uint8_t jpeg_decoder::entropyByte() {
    if (inEnd_ - inPos_ >= 2) {
        std::uint8_t b = inBuf_[inPos_];
        if (b != 0xFF) {
            ++inPos_;
            return b;
        }
        if (inBuf_[inPos_ + 1] == 0) inPos_ += 2;
        return 0xFF;
    }
    std::uint8_t b = peekByte(0);
    if (b != 0xFF) {
        skipByte();
        return b;
    }
    if (peekByte(1) == 0) {
        skipByte();
        skipByte();
    }
    return 0xFF;
}

void jpeg_decoder::fillBits() {
    while (bitsLeft_ <= 24) {
        bitBuf_ |= static_cast<std::uint32_t>(entropyByte()) << (24 - bitsLeft_);
        bitsLeft_ += 8;
    }
}

std::uint32_t jpeg_decoder::getBits(int n) {
    if (n <= 0) return 0;
    if (bitsLeft_ < n) fillBits();
    std::uint32_t v = bitBuf_ >> (32 - n);
    bitBuf_ <<= n;
    bitsLeft_ -= n;
    return v;
}

int jpeg_decoder::decodeHuffman(const JpegHuffmanTable& t) {
    if (bitsLeft_ < 16) fillBits();
    std::uint32_t entry = t.lookup[bitBuf_ >> 24];
    int length;
    int symbol;
    if (entry != 0) {
        length = static_cast<int>(entry >> 8);
        symbol = static_cast<int>(entry & 0xFF);
    } else {
        // No code of 16 bits or less matches: corrupt data, read as symbol 0 (a zero DC
        // difference, an end of block) so that the image completes.
        length = 16;
        symbol = 0;
        for (int l = 9; l <= 16; ++l) {
            auto code = static_cast<std::int32_t>(bitBuf_ >> (32 - l));
            if (code >= t.minCode[l] && code <= t.maxCode[l]) {
                length = l;
                symbol = t.values[t.valueOffset[l] + (code - t.minCode[l])];
                break;
            }
        }
    }
    bitBuf_ <<= length;
    bitsLeft_ -= length;
    return symbol;
}

int jpeg_decoder::decodeDcDifference(const JpegHuffmanTable& t) {
    int s = decodeHuffman(t);
    // A table may hold any byte as a DC size; more than 16 bits cannot be a difference.
    if (s > 16) stop(kJpegBadEntropyData);
    return s == 0 ? 0 : extend(getBits(s), s);
}

void jpeg_decoder::countRestart() {
    if (restartInterval_ == 0) return;
    if (restartsLeft_ == 0) processRestart();
    --restartsLeft_;
}

void jpeg_decoder::processRestart() {
    int searched = 0;
    while (searched < 1536 && peekByte(0) != 0xFF) {
        skipByte();
        ++searched;
    }
    if (searched == 1536) stop(kJpegBadRestart);
    while (peekByte(0) == 0xFF) skipByte();
    if (getByte() != kRst0 + nextRestart_) stop(kJpegBadRestart);
    for (int& p : dcPred_) p = 0;
    eobRun_ = 0;
    restartsLeft_ = restartInterval_;
    nextRestart_ = (nextRestart_ + 1) & 7;
    resetBits();
}

// ---- Sequential ----

void jpeg_decoder::decodeSequentialBlock(int slot, int comp, const JpegHuffmanTable& dc,
                                         const JpegHuffmanTable& ac, const std::uint16_t* quant) {
    std::int16_t* block = mcuCoeffs_ + slot * 64;
    int pred = static_cast<int>(static_cast<std::uint32_t>(dcPred_[comp]) +
                                static_cast<std::uint32_t>(decodeDcDifference(dc)));
    dcPred_[comp] = pred;
    block[0] = wrap16(std::int64_t(pred) * quant[0]);

    int k = 1;
    while (k < 64) {
        int rs = decodeHuffman(ac);
        int r = rs >> 4;
        int s = rs & 15;
        if (s != 0) {
            if (k + r > 63) stop(kJpegBadEntropyData);
            for (; r > 0; --r) block[kJpegZigzag[k++]] = 0;
            int v = extend(getBits(s), s);
            block[kJpegZigzag[k]] = wrap16(std::int64_t(v) * quant[k]);
            ++k;
        } else if (r == 15) {
            if (k > 48) stop(kJpegBadEntropyData);
            for (int i = 0; i < 16; ++i) block[kJpegZigzag[k++]] = 0;
        } else {
            break;
        }
    }
    // Positions from k on are zero; only those the last block here used need clearing.
    for (int i = k; i < maxZag_[slot]; ++i) block[kJpegZigzag[i]] = 0;
    maxZag_[slot] = k;
}

void jpeg_decoder::transformMcu(int mcuColumn) {
    std::uint8_t* out = rowSamples_ + std::size_t(mcuColumn) * blocksPerMcu_ * 64;
    for (int s = 0; s < blocksPerMcu_; ++s) jpegIdct(mcuCoeffs_ + s * 64, maxZag_[s], out + s * 64);
}

void jpeg_decoder::decode_next_row() {
    for (int mx = 0; mx < mcusPerRow_; ++mx) {
        countRestart();
        for (int i = 0; i < scanCount_; ++i) {
            int c = scanComp_[i];
            const Component& comp = comps_[c];
            const JpegHuffmanTable& dc = *huff_[scanDc_[i]];
            const JpegHuffmanTable& ac = *huff_[scanAc_[i]];
            const std::uint16_t* q = quant_[comp.quant];
            for (int b = 0; b < comp.h * comp.v; ++b)
                decodeSequentialBlock(slotBase_[c] + b, c, dc, ac, q);
        }
        transformMcu(mx);
    }
    // The markers after the scan (normally only EOI).
    if (++mcuRowsDone_ == mcusPerCol_) processMarkers();
}

// ---- Progressive ----

void jpeg_decoder::decodeProgressiveScan() {
    if (scanCount_ == 1) {
        // One component: its own block grid, one block per MCU.
        const Component& c = comps_[scanComp_[0]];
        int wide = ((width_ * c.h + maxH_ - 1) / maxH_ + 7) / 8;
        int high = ((height_ * c.v + maxV_ - 1) / maxV_ + 7) / 8;
        for (int by = 0; by < high; ++by) {
            for (int bx = 0; bx < wide; ++bx) {
                countRestart();
                decodeProgressiveBlock(0, by, bx);
            }
        }
        return;
    }
    for (int my = 0; my < mcusPerCol_; ++my) {
        for (int mx = 0; mx < mcusPerRow_; ++mx) {
            countRestart();
            for (int i = 0; i < scanCount_; ++i) {
                const Component& c = comps_[scanComp_[i]];
                for (int v = 0; v < c.v; ++v)
                    for (int h = 0; h < c.h; ++h)
                        decodeProgressiveBlock(i, my * c.v + v, mx * c.h + h);
            }
        }
    }
}

void jpeg_decoder::decodeProgressiveBlock(int scanIndex, int blockRow, int blockColumn) {
    int ci = scanComp_[scanIndex];
    const Component& c = comps_[ci];
    std::size_t index =
        std::size_t(blockRow) * std::size_t(c.blocksWide) + std::size_t(blockColumn);
    if (spectralStart_ == 0) {
        std::int16_t& dc = c.dcCoeffs[index];
        if (approxHigh_ == 0) {
            int diff = decodeDcDifference(*huff_[scanDc_[scanIndex]]);
            int pred = static_cast<int>(static_cast<std::uint32_t>(dcPred_[ci]) +
                                        static_cast<std::uint32_t>(diff));
            dcPred_[ci] = pred;
            dc = wrap16(std::int64_t(pred) * (std::int64_t{1} << approxLow_));
        } else if (getBits(1) != 0) {
            dc = wrap16(dc | (1 << approxLow_));
        }
        return;
    }
    std::int16_t* coeffs = c.acCoeffs + index * 64;
    const JpegHuffmanTable& ac = *huff_[scanAc_[scanIndex]];
    if (approxHigh_ == 0)
        decodeAcFirst(coeffs, ac);
    else
        decodeAcRefine(coeffs, ac);
}

void jpeg_decoder::decodeAcFirst(std::int16_t* coeffs, const JpegHuffmanTable& ac) {
    if (eobRun_ > 0) {
        --eobRun_;
        return;
    }
    for (int k = spectralStart_; k <= spectralEnd_;) {
        int rs = decodeHuffman(ac);
        int r = rs >> 4;
        int s = rs & 15;
        if (s != 0) {
            k += r;
            if (k > 63) stop(kJpegBadEntropyData);
            int v = extend(getBits(s), s);
            coeffs[k] = wrap16(std::int64_t(v) * (std::int64_t{1} << approxLow_));
            ++k;
        } else if (r < 15) {
            // A run of r-bit-counted end-of-bands, this block being the first.
            eobRun_ = (1 << r) - 1 + static_cast<int>(getBits(r));
            break;
        } else {
            k += 16;
        }
    }
}

void jpeg_decoder::decodeAcRefine(std::int16_t* coeffs, const JpegHuffmanTable& ac) {
    const int p1 = 1 << approxLow_;
    const int m1 = -p1;
    // One correction bit for a coefficient that earlier scans made non-zero.
    auto refine = [&](std::int16_t& c) {
        if (getBits(1) != 0 && (c & p1) == 0) c = wrap16(c >= 0 ? c + p1 : c + m1);
    };
    int k = spectralStart_;
    if (eobRun_ == 0) {
        for (; k <= spectralEnd_; ++k) {
            int rs = decodeHuffman(ac);
            int r = rs >> 4;
            int s = rs & 15;
            int value = 0;
            if (s != 0) {
                value = getBits(1) != 0 ? p1 : m1;
            } else if (r != 15) {
                eobRun_ = (1 << r) + static_cast<int>(getBits(r));
                break;
            }
            // Past r still-zero coefficients (correcting the non-zero ones on the way) to the
            // place of the new one, or past 16 zeros for a zero run.
            bool placed = false;
            for (; k <= spectralEnd_; ++k) {
                std::int16_t& c = coeffs[k];
                if (c != 0) {
                    refine(c);
                } else {
                    if (r == 0) {
                        if (value != 0) c = static_cast<std::int16_t>(value);
                        placed = true;
                        break;
                    }
                    --r;
                }
            }
            // A new coefficient whose run leaves the block.
            if (!placed && value != 0 && k > 63) stop(kJpegBadEntropyData);
        }
    }
    if (eobRun_ > 0) {
        for (; k <= spectralEnd_; ++k)
            if (coeffs[k] != 0) refine(coeffs[k]);
        --eobRun_;
    }
}

void jpeg_decoder::load_next_row() {
    int my = mcuRowsDone_;
    for (int mx = 0; mx < mcusPerRow_; ++mx) {
        for (int ci = 0; ci < compCount_; ++ci) {
            const Component& c = comps_[ci];
            const std::uint16_t* q = quant_[c.quant];
            for (int v = 0; v < c.v; ++v) {
                for (int h = 0; h < c.h; ++h) {
                    int slot = slotBase_[ci] + v * c.h + h;
                    std::size_t index = std::size_t(my * c.v + v) * std::size_t(c.blocksWide) +
                                        std::size_t(mx * c.h + h);
                    const std::int16_t* src = c.acCoeffs + index * 64;
                    std::int16_t* block = mcuCoeffs_ + slot * 64;
                    int last = 63;
                    while (last > 0 && src[last] == 0) --last;
                    block[0] = wrap16(std::int64_t(c.dcCoeffs[index]) * q[0]);
                    for (int k = 1; k <= last; ++k)
                        block[kJpegZigzag[k]] = wrap16(std::int64_t(src[k]) * q[k]);
                    for (int k = last + 1; k < maxZag_[slot]; ++k) block[kJpegZigzag[k]] = 0;
                    maxZag_[slot] = last + 1;
                }
            }
        }
        transformMcu(mx);
    }
    ++mcuRowsDone_;
}

}  // namespace rigging
