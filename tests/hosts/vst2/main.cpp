// vst2host: loads a VST 2.4 module, runs a generated stereo signal through it and prints the
// plug-in's identity and the input and output levels. Exits non-zero when the module does not
// load or the output is not finite.
//
//   vst2host MODULE.so [--rate HZ] [--block FRAMES] [--seconds S]

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "vst2host.h"

using namespace rigging::vst;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s MODULE.so [--rate HZ] [--block FRAMES] [--seconds S]\n",
                     argv[0]);
        return 2;
    }
    double rate = 48000, seconds = 1;
    int block = 512;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--rate"))
            rate = std::atof(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--block"))
            block = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--seconds"))
            seconds = std::atof(argv[i + 1]);
    }
    if (rate <= 0 || block <= 0 || seconds <= 0) {
        std::fprintf(stderr, "rate, block and seconds must be positive\n");
        return 2;
    }

    vst2host::Module module(argv[1]);
    if (!module.loaded() || !module.entry()) {
        std::fprintf(stderr, "cannot load %s: %s\n", argv[1], module.error().c_str());
        return 1;
    }
    vst2host::Host host;
    AEffect* e = host.open(module.entry());
    if (!e || e->magic != kEffectMagic) {
        std::fprintf(stderr, "%s returned no effect record\n", argv[1]);
        return 1;
    }
    host.start(static_cast<float>(rate), block);
    auto name = host.dispatchText(effGetEffectName, 0, 64);
    auto vendor = host.dispatchText(effGetVendorString, 0, 64);
    std::printf("plug-in: %s (%s), %d in, %d out, %d parameters, %d programs\n", name.text.c_str(),
                vendor.text.c_str(), e->numInputs, e->numOutputs, e->numParams, e->numPrograms);

    const int channels = 2;
    const std::size_t total = static_cast<std::size_t>(rate * seconds);
    std::vector<std::vector<float>> in(channels, std::vector<float>(total));
    std::vector<std::vector<float>> out(channels, std::vector<float>(total, 0.0f));
    const double freq[2] = {1000.0, 440.0}, amp[2] = {0.25, 0.125};
    for (int c = 0; c < channels; ++c)
        for (std::size_t i = 0; i < total; ++i)
            in[c][i] = static_cast<float>(amp[c] * std::sin(2 * M_PI * freq[c] * i / rate));

    // Hosts hand every channel the plug-in announces; extra ones get silence / are dropped.
    int nIn = e->numInputs > 0 ? e->numInputs : 0, nOut = e->numOutputs > 0 ? e->numOutputs : 0;
    std::vector<float> silence(block, 0.0f), sink(block);
    std::vector<std::vector<float>> sinks(nOut, std::vector<float>(block));
    std::vector<float*> inPtrs(nIn), outPtrs(nOut);
    for (std::size_t pos = 0; pos < total; pos += block) {
        int n = static_cast<int>(std::min<std::size_t>(block, total - pos));
        for (int c = 0; c < nIn; ++c) inPtrs[c] = c < channels ? &in[c][pos] : silence.data();
        for (int c = 0; c < nOut; ++c) outPtrs[c] = c < channels ? &out[c][pos] : sinks[c].data();
        host.processReplacing(inPtrs.data(), outPtrs.data(), n);
    }
    host.dispatch(effMainsChanged, 0, 0);
    host.close();

    bool finite = true;
    const char* side[2] = {"L", "R"};
    for (int c = 0; c < channels; ++c) {
        auto li = testhost::measure(in[c].data(), total);
        auto lo = testhost::measure(out[c].data(), total);
        finite = finite && lo.finite;
        std::printf("input  %s: peak %7.2f dBFS, rms %7.2f dBFS\n", side[c], li.peakDb, li.rmsDb);
        std::printf("output %s: peak %7.2f dBFS, rms %7.2f dBFS\n", side[c], lo.peakDb, lo.rmsDb);
    }
    if (host.fpViolations() != 0) {
        std::fprintf(stderr, "the plug-in left the host's floating-point registers changed\n");
        return 1;
    }
    if (!finite) {
        std::fprintf(stderr, "the output holds non-finite samples\n");
        return 1;
    }
    return 0;
}
