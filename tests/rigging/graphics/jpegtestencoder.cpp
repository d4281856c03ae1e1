#include "jpegtestencoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "rigging/graphics/jpegidct.h"
#include "rigging/graphics/jpegload.h"

namespace rigging::test {
namespace {

// Zigzag order built by walking the anti-diagonals, independently of the decoder's table.
std::array<int, 64> makeZigzag() {
    std::array<int, 64> zz{};
    int k = 0;
    for (int s = 0; s < 15; ++s) {
        int lo = std::max(0, s - 7), hi = std::min(s, 7);
        for (int i = 0; i <= hi - lo; ++i) {
            int row = (s & 1) ? lo + i : hi - i;
            zz[k++] = row * 8 + (s - row);
        }
    }
    return zz;
}
const std::array<int, 64> kZigzag = makeZigzag();

constexpr int kRaw = -1, kRestart = -2;
struct Token {
    int table;  // 0-1 DC, 2-3 AC (luma, chroma), or kRaw / kRestart
    int symbol;
    std::uint32_t bits;
    int nbits;
};

int category(int v) {
    int a = std::abs(v), n = 0;
    for (; a != 0; a >>= 1) ++n;
    return n;
}

struct Huffman {
    std::uint8_t counts[17] = {};
    std::vector<std::uint8_t> values;
    std::uint32_t code[256] = {};
    int length[256] = {};
    int longest = 0;
};

// Code lengths from symbol counts, limited to 16 bits by flattening the counts; one reserved
// symbol takes the all-ones code, which a stream may not use.
Huffman buildHuffman(const std::array<long, 256>& freq) {
    std::vector<int> syms;
    for (int s = 0; s < 256; ++s)
        if (freq[s] > 0) syms.push_back(s);
    syms.push_back(256);
    const int n = static_cast<int>(syms.size());
    std::vector<long> f(n);
    for (int i = 0; i < n; ++i) f[i] = syms[i] == 256 ? 0 : freq[syms[i]];
    std::vector<int> len(n);
    for (;;) {
        std::vector<long> weight(f);
        std::vector<int> parent(n, -1), active(n);
        for (int i = 0; i < n; ++i) active[i] = i;
        while (active.size() > 1) {
            std::stable_sort(active.begin(), active.end(),
                             [&](int a, int b) { return weight[a] < weight[b]; });
            int a = active[0], b = active[1];
            int p = static_cast<int>(weight.size());
            weight.push_back(weight[a] + weight[b]);
            parent.push_back(-1);
            parent[a] = parent[b] = p;
            active.erase(active.begin(), active.begin() + 2);
            active.push_back(p);
        }
        int longest = 0;
        for (int i = 0; i < n; ++i) {
            len[i] = 0;
            for (int j = i; parent[j] >= 0; j = parent[j]) ++len[i];
            if (n == 1) len[i] = 1;
            longest = std::max(longest, len[i]);
        }
        if (longest <= 16) break;
        for (long& x : f)
            if (x > 0) x = (x + 1) / 2;
    }
    int deepest = static_cast<int>(std::max_element(len.begin(), len.end()) - len.begin());
    std::swap(len[deepest], len[n - 1]);

    std::vector<int> order(n);
    for (int i = 0; i < n; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        if (len[a] != len[b]) return len[a] < len[b];
        return a < b;  // the reserved symbol, last in syms, ends its length
    });
    Huffman h;
    std::uint32_t code = 0;
    int prev = len[order[0]];
    for (int i : order) {
        code <<= (len[i] - prev);
        prev = len[i];
        if (syms[i] != 256) {
            h.code[syms[i]] = code;
            h.length[syms[i]] = len[i];
            h.counts[len[i]]++;
            h.values.push_back(static_cast<std::uint8_t>(syms[i]));
            h.longest = std::max(h.longest, len[i]);
        }
        ++code;
    }
    return h;
}

struct BitWriter {
    std::vector<std::uint8_t>& out;
    std::uint32_t acc = 0;
    int n = 0;
    void put(std::uint32_t bits, int count) {
        for (int i = count - 1; i >= 0; --i) {
            acc = (acc << 1) | ((bits >> i) & 1);
            if (++n == 8) {
                out.push_back(static_cast<std::uint8_t>(acc));
                if (acc == 0xFF) out.push_back(0);
                acc = 0;
                n = 0;
            }
        }
    }
    void flush() {
        while (n != 0) put(1, 1);
    }
};

void put16(std::vector<std::uint8_t>& out, int v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

class Encoder {
public:
    Encoder(const std::vector<std::uint8_t>& pixels, int width, int height,
            const JpegEncodeOptions& o)
        : o_(o), width_(width), height_(height) {
        const int nc = o.components;
        const int hmax = nc == 1 ? 1 : o.lumaH, vmax = nc == 1 ? 1 : o.lumaV;
        mcusX_ = (width + 8 * hmax - 1) / (8 * hmax);
        mcusY_ = (height + 8 * vmax - 1) / (8 * vmax);
        for (int k = 0; k < 64; ++k) {
            int limit = o.wideQuant ? 65535 : 255;
            quant_[k] = std::clamp(o.quantBase + o.quantSlope * k, 1, limit);
        }
        // Full-resolution planes over the MCU grid, edges replicated.
        const int pw = mcusX_ * 8 * hmax, ph = mcusY_ * 8 * vmax;
        std::vector<double> planes[3];
        for (auto& p : planes) p.resize(std::size_t(pw) * ph);
        for (int y = 0; y < ph; ++y) {
            for (int x = 0; x < pw; ++x) {
                const std::uint8_t* s = &pixels[(std::size_t(std::min(y, height - 1)) * width +
                                                 std::min(x, width - 1)) *
                                                nc];
                std::size_t i = std::size_t(y) * pw + x;
                if (nc == 1) {
                    planes[0][i] = s[0];
                    continue;
                }
                double r = s[0], g = s[1], b = s[2];
                planes[0][i] = 0.299 * r + 0.587 * g + 0.114 * b;
                planes[1][i] = 128 - 0.168736 * r - 0.331264 * g + 0.5 * b;
                planes[2][i] = 128 + 0.5 * r - 0.418688 * g - 0.081312 * b;
            }
        }
        for (int c = 0; c < nc; ++c) {
            EncodedJpeg::Component comp;
            comp.h = c == 0 ? hmax : 1;
            comp.v = c == 0 ? vmax : 1;
            comp.blocksWide = mcusX_ * comp.h;
            comp.blocksHigh = mcusY_ * comp.v;
            int sx = hmax / comp.h, sy = vmax / comp.v;
            comp.coef.resize(std::size_t(comp.blocksWide) * comp.blocksHigh * 64);
            for (int by = 0; by < comp.blocksHigh; ++by) {
                for (int bx = 0; bx < comp.blocksWide; ++bx) {
                    double block[64];
                    for (int y = 0; y < 8; ++y) {
                        for (int x = 0; x < 8; ++x) {
                            double sum = 0;
                            for (int j = 0; j < sy; ++j)
                                for (int i = 0; i < sx; ++i)
                                    sum += planes[c][std::size_t((by * 8 + y) * sy + j) * pw +
                                                     (bx * 8 + x) * sx + i];
                            block[y * 8 + x] = sum / (sx * sy) - 128;
                        }
                    }
                    forwardDct(block, &comp.coef[(std::size_t(by) * comp.blocksWide + bx) * 64]);
                }
            }
            comps_.push_back(std::move(comp));
        }
    }

    EncodedJpeg encode() {
        EncodedJpeg result;
        std::vector<std::uint8_t>& out = result.bytes;
        const int nc = o_.components;
        out = {0xFF, 0xD8};
        const char note[] = "test image";
        out.insert(out.end(), {0xFF, 0xFE, 0, sizeof note + 2});
        out.insert(out.end(), note, note + sizeof note - 1);
        out.push_back(0);
        for (int t = 0; t < (nc == 1 ? 1 : 2); ++t) {
            out.insert(out.end(), {0xFF, 0xDB});
            put16(out, o_.wideQuant ? 131 : 67);
            out.push_back(static_cast<std::uint8_t>((o_.wideQuant ? 0x10 : 0) | t));
            for (int k = 0; k < 64; ++k) {
                if (o_.wideQuant)
                    put16(out, quant_[k]);
                else
                    out.push_back(static_cast<std::uint8_t>(quant_[k]));
            }
        }
        out.insert(out.end(), {0xFF, static_cast<std::uint8_t>(o_.progressive ? 0xC2 : 0xC0)});
        put16(out, 8 + 3 * nc);
        out.push_back(8);
        put16(out, height_);
        put16(out, width_);
        out.push_back(static_cast<std::uint8_t>(nc));
        for (int c = 0; c < nc; ++c) {
            out.push_back(static_cast<std::uint8_t>(c + 1));
            out.push_back(static_cast<std::uint8_t>((comps_[c].h << 4) | comps_[c].v));
            out.push_back(c == 0 ? 0 : 1);
        }
        if (o_.restartInterval > 0) {
            out.insert(out.end(), {0xFF, 0xDD, 0, 4});
            put16(out, o_.restartInterval);
        }
        std::vector<JpegScanSpec> scans = o_.scans;
        if (!o_.progressive) {
            scans = {{{}, 0, 63, 0, 0}};
            for (int c = 0; c < nc; ++c) scans[0].components.push_back(c);
        } else if (scans.empty()) {
            scans = defaultProgressiveScript(nc);
        }
        for (const JpegScanSpec& s : scans) writeScan(s, out, result.longestCode);
        out.insert(out.end(), {0xFF, 0xD9});
        result.components = comps_;
        std::copy(quant_, quant_ + 64, result.quant);
        return result;
    }

private:
    static std::vector<JpegScanSpec> defaultProgressiveScript(int nc) {
        if (nc == 1)
            return {{{0}, 0, 0, 0, 1},  {{0}, 1, 5, 0, 2}, {{0}, 6, 63, 0, 2},
                    {{0}, 1, 63, 2, 1}, {{0}, 0, 0, 1, 0}, {{0}, 1, 63, 1, 0}};
        return {{{0, 1, 2}, 0, 0, 0, 1}, {{0}, 1, 5, 0, 2},  {{2}, 1, 63, 0, 1},
                {{1}, 1, 63, 0, 1},      {{0}, 6, 63, 0, 2}, {{0}, 1, 63, 2, 1},
                {{0, 1, 2}, 0, 0, 1, 0}, {{1}, 1, 63, 1, 0}, {{2}, 1, 63, 1, 0},
                {{0}, 1, 63, 1, 0}};
    }

    void forwardDct(const double* s, int* out) const {
        static double cosTable[8][8];
        static bool made = false;
        if (!made) {
            for (int x = 0; x < 8; ++x)
                for (int u = 0; u < 8; ++u) cosTable[x][u] = std::cos((2 * x + 1) * u * M_PI / 16);
            made = true;
        }
        for (int k = 0; k < 64; ++k) {
            int v = kZigzag[k] / 8, u = kZigzag[k] % 8;
            double sum = 0;
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) sum += s[y * 8 + x] * cosTable[x][u] * cosTable[y][v];
            double cu = u == 0 ? M_SQRT1_2 : 1, cv = v == 0 ? M_SQRT1_2 : 1;
            out[k] = static_cast<int>(std::lround(0.25 * cu * cv * sum / quant_[k]));
        }
    }

    void symbol(int table, int sym, std::uint32_t bits = 0, int nbits = 0) {
        tokens_.push_back({table, sym, bits, nbits});
    }
    void value(int table, int run, int v) {
        int n = category(v);
        symbol(table, (run << 4) | n, static_cast<std::uint32_t>(v >= 0 ? v : v + (1 << n) - 1), n);
    }
    void rawBit(int bit) { tokens_.push_back({kRaw, 0, static_cast<std::uint32_t>(bit), 1}); }

    void flushEobRun(int table) {
        if (eobRun_ == 0) return;
        int n = category(eobRun_) - 1;
        symbol(table, n << 4, static_cast<std::uint32_t>(eobRun_ - (1 << n)), n);
        for (int b : pendingBits_) rawBit(b);
        pendingBits_.clear();
        eobRun_ = 0;
    }
    void endBand(int table, int run, const std::vector<int>& corrections) {
        if (run == 0 && corrections.empty()) return;
        ++eobRun_;
        pendingBits_.insert(pendingBits_.end(), corrections.begin(), corrections.end());
        if (eobRun_ == 0x7FFF) flushEobRun(table);
    }

    void encodeBlock(const JpegScanSpec& s, int c, const int* coef, int& pred) {
        const int dcT = c == 0 ? 0 : 1, acT = dcT + 2;
        if (s.ss == 0) {
            if (s.ah != 0) {
                rawBit((coef[0] >> s.al) & 1);
            } else {
                int dc = coef[0] >> s.al;
                value(dcT, 0, dc - pred);
                pred = dc;
            }
            if (o_.progressive) return;
        }
        const int first = std::max(s.ss, 1);
        int run = 0;
        if (s.ah == 0) {
            for (int k = first; k <= s.se; ++k) {
                int a = std::abs(coef[k]) >> s.al;
                if (a == 0) {
                    ++run;
                    continue;
                }
                flushEobRun(acT);
                for (; run > 15; run -= 16) symbol(acT, 0xF0);
                value(acT, run, coef[k] < 0 ? -a : a);
                run = 0;
            }
            if (!o_.progressive) {
                if (run > 0) symbol(acT, 0x00);
                return;
            }
            endBand(acT, run, {});
            return;
        }
        // Refinement: correction bits for coefficients already non-zero, new ones of size 1.
        int eob = -1;
        for (int k = first; k <= s.se; ++k)
            if ((std::abs(coef[k]) >> s.al) == 1) eob = k;
        std::vector<int> corrections;
        for (int k = first; k <= s.se; ++k) {
            int a = std::abs(coef[k]) >> s.al;
            if (a == 0) {
                ++run;
                continue;
            }
            for (; run > 15 && k <= eob; run -= 16) {
                flushEobRun(acT);
                symbol(acT, 0xF0);
                for (int b : corrections) rawBit(b);
                corrections.clear();
            }
            if (a > 1) {
                corrections.push_back(a & 1);
                continue;
            }
            flushEobRun(acT);
            symbol(acT, (run << 4) | 1, coef[k] > 0 ? 1 : 0, 1);
            for (int b : corrections) rawBit(b);
            corrections.clear();
            run = 0;
        }
        endBand(acT, run, corrections);
    }

    void writeScan(const JpegScanSpec& s, std::vector<std::uint8_t>& out, int& longest) {
        tokens_.clear();
        eobRun_ = 0;
        pendingBits_.clear();
        int pred[3] = {};
        int mcu = 0, restart = 0;
        const int acT = s.components[0] == 0 ? 2 : 3;
        auto startMcu = [&] {
            if (o_.restartInterval > 0 && mcu > 0 && mcu % o_.restartInterval == 0) {
                flushEobRun(acT);
                tokens_.push_back({kRestart, restart, 0, 0});
                restart = (restart + 1) & 7;
                pred[0] = pred[1] = pred[2] = 0;
            }
            ++mcu;
        };
        auto block = [&](int c, int by, int bx) {
            const EncodedJpeg::Component& comp = comps_[c];
            encodeBlock(s, c, &comp.coef[(std::size_t(by) * comp.blocksWide + bx) * 64], pred[c]);
        };
        if (s.components.size() == 1) {
            const int c = s.components[0];
            const EncodedJpeg::Component& comp = comps_[c];
            const int hmax = comps_[0].h, vmax = comps_[0].v;
            int wide = ((width_ * comp.h + hmax - 1) / hmax + 7) / 8;
            int high = ((height_ * comp.v + vmax - 1) / vmax + 7) / 8;
            for (int by = 0; by < high; ++by)
                for (int bx = 0; bx < wide; ++bx) {
                    startMcu();
                    block(c, by, bx);
                }
        } else {
            for (int my = 0; my < mcusY_; ++my)
                for (int mx = 0; mx < mcusX_; ++mx) {
                    startMcu();
                    for (int c : s.components)
                        for (int v = 0; v < comps_[c].v; ++v)
                            for (int h = 0; h < comps_[c].h; ++h)
                                block(c, my * comps_[c].v + v, mx * comps_[c].h + h);
                }
        }
        flushEobRun(acT);

        std::array<long, 256> freq[4] = {};
        for (const Token& t : tokens_)
            if (t.table >= 0) freq[t.table][t.symbol]++;
        Huffman tables[4];
        for (int t = 0; t < 4; ++t) {
            if (std::none_of(freq[t].begin(), freq[t].end(), [](long f) { return f > 0; }))
                continue;
            tables[t] = buildHuffman(freq[t]);
            longest = std::max(longest, tables[t].longest);
            const Huffman& h = tables[t];
            out.insert(out.end(), {0xFF, 0xC4});
            put16(out, 2 + 17 + static_cast<int>(h.values.size()));
            out.push_back(static_cast<std::uint8_t>(t < 2 ? t : 0x10 | (t - 2)));
            out.insert(out.end(), h.counts + 1, h.counts + 17);
            out.insert(out.end(), h.values.begin(), h.values.end());
        }
        const int n = static_cast<int>(s.components.size());
        out.insert(out.end(), {0xFF, 0xDA});
        put16(out, 6 + 2 * n);
        out.push_back(static_cast<std::uint8_t>(n));
        for (int c : s.components) {
            out.push_back(static_cast<std::uint8_t>(c + 1));
            out.push_back(c == 0 ? 0x00 : 0x11);
        }
        out.push_back(static_cast<std::uint8_t>(s.ss));
        out.push_back(static_cast<std::uint8_t>(s.se));
        out.push_back(static_cast<std::uint8_t>((s.ah << 4) | s.al));
        BitWriter bits{out};
        for (const Token& t : tokens_) {
            if (t.table == kRestart) {
                bits.flush();
                out.insert(out.end(), {0xFF, static_cast<std::uint8_t>(0xD0 + t.symbol)});
                continue;
            }
            if (t.table >= 0)
                bits.put(tables[t.table].code[t.symbol], tables[t.table].length[t.symbol]);
            bits.put(t.bits, t.nbits);
        }
        bits.flush();
    }

    JpegEncodeOptions o_;
    int width_, height_;
    int mcusX_, mcusY_;
    int quant_[64];
    std::vector<EncodedJpeg::Component> comps_;
    std::vector<Token> tokens_;
    int eobRun_ = 0;
    std::vector<int> pendingBits_;
};

}  // namespace

EncodedJpeg encodeJpeg(const std::vector<std::uint8_t>& pixels, int width, int height,
                       const JpegEncodeOptions& options) {
    return Encoder(pixels, width, height, options).encode();
}

long findMarker(const std::vector<std::uint8_t>& b, int code, int nth) {
    std::size_t pos = 2;
    while (pos + 4 <= b.size()) {
        int m = b[pos + 1];
        if (m == code && nth-- == 0) return static_cast<long>(pos);
        if (m == 0xD9) return -1;
        if (m >= 0xD0 && m <= 0xD7) {
            pos += 2;
        } else {
            pos += 2 + ((b[pos + 2] << 8) | b[pos + 3]);
            if (m != 0xDA) continue;
        }
        // Entropy-coded data up to the next marker that is not a stuffed byte.
        while (pos + 1 < b.size() && !(b[pos] == 0xFF && b[pos + 1] != 0)) ++pos;
    }
    return -1;
}

std::vector<std::uint8_t> expectedPixels(const EncodedJpeg& e, int width, int height) {
    std::vector<std::vector<std::uint8_t>> planes;
    for (const EncodedJpeg::Component& c : e.components) {
        const int pw = c.blocksWide * 8;
        std::vector<std::uint8_t> plane(std::size_t(pw) * c.blocksHigh * 8);
        for (int by = 0; by < c.blocksHigh; ++by)
            for (int bx = 0; bx < c.blocksWide; ++bx) {
                std::int16_t natural[64];
                std::uint8_t samples[64];
                const int* coef = &c.coef[(std::size_t(by) * c.blocksWide + bx) * 64];
                for (int k = 0; k < 64; ++k)
                    natural[kZigzag[k]] = static_cast<std::int16_t>(coef[k] * e.quant[k]);
                jpegIdct(natural, 64, samples);
                for (int i = 0; i < 64; ++i)
                    plane[std::size_t(by * 8 + i / 8) * pw + bx * 8 + i % 8] = samples[i];
            }
        planes.push_back(std::move(plane));
    }
    const int nc = static_cast<int>(planes.size());
    std::vector<std::uint8_t> out;
    auto clamp = [](int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int luma = planes[0][std::size_t(y) * e.components[0].blocksWide * 8 + x];
            if (nc == 1) {
                out.push_back(static_cast<std::uint8_t>(luma));
                continue;
            }
            std::size_t at = std::size_t(y / e.components[0].v) * e.components[1].blocksWide * 8 +
                             x / e.components[0].h;
            int cb = planes[1][at] - 128, cr = planes[2][at] - 128;
            out.push_back(clamp(luma + ((91881 * cr + 32768) >> 16)));
            out.push_back(clamp(luma + ((-22554 * cb + 32768 - 46802 * cr) >> 16)));
            out.push_back(clamp(luma + ((116130 * cb + 32768) >> 16)));
            out.push_back(255);
        }
    return out;
}

DecodedImage decodeJpeg(const std::vector<std::uint8_t>& bytes, int requested) {
    DecodedImage d;
    std::span<std::uint8_t> p = decompress_jpeg_image_from_memory(
        {bytes.data(), bytes.size()}, &d.width, &d.height, &d.fileComponents, requested);
    d.pixels.assign(p.begin(), p.end());
    std::free(p.data());
    return d;
}

}  // namespace rigging::test
