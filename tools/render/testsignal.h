#pragma once
// Test signals and level measurements for offline renders.

#include <cstdint>
#include <string>

#include "audiobuffer.h"

namespace brindlewave::render {

// Sine of the given peak level (dBFS), identical on every channel, starting at phase 0.
AudioBuffer makeSine(int channels, int frames, double rate, double frequency, double peakDb);
// Uniform white noise of the given peak level; each channel has its own sequence.
AudioBuffer makeNoise(int channels, int frames, double rate, double peakDb, std::uint32_t seed);
AudioBuffer makeSilence(int channels, int frames, double rate);

// Parses "sine:FREQ:PEAKDB", "noise:PEAKDB" or "silence" into a signal; false on bad text.
bool makeSignal(const std::string& text, int channels, int frames, double rate, AudioBuffer& out,
                std::string& error);

// Levels over frames [begin, end) of one channel.
double peakDb(const AudioBuffer& b, int channel, int begin, int end);
double rmsDb(const AudioBuffer& b, int channel, int begin, int end);
// Peak level of a steady sine, estimated from its RMS (RMS x sqrt 2) over [begin, end).
double sinePeakDb(const AudioBuffer& b, int channel, int begin, int end);

}  // namespace brindlewave::render
