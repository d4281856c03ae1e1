#include "wav.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

#include "outputfile.h"

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

// Bytes of a file in order. The chunks are walked as they are read, so a length is checked
// before anything of that length is held.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to n bytes, fewer only at the end of the data.
    virtual bool read(unsigned char* dst, std::size_t n, std::size_t& got, std::string& error) = 0;
    virtual bool skip(std::uint64_t n, std::string& error) = 0;
    // The bytes left, when known (memory, a regular file); a pipe or device says nothing.
    virtual std::optional<std::uint64_t> remaining() const = 0;
    // Bytes read or skipped so far.
    std::uint64_t consumed = 0;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(const std::vector<unsigned char>& b) : bytes_(b) {}
    bool read(unsigned char* dst, std::size_t n, std::size_t& got, std::string&) override {
        got = std::size_t(std::min<std::uint64_t>(n, *remaining()));
        if (got) std::memcpy(dst, bytes_.data() + consumed, got);
        consumed += got;
        return true;
    }
    bool skip(std::uint64_t n, std::string&) override {
        consumed += std::min(n, *remaining());
        return true;
    }
    std::optional<std::uint64_t> remaining() const override { return bytes_.size() - consumed; }

private:
    const std::vector<unsigned char>& bytes_;
};

// A file, device or pipe; reading past maxBytes fails, so endless input stops there.
class FileSource final : public ByteSource {
public:
    FileSource(int fd, const struct stat& st, std::uint64_t maxBytes)
        : fd_(fd), maxBytes_(maxBytes) {
        if (S_ISREG(st.st_mode)) size_ = std::uint64_t(st.st_size);
    }
    ~FileSource() override { ::close(fd_); }

    bool read(unsigned char* dst, std::size_t n, std::size_t& got, std::string& error) override {
        got = 0;
        const std::size_t allowed = std::size_t(std::min<std::uint64_t>(n, maxBytes_ - consumed));
        while (got < allowed) {
            ssize_t r = ::read(fd_, dst + got, allowed - got);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) {
                error = std::strerror(errno);
                return false;
            }
            if (r == 0) break;
            got += std::size_t(r);
        }
        consumed += got;
        if (got == allowed && allowed < n) {
            unsigned char extra;
            ssize_t r;
            do r = ::read(fd_, &extra, 1);
            while (r < 0 && errno == EINTR);
            if (r != 0) {
                error = "more than " + std::to_string(maxBytes_) + " bytes";
                return false;
            }
        }
        return true;
    }
    bool skip(std::uint64_t n, std::string& error) override {
        unsigned char scrap[65536];
        while (n > 0) {
            std::size_t got = 0;
            const std::size_t piece = std::size_t(std::min<std::uint64_t>(n, sizeof scrap));
            if (!read(scrap, piece, got, error)) return false;
            if (got < piece) break;
            n -= got;
        }
        return true;
    }
    std::optional<std::uint64_t> remaining() const override {
        if (!size_) return std::nullopt;
        return *size_ > consumed ? *size_ - consumed : 0;
    }

private:
    int fd_;
    std::uint64_t maxBytes_;
    std::optional<std::uint64_t> size_;
};

bool readExactly(ByteSource& in, unsigned char* dst, std::size_t n, bool& complete,
                 std::string& error) {
    std::size_t got = 0;
    if (!in.read(dst, n, got, error)) return false;
    complete = got == n;
    return true;
}

// The samples of a data chunk of `size` bytes. A truncated chunk (common after an interrupted
// recording) keeps whole frames, and says so in `warning` when given.
bool readData(ByteSource& in, std::uint32_t size, const Format& fmt, AudioBuffer& out,
              const WavReadLimits& limits, std::string& error, std::string* warning) {
    const std::size_t align = std::size_t(fmt.blockAlign);
    std::optional<std::uint64_t> left = in.remaining();
    const std::uint64_t target = left ? std::min<std::uint64_t>(size, *left) : size;
    const std::uint64_t maxFrames = std::uint64_t(std::max(0, limits.maxFrames));
    if (left && target / align > maxFrames) {
        error = "holds " + std::to_string(target / align) + " frames, more than the " +
                std::to_string(maxFrames) + " allowed";
        return false;
    }
    if (left && in.consumed + target > limits.maxBytes) {
        error = "more than " + std::to_string(limits.maxBytes) + " bytes";
        return false;
    }
    out = AudioBuffer(fmt.channels, 0, double(fmt.rate));
    if (left)
        for (auto& c : out.channels) c.reserve(std::size_t(target / align));
    std::vector<unsigned char> piece(std::max<std::size_t>(1, 65536 / align) * align);
    const int bytesPerSample = fmt.bits / 8;
    std::uint64_t done = 0;
    while (done + align <= target) {
        const std::size_t want = std::size_t(std::min<std::uint64_t>(piece.size(), target - done));
        std::size_t got = 0;
        if (!in.read(piece.data(), want, got, error)) return false;
        const std::size_t frames = got / align;
        if (std::uint64_t(out.channels[0].size()) + frames > maxFrames) {
            error = "holds more than " + std::to_string(maxFrames) + " frames";
            return false;
        }
        for (std::size_t i = 0; i < frames; ++i)
            for (int c = 0; c < fmt.channels; ++c)
                out.channels[c].push_back(
                    decodeSample(piece.data() + i * align + std::size_t(c) * bytesPerSample, fmt));
        done += got;
        if (got < want) break;
    }
    const std::uint64_t declared = size / align;
    if (warning && out.channels[0].size() < declared)
        *warning = "cut short: its data chunk declares " + std::to_string(declared) +
                   " frames, the file holds " + std::to_string(out.channels[0].size());
    return true;
}

bool readChunks(ByteSource& in, AudioBuffer& out, const WavReadLimits& limits, std::string& error,
                std::string* warning) {
    unsigned char header[12];
    bool complete = false;
    if (!readExactly(in, header, 12, complete, error)) return false;
    if (!complete || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0) {
        error = "not a RIFF/WAVE file";
        return false;
    }
    Format fmt;
    bool haveFormat = false;
    for (;;) {
        if (!readExactly(in, header, 8, complete, error)) return false;
        if (!complete) break;
        const std::uint32_t size = le32(header + 4);
        if (std::memcmp(header, "fmt ", 4) == 0) {
            // Anything past the extensible header's 40 bytes is not looked at.
            std::optional<std::uint64_t> left = in.remaining();
            if (left && size > *left) {
                error = "truncated fmt chunk";
                return false;
            }
            std::vector<unsigned char> body(std::min<std::uint32_t>(size, 40));
            if (!readExactly(in, body.data(), body.size(), complete, error)) return false;
            if (!complete) {
                error = "truncated fmt chunk";
                return false;
            }
            if (!parseFormat(body.data(), size, fmt, error)) return false;
            haveFormat = true;
            if (!in.skip(std::uint64_t(size) - body.size() + (size & 1), error)) return false;
        } else if (std::memcmp(header, "data", 4) == 0) {
            if (!haveFormat) {
                error = "data chunk before fmt chunk";
                return false;
            }
            return readData(in, size, fmt, out, limits, error, warning);
        } else if (!in.skip(std::uint64_t(size) + (size & 1), error)) {
            return false;
        }
    }
    error = haveFormat ? "no data chunk" : "no fmt chunk";
    return false;
}

int bitsOf(WavSampleFormat format) {
    return format == WavSampleFormat::pcm16 ? 16 : format == WavSampleFormat::pcm24 ? 24 : 32;
}

}  // namespace

bool decodeWav(const std::vector<unsigned char>& bytes, AudioBuffer& out, std::string& error,
               const WavReadLimits& limits) {
    MemorySource in(bytes);
    return readChunks(in, out, limits, error, nullptr);
}

std::uint64_t encodedWavBytes(int channels, int frames, WavSampleFormat format) {
    const std::uint64_t data =
        std::uint64_t(channels) * std::uint64_t(bitsOf(format) / 8) * std::uint64_t(frames);
    return 44 + data + (data & 1);
}

std::vector<unsigned char> encodeWav(const AudioBuffer& in, WavSampleFormat format) {
    const int channels = in.numChannels();
    const int frames = in.frames();
    const int bits = bitsOf(format);
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

bool readWav(const std::string& path, AudioBuffer& out, std::string& error,
             const WavReadLimits& limits, std::string* warning) {
    if (warning) warning->clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        error = path + " is a directory";
        return false;
    }
    FileSource in(fd, st, limits.maxBytes);
    if (readChunks(in, out, limits, error, warning)) {
        if (warning && !warning->empty()) *warning = path + ": " + *warning;
        return true;
    }
    error = path + ": " + error;
    return false;
}

bool writeWav(const std::string& path, const AudioBuffer& in, WavSampleFormat format,
              std::string& error) {
    OutputFile out;
    return out.open(path, error) && out.commit(encodeWav(in, format), error);
}

}  // namespace brindlewave::render
