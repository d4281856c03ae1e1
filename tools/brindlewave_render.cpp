// Renders audio through the compressor offline: a WAV file or a generated signal in, a WAV file
// out, and the band meters' final levels printed.

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "brindlewave/client.h"
#include "brindlewave/decibels.h"
#include "brindlewave/paramids.h"
#include "outputfile.h"
#include "render.h"
#include "rigging/core/fpcontrol.h"
#include "testsignal.h"
#include "wav.h"

using namespace brindlewave;
using namespace brindlewave::render;

namespace {

// Everything is held in memory, input and output at once: 2^26 frames per channel (23 minutes
// at 48 kHz) is 1 GiB for a stereo render. A file is read no further than 1 GiB, so a device or
// a pipe that never ends stops there.
constexpr int kMaxFrames = 1 << 26;
constexpr std::uint64_t kMaxInputBytes = std::uint64_t(1) << 30;
// The rates hosts run at, and the largest block any of them sends.
constexpr double kMinRate = 8000, kMaxRate = 768000;
constexpr int kMaxBlock = 65536;

void usage() {
    std::fprintf(stdout,
                 "usage: brindlewave-render (--input FILE.wav | --signal SIGNAL) [options]\n"
                 "  --signal SIGNAL       sine:FREQ:PEAKDB, noise:PEAKDB or silence\n"
                 "  --seconds S           length of a generated signal (default 2)\n"
                 "  --rate HZ             sample rate of a generated signal, 8000..768000\n"
                 "                        (default 48000)\n"
                 "  --block N             host block size, 1..65536 (default 512)\n"
                 "  --layout IN,OUT       channel layout: 1,1 1,2 2,1 or 2,2 (default 2,2)\n"
                 "  --param INDEX=VALUE   normalized parameter value 0..1 (repeatable)\n"
                 "  --output FILE.wav     32-bit float output file; - is standard output (the\n"
                 "                        report then goes to standard error)\n"
                 "  --plain               use the plain per-sample path\n"
                 "Inputs and generated signals hold at most %d frames (%d s at 48 kHz).\n"
                 "The output is written as a new file beside FILE.wav and renamed over it once\n"
                 "complete: a failed render leaves no partial file, and a FILE.wav already there\n"
                 "as it was. A FILE.wav that is a symbolic link is written at the link's target;\n"
                 "one with other hard links is replaced under this name only, the others keep\n"
                 "the old data. A write-protected FILE.wav is refused. A pipe, FIFO, terminal or\n"
                 "standard output cannot be replaced so and is written directly. A FIFO given as\n"
                 "--input or --output waits until its other end is opened, as with any program.\n"
                 "An input cut short is rendered as far as it goes, with a warning.\n",
                 kMaxFrames, kMaxFrames / 48000);
}

// One line on stderr saying what is wrong; the exit status for bad arguments.
[[noreturn]] void refuse(const std::string& what) {
    std::fprintf(stderr, "brindlewave-render: %s\n", what.c_str());
    std::exit(2);
}

double parseNumber(const char* option, const char* text) {
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (end == text || *end != 0 || !std::isfinite(v))
        refuse(std::string(option) + ": '" + text + "' is not a finite number");
    return v;
}

int parseWhole(const char* option, const char* text, int lo, int hi) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != 0 || errno == ERANGE || v < lo || v > hi)
        refuse(std::string(option) + ": '" + text + "' is not a whole number in " +
               std::to_string(lo) + ".." + std::to_string(hi));
    return int(v);
}

struct ParamSetting {
    int index;
    double value;
};

ParamSetting parseParam(const char* text) {
    auto bad = [&](const char* why) { refuse(std::string("--param '") + text + "': " + why); };
    char* end = nullptr;
    errno = 0;
    long index = std::strtol(text, &end, 10);
    if (end == text || *end != '=') bad("not INDEX=VALUE");
    if (errno == ERANGE || index < 0 || index >= param::kCount)
        bad(("index outside 0.." + std::to_string(param::kCount - 1)).c_str());
    const char* v = end + 1;
    double value = std::strtod(v, &end);
    if (end == v || *end != 0 || !(value >= 0 && value <= 1))
        bad("value is not a normalized number in 0..1");
    return {static_cast<int>(index), value};
}

int run(int argc, char** argv) {
    std::string inputPath, signalText, outputPath;
    double seconds = 2.0, rate = 48000.0;
    int block = 512, ins = 2, outs = 2;
    bool plain = false, outputGiven = false;
    std::vector<ParamSetting> params;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> const char* {
            if (i + 1 >= argc) refuse(a + " needs a value");
            return argv[++i];
        };
        if (a == "--input")
            inputPath = next();
        else if (a == "--signal")
            signalText = next();
        else if (a == "--output") {
            outputPath = next();
            outputGiven = true;
        } else if (a == "--seconds") {
            seconds = parseNumber("--seconds", next());
            if (!(seconds > 0)) refuse("--seconds must be above 0");
        } else if (a == "--rate") {
            rate = parseNumber("--rate", next());
            if (rate < kMinRate || rate > kMaxRate) refuse("--rate must be within 8000..768000 Hz");
        } else if (a == "--block")
            block = parseWhole("--block", next(), 1, kMaxBlock);
        else if (a == "--plain")
            plain = true;
        else if (a == "--layout") {
            const char* text = next();
            char tail = 0;
            if (std::sscanf(text, "%d,%d%c", &ins, &outs, &tail) != 2 || ins < 1 || ins > 2 ||
                outs < 1 || outs > 2)
                refuse(std::string("--layout '") + text + "': use 1,1 1,2 2,1 or 2,2");
        } else if (a == "--param") {
            params.push_back(parseParam(next()));
        } else if (a == "--help" || a == "-h") {
            usage();
            return 0;
        } else {
            refuse("unknown option " + a + " (--help lists them)");
        }
    }
    if (inputPath.empty() && signalText.empty()) refuse("give --input FILE.wav or --signal SIGNAL");
    if (!inputPath.empty() && !signalText.empty())
        refuse("--input and --signal exclude each other");
    if (outputGiven && outputPath.empty())
        refuse("--output needs a file name (- for standard output)");
    if (outputGiven && !inputPath.empty() && sameStoredFile(inputPath, outputPath))
        refuse((outputPath == "-" ? "standard output" : "--output " + outputPath) +
               " is the input file");
    // Refused before anything of that length is made.
    const double frames = std::round(seconds * rate);
    if (signalText.size() && frames > kMaxFrames) {
        char what[160];
        std::snprintf(what, sizeof what,
                      "--seconds %g at %g Hz is %.0f frames, more than the %d a "
                      "render holds",
                      seconds, rate, frames, kMaxFrames);
        refuse(what);
    }
    if (signalText.size() && frames < 1) refuse("--seconds gives less than one frame");

    // Everything that runs plug-in code runs as under a host's entry.
    rigging::FPScope fp;
    BrindlewaveClient* client = rigging::createClient<BrindlewaveClient>();
    if (!client->isLegalIO(ins, outs)) {
        std::fprintf(stderr, "brindlewave-render: layout %d,%d is not supported\n", ins, outs);
        rigging::destroyFree(client);
        return 2;
    }
    std::string error;
    // Made before the work, so that a folder that cannot take it fails at once; removed again
    // on every way out but the commit.
    OutputFile output;
    if (outputGiven) {
        cleanUpOnSignals();
        if (!output.open(outputPath, error)) {
            std::fprintf(stderr, "brindlewave-render: %s\n", error.c_str());
            rigging::destroyFree(client);
            return 1;
        }
    }
    AudioBuffer source;
    WavReadLimits limits;
    limits.maxFrames = kMaxFrames;
    limits.maxBytes = kMaxInputBytes;
    std::string warning;
    if (!inputPath.empty() ? !readWav(inputPath, source, error, limits, &warning)
                           : !makeSignal(signalText, ins, int(frames), rate, source, error)) {
        std::fprintf(stderr, "brindlewave-render: %s\n", error.c_str());
        rigging::destroyFree(client);
        return 1;
    }
    if (!warning.empty()) std::fprintf(stderr, "brindlewave-render: %s\n", warning.c_str());
    if (source.sampleRate < kMinRate || source.sampleRate > kMaxRate) {
        std::fprintf(stderr,
                     "brindlewave-render: %s: sample rate %.0f Hz is outside 8000..768000\n",
                     inputPath.c_str(), source.sampleRate);
        rigging::destroyFree(client);
        return 1;
    }
    // The layout decides the input count: extra file channels are dropped, a missing second
    // channel repeats the first. Moved, not copied: a long render holds only its input and output.
    AudioBuffer input;
    input.sampleRate = source.sampleRate;
    input.channels.resize(ins);
    for (int c = ins - 1; c >= 0; --c) {
        const int from = std::min(c, source.numChannels() - 1);
        if (from == c)
            input.channels[c] = std::move(source.channels[from]);
        else
            input.channels[c] = source.channels[from];
    }

    if (outputGiven &&
        !output.reserve(encodedWavBytes(outs, input.frames(), WavSampleFormat::float32), error)) {
        std::fprintf(stderr, "brindlewave-render: %s\n", error.c_str());
        rigging::destroyFree(client);
        return 1;
    }

    for (const ParamSetting& p : params) setParameter(*client, p.index, p.value);
    client->setPlainProcessing(plain);
    RenderOptions options;
    options.blockSize = block;
    options.numOutputs = outs;
    AudioBuffer out = brindlewave::render::render(*client, input, options);

    if (outputGiven && !output.commit(encodeWav(out, WavSampleFormat::float32), error)) {
        std::fprintf(stderr, "brindlewave-render: %s\n", error.c_str());
        rigging::destroyFree(client);
        return 1;
    }
    // The WAV on standard output leaves the report to standard error.
    FILE* report = output.isStandardOutput() ? stderr : stdout;
    std::fprintf(report, "frames %d, rate %.0f Hz, layout %d,%d, block %d\n", out.frames(),
                 out.sampleRate, ins, outs, block);
    for (int c = 0; c < outs; ++c)
        std::fprintf(report, "output %d: peak %.2f dBFS, rms %.2f dBFS\n", c,
                     peakDb(out, c, 0, out.frames()), rmsDb(out, c, 0, out.frames()));
    const EngineUnits& u = client->units();
    for (int b = 0; b < kEngineBands; ++b)
        std::fprintf(report, "band %d meter: in %.2f dB, out %.2f dB\n", b + 1,
                     decibelsOfDouble(u.preDetectors[b]->getEnvelope()),
                     decibelsOfDouble(u.postDetectors[b]->getEnvelope()));
    rigging::destroyFree(client);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Running out of memory is an error like any other: one line, and the new output file goes
    // with the stack.
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "brindlewave-render: out of memory\n");
        return 1;
    }
}
