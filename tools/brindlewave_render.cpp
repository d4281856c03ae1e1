// Renders audio through the compressor offline: a WAV file or a generated signal in, a WAV file
// out, and the band meters' final levels printed.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "brindlewave/client.h"
#include "brindlewave/decibels.h"
#include "brindlewave/paramids.h"
#include "render.h"
#include "rigging/core/fpcontrol.h"
#include "testsignal.h"
#include "wav.h"

using namespace brindlewave;
using namespace brindlewave::render;

namespace {

void usage() {
    std::fprintf(stderr,
                 "usage: brindlewave-render (--input FILE.wav | --signal SIGNAL) [options]\n"
                 "  --signal SIGNAL       sine:FREQ:PEAKDB, noise:PEAKDB or silence\n"
                 "  --seconds S           length of a generated signal (default 2)\n"
                 "  --rate HZ             sample rate of a generated signal (default 48000)\n"
                 "  --block N             host block size (default 512)\n"
                 "  --layout IN,OUT       channel layout: 1,1 1,2 2,1 or 2,2 (default 2,2)\n"
                 "  --param INDEX=VALUE   normalized parameter value (repeatable)\n"
                 "  --output FILE.wav     32-bit float output file\n"
                 "  --plain               use the plain per-sample path\n");
}

struct ParamSetting {
    int index;
    double value;
};

bool parseParam(const char* text, ParamSetting& p) {
    char* end = nullptr;
    long index = std::strtol(text, &end, 10);
    if (end == text || *end != '=') return false;
    const char* v = end + 1;
    double value = std::strtod(v, &end);
    if (end == v || *end != 0 || !std::isfinite(value)) return false;
    if (index < 0 || index >= param::kCount) return false;
    p = {static_cast<int>(index), value};
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string inputPath, signalText, outputPath;
    double seconds = 2.0, rate = 48000.0;
    int block = 512, ins = 2, outs = 2;
    bool plain = false;
    std::vector<ParamSetting> params;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--input")
            inputPath = next();
        else if (a == "--signal")
            signalText = next();
        else if (a == "--output")
            outputPath = next();
        else if (a == "--seconds")
            seconds = std::atof(next());
        else if (a == "--rate")
            rate = std::atof(next());
        else if (a == "--block")
            block = std::atoi(next());
        else if (a == "--plain")
            plain = true;
        else if (a == "--layout") {
            if (std::sscanf(next(), "%d,%d", &ins, &outs) != 2) ins = 0;
        } else if (a == "--param") {
            ParamSetting p;
            const char* text = next();
            if (!parseParam(text, p)) {
                std::fprintf(stderr, "bad --param '%s' (INDEX=NORMALIZED, index 0..%d)\n", text,
                             param::kCount - 1);
                return 2;
            }
            params.push_back(p);
        } else if (a == "--help" || a == "-h") {
            usage();
            return 0;
        } else {
            std::fprintf(stderr, "unknown option %s\n", a.c_str());
            usage();
            return 2;
        }
    }
    if (inputPath.empty() == signalText.empty() || block < 1 || !(rate > 0) || !(seconds > 0)) {
        usage();
        return 2;
    }

    // Everything that runs plug-in code runs as under a host's entry.
    rigging::FPScope fp;
    BrindlewaveClient* client = rigging::createClient<BrindlewaveClient>();
    if (!client->isLegalIO(ins, outs)) {
        std::fprintf(stderr, "layout %d,%d is not supported\n", ins, outs);
        rigging::destroyFree(client);
        return 2;
    }
    std::string error;
    AudioBuffer source;
    if (!inputPath.empty()
            ? !readWav(inputPath, source, error)
            : !makeSignal(signalText, ins, int(std::lround(seconds * rate)), rate, source, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        rigging::destroyFree(client);
        return 1;
    }
    // The layout decides the input count: extra file channels are dropped, a missing second
    // channel repeats the first.
    AudioBuffer input(ins, source.frames(), source.sampleRate);
    for (int c = 0; c < ins; ++c)
        input.channels[c] = source.channels[std::min(c, source.numChannels() - 1)];

    for (const ParamSetting& p : params) setParameter(*client, p.index, p.value);
    client->setPlainProcessing(plain);
    RenderOptions options;
    options.blockSize = block;
    options.numOutputs = outs;
    AudioBuffer out = brindlewave::render::render(*client, input, options);

    if (!outputPath.empty() && !writeWav(outputPath, out, WavSampleFormat::float32, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        rigging::destroyFree(client);
        return 1;
    }
    std::printf("frames %d, rate %.0f Hz, layout %d,%d, block %d\n", out.frames(), out.sampleRate,
                ins, outs, block);
    for (int c = 0; c < outs; ++c)
        std::printf("output %d: peak %.2f dBFS, rms %.2f dBFS\n", c,
                    peakDb(out, c, 0, out.frames()), rmsDb(out, c, 0, out.frames()));
    const EngineUnits& u = client->units();
    for (int b = 0; b < kEngineBands; ++b)
        std::printf("band %d meter: in %.2f dB, out %.2f dB\n", b + 1,
                    decibelsOfDouble(u.preDetectors[b]->getEnvelope()),
                    decibelsOfDouble(u.postDetectors[b]->getEnvelope()));
    rigging::destroyFree(client);
    return 0;
}
