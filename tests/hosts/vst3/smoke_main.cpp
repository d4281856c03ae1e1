// Loads a VST3 bundle, processes two seconds of a generated stereo signal through its first
// audio class and prints the input and output levels. Exit status 0 when the module loads,
// processes and gives finite output, and every reference comes back at teardown.

#include <cmath>
#include <cstdio>
#include <vector>

#include "host_instance.h"
#include "host_module.h"
#include "levelmeter.h"

using namespace vst3host;

namespace {

void print(const char* what, int ch, const testhost::LevelMeter& m) {
    const testhost::Level l = m.level();
    std::printf("%s %d: peak %7.2f dBFS, rms %7.2f dBFS\n", what, ch, l.peakDb, l.rmsDb);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <bundle.vst3>\n", argv[0]);
        return 2;
    }
    HostModule module;
    if (!module.load(argv[1])) {
        std::fprintf(stderr, "cannot load %s: %s\n", argv[1], module.error().c_str());
        return 1;
    }
    IPluginFactory* factory = module.getFactory();
    PClassInfo info{};
    if (!factory || findClass(factory, "Audio Module Class", &info) < 0) {
        std::fprintf(stderr, "no audio class in %s\n", argv[1]);
        return 1;
    }
    std::printf("%.64s\n", info.name);
    const double rate = 44100;
    const int block = 512, total = static_cast<int>(2 * rate);
    bool ok;
    {
        HostApplication app;
        PluginInstance plugin;
        if (!plugin.create(factory, info.cid) || !plugin.initialize(&app, nullptr)) {
            std::fprintf(stderr, "cannot create an instance\n");
            return 1;
        }
        plugin.setArrangement(2, 2);
        // A plug-in that refuses stereo has adapted its buses; use what it reports.
        const int ins = plugin.channels(kInput), outs = plugin.channels(kOutput);
        plugin.setup(rate, block);
        plugin.start();
        std::vector<std::vector<float>> in(ins, std::vector<float>(block));
        std::vector<std::vector<float>> out(outs, std::vector<float>(block));
        std::vector<float*> inPtrs, outPtrs;
        for (auto& c : in) inPtrs.push_back(c.data());
        for (auto& c : out) outPtrs.push_back(c.data());
        std::vector<testhost::LevelMeter> inLevel(ins), outLevel(outs);
        // A 1 kHz tone whose level rises from -40 dBFS to 0 dBFS, slightly different per side.
        for (int pos = 0; pos < total; pos += block) {
            int n = std::min(block, total - pos);
            for (int c = 0; c < ins; ++c)
                for (int i = 0; i < n; ++i) {
                    double t = (pos + i) / rate;
                    double gain = std::pow(10.0, (-40.0 + 40.0 * (pos + i) / total) / 20.0);
                    in[c][i] = static_cast<float>(gain * std::sin(2 * M_PI * 1000 * t + c));
                }
            plugin.process(inPtrs, outPtrs, n);
            for (int c = 0; c < ins; ++c) inLevel[c].add(in[c].data(), n);
            for (int c = 0; c < outs; ++c) outLevel[c].add(out[c].data(), n);
        }
        ok = true;
        for (int c = 0; c < ins; ++c) print("input ", c, inLevel[c]);
        for (int c = 0; c < outs; ++c) {
            print("output", c, outLevel[c]);
            ok = ok && outLevel[c].level().finite;
        }
        if (!plugin.teardown()) {
            std::fprintf(stderr, "references left after teardown\n");
            ok = false;
        }
    }
    if (factory->release() != 0) std::fprintf(stderr, "factory still referenced\n");
    std::printf(ok ? "ok\n" : "FAILED\n");
    return ok ? 0 : 1;
}
