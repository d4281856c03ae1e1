#pragma once
// RIFF/WAVE files: reads 16-, 24- and 32-bit integer PCM and 32-bit float (plain or extensible
// headers); writes 32-bit float or 16/24-bit integer PCM.

#include <string>

#include "audiobuffer.h"

namespace brindlewave::render {

enum class WavSampleFormat { float32, pcm16, pcm24 };

// On failure returns false and says why in `error`.
bool readWav(const std::string& path, AudioBuffer& out, std::string& error);
bool writeWav(const std::string& path, const AudioBuffer& in, WavSampleFormat format,
              std::string& error);

// The same, over bytes in memory.
bool decodeWav(const std::vector<unsigned char>& bytes, AudioBuffer& out, std::string& error);
std::vector<unsigned char> encodeWav(const AudioBuffer& in, WavSampleFormat format);

}  // namespace brindlewave::render
