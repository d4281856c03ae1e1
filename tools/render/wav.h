#pragma once
// RIFF/WAVE files: reads 16-, 24- and 32-bit integer PCM and 32-bit float (plain or extensible
// headers); writes 32-bit float or 16/24-bit integer PCM.

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "audiobuffer.h"

namespace brindlewave::render {

enum class WavSampleFormat { float32, pcm16, pcm24 };

// What a read will hold. Both are checked before the samples are read when the length is known
// (a regular file, bytes in memory), and as they arrive from a pipe or device.
struct WavReadLimits {
    int maxFrames = std::numeric_limits<int>::max();
    std::uint64_t maxBytes = std::numeric_limits<std::uint64_t>::max();  // the file up to its data
};

// On failure returns false and says why in `error`. A file cut short is read as far as it goes;
// `warning`, when given, then says how far. A write goes through OutputFile: it never leaves a
// partial file.
bool readWav(const std::string& path, AudioBuffer& out, std::string& error,
             const WavReadLimits& limits = {}, std::string* warning = nullptr);
bool writeWav(const std::string& path, const AudioBuffer& in, WavSampleFormat format,
              std::string& error);

// The same, over bytes in memory.
bool decodeWav(const std::vector<unsigned char>& bytes, AudioBuffer& out, std::string& error,
               const WavReadLimits& limits = {});
std::vector<unsigned char> encodeWav(const AudioBuffer& in, WavSampleFormat format);
// The length of what encodeWav makes of that many channels and frames.
std::uint64_t encodedWavBytes(int channels, int frames, WavSampleFormat format);

}  // namespace brindlewave::render
