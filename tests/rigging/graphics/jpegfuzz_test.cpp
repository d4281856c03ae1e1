// Mutated files either decode or stop with one of the decoder's error codes. Each runs in a child
// process; in the sanitizer build any access outside the decoder's buffers ends the child with a
// report instead, and a hang ends it by alarm.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <random>
#include <string>

#include "jpegtestencoder.h"
#include "rigging/graphics/jpegload.h"

namespace rigging::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

enum Outcome { kDecoded, kSkipped, kStopped, kBad };

[[noreturn]] void childDecode(const Bytes& data, int requested) {
    alarm(30);
    {
        // Large frames only cost time here; the size limits have tests of their own.
        jpeg_memory_stream s{data.size(), data.data(), 0};
        jpeg_decoder d;
        d.decode_init(read_from_memory_callback, &s);
        if (std::size_t(d.width()) * std::size_t(d.height()) > (1u << 20)) _exit(3);
    }
    DecodedImage img = decodeJpeg(data, requested);
    int channels = requested == -1 ? img.fileComponents : requested;
    bool sized = img.pixels.size() == std::size_t(img.width) * img.height * channels;
    _exit(sized && img.width > 0 ? 0 : 4);
}

Outcome runInChild(const Bytes& data, int requested, std::string& report) {
    int fds[2];
    if (pipe(fds) != 0) return kBad;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], 2);
        childDecode(data, requested);
    }
    close(fds[1]);
    report.clear();
    char buf[512];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) report.append(buf, std::size_t(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return kDecoded;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) return kSkipped;
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT) {
        std::size_t at = report.find("JPEG decoder error ");
        if (at != std::string::npos) {
            int code = std::atoi(report.c_str() + at + 19);
            if (code >= -256 && code <= -224 && report.find("Sanitizer") == std::string::npos)
                return kStopped;
        }
    }
    return kBad;
}

Bytes seedImage(int w, int h, int channels, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes p(std::size_t(w) * h * channels);
    for (std::size_t i = 0; i < p.size(); ++i)
        p[i] = static_cast<std::uint8_t>((i / channels) % w * 5 + rng() % 60);
    return p;
}

std::vector<Bytes> seedFiles() {
    struct Seed {
        int w, h;
        JpegEncodeOptions o;
    };
    const Seed seeds[] = {
        {48, 40, {.lumaH = 2, .lumaV = 2, .restartInterval = 2}},
        {40, 24, {.lumaH = 2, .progressive = true, .restartInterval = 3}},
        {32, 32, {.components = 1, .progressive = true}},
        {30, 20, {.components = 1, .wideQuant = true}},
        {24, 32, {.lumaV = 2, .progressive = true}},
        {20, 12, {.restartInterval = 1}},
    };
    std::vector<Bytes> files;
    for (Seed s : seeds) {
        s.o.quantBase = 4;
        s.o.quantSlope = 1;
        files.push_back(encodeJpeg(seedImage(s.w, s.h, s.o.components, s.w), s.w, s.h, s.o).bytes);
    }
    return files;
}

Bytes mutate(const Bytes& original, std::mt19937& rng) {
    Bytes b = original;
    auto pos = [&] { return std::size_t(rng() % b.size()); };
    // Headers are a small part of a file but hold most of what can go wrong: aim half the
    // changes at them.
    std::size_t headers = std::size_t(findMarker(b, 0xDA)) + 14;
    auto headerPos = [&] { return std::size_t(rng() % std::min(headers, b.size())); };
    switch (rng() % 6) {
        case 0:  // truncation
            b.resize(2 + rng() % (b.size() - 2));
            break;
        case 1:  // bit flips
            for (int i = 1 + rng() % 8; i > 0; --i)
                b[rng() % 2 ? headerPos() : pos()] ^= 1 << (rng() % 8);
            break;
        case 2:  // random bytes
            for (int i = 1 + rng() % 16; i > 0; --i) b[rng() % 2 ? headerPos() : pos()] = rng();
            break;
        case 3: {  // a range removed or repeated
            std::size_t at = pos(), n = std::min<std::size_t>(1 + rng() % 64, b.size() - at);
            if (rng() % 2)
                b.erase(b.begin() + at, b.begin() + at + n);
            else
                b.insert(b.begin() + at, original.begin() + at, original.begin() + at + n);
            break;
        }
        case 4: {  // symbols of a Huffman table changed: other runs and sizes, same code lengths
            long table = findMarker(b, 0xC4, static_cast<int>(rng() % 4));
            if (table < 0) break;
            int values = ((b[table + 2] << 8) | b[table + 3]) - 19;
            for (int i = 1 + rng() % 3; i > 0 && values > 0; --i)
                b[table + 21 + rng() % values] = static_cast<std::uint8_t>(rng());
            break;
        }
        default:  // marker-like bytes dropped in
            for (int i = 1 + rng() % 4; i > 0; --i) {
                std::size_t at = pos();
                b[at] = 0xFF;
                if (at + 1 < b.size())
                    b[at + 1] = static_cast<std::uint8_t>(rng() % 4 ? 0xC0 + rng() % 64 : rng());
            }
            break;
    }
    if (b.size() >= 2) b[0] = 0xFF, b[1] = 0xD8;  // as the image loader requires
    return b;
}

TEST(JpegFuzz, MutatedFilesDecodeOrStopWithAnErrorCode) {
    const std::vector<Bytes> seeds = seedFiles();
    std::mt19937 rng(2024);
    int counts[4] = {};
    const int requested[] = {-1, 1, 3, 4};
    std::string report;
    int shown = 0;
    for (int i = 0; i < 4000; ++i) {
        const Bytes b = mutate(seeds[i % seeds.size()], rng);
        Outcome o = runInChild(b, requested[i % 4], report);
        ++counts[o];
        if (o == kBad && shown++ < 3) ADD_FAILURE() << "case " << i << ":\n" << report;
    }
    std::printf("decoded %d, stopped %d, skipped %d, other %d\n", counts[kDecoded],
                counts[kStopped], counts[kSkipped], counts[kBad]);
    EXPECT_EQ(counts[kBad], 0);
    // Both outcomes are common, so the mutations reach the decoding and the checks.
    EXPECT_GT(counts[kDecoded], 400);
    EXPECT_GT(counts[kStopped], 400);
}

}  // namespace
}  // namespace rigging::test
