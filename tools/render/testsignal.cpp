#include "testsignal.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "brindlewave/decibels.h"

namespace brindlewave::render {

AudioBuffer makeSine(int channels, int frames, double rate, double frequency, double peakDb) {
    AudioBuffer b(channels, frames, rate);
    const double a = gainOfDecibelsDouble(peakDb);
    for (int i = 0; i < frames; ++i) {
        float x = float(a * std::sin(2.0 * std::numbers::pi * frequency * i / rate));
        for (int c = 0; c < channels; ++c) b.channels[c][i] = x;
    }
    return b;
}

AudioBuffer makeNoise(int channels, int frames, double rate, double peakDb, std::uint32_t seed) {
    AudioBuffer b(channels, frames, rate);
    const double a = gainOfDecibelsDouble(peakDb);
    for (int c = 0; c < channels; ++c) {
        std::uint32_t s = seed * 2654435761u + std::uint32_t(c) * 40503u + 1u;
        for (int i = 0; i < frames; ++i) {
            s ^= s << 13;
            s ^= s >> 17;
            s ^= s << 5;
            b.channels[c][i] = float(a * (double(s) / 2147483648.0 - 1.0));
        }
    }
    return b;
}

AudioBuffer makeSilence(int channels, int frames, double rate) {
    return AudioBuffer(channels, frames, rate);
}

bool makeSignal(const std::string& text, int channels, int frames, double rate, AudioBuffer& out,
                std::string& error) {
    auto number = [&](const std::string& s, double& v) {
        char* end = nullptr;
        v = std::strtod(s.c_str(), &end);
        return !s.empty() && end && *end == 0 && std::isfinite(v);
    };
    if (text == "silence") {
        out = makeSilence(channels, frames, rate);
        return true;
    }
    std::size_t colon = text.find(':');
    std::string kind = text.substr(0, colon);
    std::string rest = colon == std::string::npos ? "" : text.substr(colon + 1);
    if (kind == "sine") {
        std::size_t c2 = rest.find(':');
        double f, db;
        if (c2 != std::string::npos && number(rest.substr(0, c2), f) &&
            number(rest.substr(c2 + 1), db) && f > 0 && f < rate / 2) {
            out = makeSine(channels, frames, rate, f, db);
            return true;
        }
    } else if (kind == "noise") {
        double db;
        if (number(rest, db)) {
            out = makeNoise(channels, frames, rate, db, 1);
            return true;
        }
    }
    error = "bad signal '" + text + "' (use sine:FREQ:PEAKDB, noise:PEAKDB or silence)";
    return false;
}

double peakDb(const AudioBuffer& b, int channel, int begin, int end) {
    double p = 0;
    for (int i = begin; i < end; ++i) p = std::max(p, std::fabs(double(b.channels[channel][i])));
    return decibelsOfDouble(p);
}

double rmsDb(const AudioBuffer& b, int channel, int begin, int end) {
    double s = 0;
    for (int i = begin; i < end; ++i) s += double(b.channels[channel][i]) * b.channels[channel][i];
    return end > begin ? 10.0 * std::log10(s / (end - begin)) : -INFINITY;
}

double sinePeakDb(const AudioBuffer& b, int channel, int begin, int end) {
    return rmsDb(b, channel, begin, end) + 10.0 * std::log10(2.0);
}

}  // namespace brindlewave::render
