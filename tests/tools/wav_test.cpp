// The render tools' WAV reader and writer and the test signals they carry.

#include "wav.h"

#include <gtest/gtest.h>

#include <cmath>

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
