#include "wav.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace brindlewave::render {

namespace {

constexpr std::uint16_t kFormatPCM = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const unsigned char* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}

void put32(std::vector<unsigned char>& v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<unsigned char>(x >> (8 * i)));
}
void put16(std::vector<unsigned char>& v, std::uint16_t x) {
    v.push_back(static_cast<unsigned char>(x));
    v.push_back(static_cast<unsigned char>(x >> 8));
}
void putTag(std::vector<unsigned char>& v, const char* tag) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<unsigned char>(tag[i]));
}

// Full-scale integer conversion with clipping; the positive limit is one step short of 1.0.
std::int32_t quantize(float x, int bits) {
    double scale = double(std::int64_t(1) << (bits - 1));
    double v = std::nearbyint(double(x) * scale);
    if (!(v == v)) v = 0;
    if (v > scale - 1) v = scale - 1;
    if (v < -scale) v = -scale;
    return static_cast<std::int32_t>(v);
}

struct Format {
    std::uint16_t tag = 0;
    int channels = 0;
    std::uint32_t rate = 0;
    int bits = 0;
    int blockAlign = 0;
};

bool parseFormat(const unsigned char* p, std::uint32_t size, Format& f, std::string& error) {
    if (size < 16) {
        error = "fmt chunk too short";
        return false;
    }
    f.tag = le16(p);
    f.channels = le16(p + 2);
    f.rate = le32(p + 4);
    f.blockAlign = le16(p + 12);
    f.bits = le16(p + 14);
    if (f.tag == kFormatExtensible) {
        if (size < 40) {
            error = "extensible fmt chunk too short";
            return false;
        }
        f.tag = le16(p + 24);  // first two bytes of the sub-format GUID
    }
    if (f.channels < 1) {
        error = "no channels";
        return false;
    }
    if (f.rate == 0) {
        error = "sample rate 0";
        return false;
    }
    bool ok = (f.tag == kFormatPCM && (f.bits == 16 || f.bits == 24 || f.bits == 32)) ||
              (f.tag == kFormatFloat && f.bits == 32);
    if (!ok) {
        error = "unsupported sample format (tag " + std::to_string(f.tag) + ", " +
                std::to_string(f.bits) + " bits)";
        return false;
    }
    if (f.blockAlign != f.channels * f.bits / 8) {
        error = "inconsistent block alignment";
        return false;
    }
    return true;
}

float decodeSample(const unsigned char* p, const Format& f) {
    if (f.tag == kFormatFloat) {
        std::uint32_t bits = le32(p);
        float x;
        std::memcpy(&x, &bits, 4);
        return x;
    }
    switch (f.bits) {
        case 16:
            return float(std::int16_t(le16(p))) / 32768.0f;
        case 24: {
            std::int32_t v = std::int32_t(std::uint32_t(p[0]) << 8 | std::uint32_t(p[1]) << 16 |
                                          std::uint32_t(p[2]) << 24) >>
                             8;
            return float(double(v) / 8388608.0);
        }
        default:
            return float(double(std::int32_t(le32(p))) / 2147483648.0);
    }
}

}  // namespace

bool decodeWav(const std::vector<unsigned char>& bytes, AudioBuffer& out, std::string& error) {
    const std::size_t n = bytes.size();
    const unsigned char* b = bytes.data();
    if (n < 12 || std::memcmp(b, "RIFF", 4) != 0 || std::memcmp(b + 8, "WAVE", 4) != 0) {
        error = "not a RIFF/WAVE file";
        return false;
    }
    Format fmt;
    bool haveFormat = false;
    std::size_t pos = 12;
    while (pos + 8 <= n) {
        std::uint32_t size = le32(b + pos + 4);
        std::size_t body = pos + 8;
        std::size_t avail = n - body;
        if (std::memcmp(b + pos, "fmt ", 4) == 0) {
            if (size > avail) {
                error = "truncated fmt chunk";
                return false;
            }
            if (!parseFormat(b + body, size, fmt, error)) return false;
            haveFormat = true;
        } else if (std::memcmp(b + pos, "data", 4) == 0) {
            if (!haveFormat) {
                error = "data chunk before fmt chunk";
                return false;
            }
            // A truncated data chunk (common after an interrupted recording) keeps whole frames.
            std::size_t usable = size > avail ? avail : size;
            std::size_t frames = usable / std::size_t(fmt.blockAlign);
            out = AudioBuffer(fmt.channels, static_cast<int>(frames), double(fmt.rate));
            const int bytesPerSample = fmt.bits / 8;
            for (std::size_t i = 0; i < frames; ++i)
                for (int c = 0; c < fmt.channels; ++c)
                    out.channels[c][i] = decodeSample(
                        b + body + i * fmt.blockAlign + std::size_t(c) * bytesPerSample, fmt);
            return true;
        }
        std::size_t next = body + std::size_t(size) + (size & 1);
        if (next <= pos) break;
        pos = next;
    }
    error = haveFormat ? "no data chunk" : "no fmt chunk";
    return false;
}

std::vector<unsigned char> encodeWav(const AudioBuffer& in, WavSampleFormat format) {
    const int channels = in.numChannels();
    const int frames = in.frames();
    const int bits = format == WavSampleFormat::pcm16   ? 16
                     : format == WavSampleFormat::pcm24 ? 24
                                                        : 32;
    const std::uint16_t tag = format == WavSampleFormat::float32 ? kFormatFloat : kFormatPCM;
    const std::uint32_t blockAlign = std::uint32_t(channels) * bits / 8;
    const std::uint32_t dataSize = blockAlign * std::uint32_t(frames);

    std::vector<unsigned char> v;
    v.reserve(44 + dataSize + 1);
    putTag(v, "RIFF");
    put32(v, 36 + dataSize + (dataSize & 1));
    putTag(v, "WAVE");
    putTag(v, "fmt ");
    put32(v, 16);
    put16(v, tag);
    put16(v, std::uint16_t(channels));
    put32(v, std::uint32_t(std::lround(in.sampleRate)));
    put32(v, std::uint32_t(std::lround(in.sampleRate)) * blockAlign);
    put16(v, std::uint16_t(blockAlign));
    put16(v, std::uint16_t(bits));
    putTag(v, "data");
    put32(v, dataSize);
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            float x = in.channels[c][i];
            if (format == WavSampleFormat::float32) {
                std::uint32_t u;
                std::memcpy(&u, &x, 4);
                put32(v, u);
            } else {
                std::uint32_t q = std::uint32_t(quantize(x, bits));
                for (int k = 0; k < bits / 8; ++k)
                    v.push_back(static_cast<unsigned char>(q >> (8 * k)));
            }
        }
    }
    if (dataSize & 1) v.push_back(0);
    return v;
}

bool readWav(const std::string& path, AudioBuffer& out, std::string& error) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        error = "cannot open " + path;
        return false;
    }
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(f)),
                                     std::istreambuf_iterator<char>());
    return decodeWav(bytes, out, error);
}

bool writeWav(const std::string& path, const AudioBuffer& in, WavSampleFormat format,
              std::string& error) {
    std::vector<unsigned char> bytes = encodeWav(in, format);
    std::ofstream f(path, std::ios::binary);
    if (!f) {
        error = "cannot create " + path;
        return false;
    }
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!f) {
        error = "write failed: " + path;
        return false;
    }
    return true;
}

}  // namespace brindlewave::render
