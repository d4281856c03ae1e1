// The render tools' WAV reader and writer and the test signals they carry.

#include "wav.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <thread>

#include "testsignal.h"

namespace brindlewave::render {
namespace {

TEST(Wav, FloatFilesRoundTripExactly) {
    AudioBuffer in = makeNoise(2, 1001, 44100, -1, 9);
    in.channels[1][5] = -0.0f;
    AudioBuffer out;
    std::string error;
    ASSERT_TRUE(decodeWav(encodeWav(in, WavSampleFormat::float32), out, error)) << error;
    EXPECT_EQ(out.sampleRate, 44100);
    EXPECT_EQ(out.channels, in.channels);
}

TEST(Wav, IntegerFilesQuantizeAndClip) {
    AudioBuffer in(1, 4, 48000);
    in.channels[0] = {0.5f, -1.0f, 1.5f, 0.25f + 1e-7f};
    for (auto [format, step] : {std::pair{WavSampleFormat::pcm16, 1.0 / 32768},
                                {WavSampleFormat::pcm24, 1.0 / 8388608}}) {
        AudioBuffer out;
        std::string error;
        ASSERT_TRUE(decodeWav(encodeWav(in, format), out, error)) << error;
        EXPECT_EQ(out.channels[0][0], 0.5f);
        EXPECT_EQ(out.channels[0][1], -1.0f);
        EXPECT_NEAR(out.channels[0][2], 1.0 - step, 1e-9);  // clipped one step below full scale
        EXPECT_NEAR(out.channels[0][3], 0.25, step);
    }
}

TEST(Wav, ReadsExtensibleHeadersAndSkipsUnknownChunks) {
    AudioBuffer in = makeSine(2, 10, 96000, 1000, -6);
    std::vector<unsigned char> b = encodeWav(in, WavSampleFormat::float32);
    // Rewrite as an extensible header with an odd-sized chunk in front of it.
    std::vector<unsigned char> ext(b.begin(), b.begin() + 12);
    const unsigned char junk[] = {'j', 'u', 'n', 'k', 3, 0, 0, 0, 1, 2, 3, 0};
    ext.insert(ext.end(), junk, junk + sizeof junk);
    const unsigned char fmt[] = {'f', 'm', 't', ' ', 40, 0, 0, 0, 0xFE, 0xFF};
    ext.insert(ext.end(), fmt, fmt + sizeof fmt);
    ext.insert(ext.end(), b.begin() + 22, b.begin() + 36);  // channels .. bits
    const unsigned char extra[] = {22, 0, 32,   0, 3,    0, 0, 0,    3, 0,    0,    0,
                                   0,  0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    ext.insert(ext.end(), extra, extra + sizeof extra);
    ext.insert(ext.end(), b.begin() + 36, b.end());
    AudioBuffer out;
    std::string error;
    ASSERT_TRUE(decodeWav(ext, out, error)) << error;
    EXPECT_EQ(out.sampleRate, 96000);
    EXPECT_EQ(out.channels, in.channels);
}

TEST(Wav, RefusesWhatItCannotReadAndKeepsWholeFramesOfTruncatedData) {
    AudioBuffer out;
    std::string error;
    EXPECT_FALSE(decodeWav({'R', 'I', 'F', 'F'}, out, error));
    std::vector<unsigned char> b =
        encodeWav(makeSine(2, 100, 48000, 440, -3), WavSampleFormat::pcm16);
    b[34] = 12;  // 12 bits per sample
    EXPECT_FALSE(decodeWav(b, out, error));
    b = encodeWav(makeSine(2, 100, 48000, 440, -3), WavSampleFormat::pcm16);
    for (int i = 24; i < 28; ++i) b[i] = 0;  // sample rate 0: nothing could be rendered
    EXPECT_FALSE(decodeWav(b, out, error));
    b = encodeWav(makeSine(2, 100, 48000, 440, -3), WavSampleFormat::pcm16);
    b.resize(b.size() - 7);  // cuts into the last two frames
    ASSERT_TRUE(decodeWav(b, out, error)) << error;
    EXPECT_EQ(out.frames(), 98);
}

// A 16-bit stereo header whose data chunk claims `dataBytes`.
std::vector<unsigned char> headerClaiming(std::uint32_t dataBytes) {
    std::vector<unsigned char> b = encodeWav(AudioBuffer(2, 0, 48000), WavSampleFormat::pcm16);
    std::memcpy(&b[40], &dataBytes, 4);
    return b;
}

// Reads what `feed` writes, through a pipe that only ends when the reader closes it.
bool readFromEndlessPipe(const std::vector<unsigned char>& head,
                         const std::vector<unsigned char>& repeated, const WavReadLimits& limits,
                         AudioBuffer& out, std::string& error) {
    std::signal(SIGPIPE, SIG_IGN);
    int fds[2];
    if (::pipe(fds) != 0) return false;
    std::thread writer([&, w = fds[1]] {
        bool ok = ::write(w, head.data(), head.size()) == ssize_t(head.size());
        while (ok) ok = ::write(w, repeated.data(), repeated.size()) > 0;
        ::close(w);
    });
    bool read = readWav("/dev/fd/" + std::to_string(fds[0]), out, error, limits);
    ::close(fds[0]);
    writer.join();
    return read;
}

TEST(Wav, LimitsStopWhatWouldNotFitBeforeItIsHeld) {
    const AudioBuffer in = makeNoise(2, 100, 48000, -6, 3);
    const std::vector<unsigned char> file = encodeWav(in, WavSampleFormat::pcm16);
    AudioBuffer out;
    std::string error;
    WavReadLimits limits;
    limits.maxFrames = 100;
    EXPECT_TRUE(decodeWav(file, out, error, limits)) << error;
    EXPECT_EQ(out.frames(), 100);
    limits.maxFrames = 99;
    EXPECT_FALSE(decodeWav(file, out, error, limits));
    EXPECT_EQ(error, "holds 100 frames, more than the 99 allowed");
    limits = {};
    limits.maxBytes = file.size();
    EXPECT_TRUE(decodeWav(file, out, error, limits)) << error;
    limits.maxBytes = file.size() - 1;
    EXPECT_FALSE(decodeWav(file, out, error, limits));

    // A pipe gives no length: the frames or bytes are counted as they come, and the read stops
    // at the limit however long the writer goes on.
    const std::vector<unsigned char> zeros(4096, 0);
    limits = {};
    limits.maxFrames = 5000;
    EXPECT_FALSE(readFromEndlessPipe(headerClaiming(0xFFFFFFF0u), zeros, limits, out, error));
    EXPECT_NE(error.find("holds more than 5000 frames"), std::string::npos) << error;
    const std::vector<unsigned char> junk = {'j', 'u', 'n', 'k', 0, 1, 0, 0};  // 256-byte chunks
    std::vector<unsigned char> endlessJunk;
    for (int i = 0; i < 16; ++i) {
        endlessJunk.insert(endlessJunk.end(), junk.begin(), junk.end());
        endlessJunk.resize(endlessJunk.size() + 256);
    }
    limits = {};
    limits.maxBytes = 100000;
    std::vector<unsigned char> riff = headerClaiming(0);
    riff.resize(12);
    EXPECT_FALSE(readFromEndlessPipe(riff, endlessJunk, limits, out, error));
    EXPECT_NE(error.find("more than 100000 bytes"), std::string::npos) << error;

    // Within the limits a pipe reads like a file: the claimed length, its odd bytes dropped.
    limits = {};
    limits.maxFrames = 6000;
    ASSERT_TRUE(readFromEndlessPipe(headerClaiming(4 * 6000 + 3), zeros, limits, out, error))
        << error;
    EXPECT_EQ(out.frames(), 6000);
}

TEST(TestSignals, LevelsAndSpecsMeanWhatTheySay) {
    const AudioBuffer s = makeSine(1, 48000, 48000, 1000, -20);
    EXPECT_NEAR(sinePeakDb(s, 0, 0, 48000), -20, 0.001);
    EXPECT_NEAR(peakDb(s, 0, 0, 48000), -20, 0.001);
    EXPECT_LE(peakDb(makeNoise(2, 10000, 48000, -6, 1), 1, 0, 10000), -6.0);
    AudioBuffer out;
    std::string error;
    EXPECT_TRUE(makeSignal("sine:440:-3", 2, 10, 48000, out, error));
    EXPECT_EQ(out.numChannels(), 2);
    EXPECT_FALSE(makeSignal("sine:30000:-3", 2, 10, 48000, out, error));
    EXPECT_FALSE(makeSignal("square:1", 2, 10, 48000, out, error));
    EXPECT_TRUE(makeSignal("silence", 1, 10, 48000, out, error));
}

}  // namespace
}  // namespace brindlewave::render
