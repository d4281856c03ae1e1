// The offline renderer runs the engine as hosts do: the same input and parameters through
// brindlewave-render and through the VST3 module in the test host give the same bits, and the
// renderer writes no denormal.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "brindlewave/client.h"
#include "brindlewave/paramids.h"
#include "host_instance.h"
#include "host_module.h"
#include "module_fixture.h"
#include "rigging/client/floatparameter.h"
#include "rigging/client/integerparameter.h"
#include "testsignal.h"
#include "wav.h"

using namespace vst3host;
namespace param = brindlewave::param;
using brindlewave::render::AudioBuffer;

namespace {

constexpr double kRate = 48000;
constexpr int kBlock = 512;

struct Programme {
    const char* name;
    std::vector<std::pair<int, double>> plainValues;
};

std::vector<Programme> programmes() {
    Programme everyBand{"x4_every_band_compressing", {{param::oversampleFactor, 2}}};
    for (int b = 0; b < 4; ++b) {
        everyBand.plainValues.push_back({param::threshold(b), -40});
        everyBand.plainValues.push_back({param::ratio(b), 8});
        everyBand.plainValues.push_back({param::attack(b), 0.5});
        everyBand.plainValues.push_back({param::release(b), 40});
    }
    return {{"defaults", {}},
            everyBand,
            {"x8_two_bands", {{param::oversampleFactor, 3}, {param::numberOfBands, 2}}}};
}

// The programme's values as a host sends them: normalized, by the plug-in's own scales.
std::vector<std::pair<int, double>> normalized(const Programme& p) {
    auto* client = rigging::createClient<brindlewave::BrindlewaveClient>();
    std::vector<std::pair<int, double>> v;
    for (auto [index, plain] : p.plainValues) {
        rigging::Parameter* q = client->param(index);
        if (auto* f = dynamic_cast<rigging::FloatParameter*>(q))
            v.push_back({index, f->toNormalized(plain)});
        else
            v.push_back({index, static_cast<rigging::IntegerParameter*>(q)->toNormalized(plain)});
    }
    rigging::destroyFree(client);
    return v;
}

// A short loud stereo burst, then a second of silence: long enough for the filters' ringing to
// decay into the range of denormal numbers, which the hosts' floating-point state flushes.
AudioBuffer burstThenSilence() {
    const int loud = 2000, quiet = 48000;
    AudioBuffer noise = brindlewave::render::makeNoise(2, loud, kRate, -3, 5);
    AudioBuffer in(2, loud + quiet, kRate);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < loud; ++i)
            in.channels[c][i] =
                noise.channels[c][i] + 0.3f * static_cast<float>(std::sin(0.05 * (c + 1) * i));
    return in;
}

class RenderMatchesModule : public LoadedModuleTest<::testing::TestWithParam<Programme>> {
protected:
    RenderMatchesModule() : LoadedModuleTest(BRINDLEWAVE_BUNDLE) {}

    // The module through the test host in blocks of kBlock, the values arriving with the
    // first block as a host's automation does.
    AudioBuffer throughModule(const AudioBuffer& in,
                              const std::vector<std::pair<int, double>>& values) {
        AudioBuffer out(2, in.frames(), kRate);
        HostApplication app;
        PluginInstance plugin;
        EXPECT_TRUE(plugin.create(factory, info.cid));
        EXPECT_TRUE(plugin.initialize(&app, nullptr));
        EXPECT_EQ(plugin.setArrangement(2, 2), kResultOk);
        EXPECT_EQ(plugin.setup(kRate, kBlock), kResultOk);
        plugin.start();
        ParameterChanges changes;
        for (auto [index, v] : values) changes.add(static_cast<ParamID>(index), 0, v);
        for (int pos = 0; pos < in.frames(); pos += kBlock) {
            const int n = std::min(kBlock, in.frames() - pos);
            auto* input = const_cast<AudioBuffer&>(in).channels.data();
            EXPECT_EQ(plugin.process({input[0].data() + pos, input[1].data() + pos},
                                     {out.channels[0].data() + pos, out.channels[1].data() + pos},
                                     n, pos == 0 ? &changes : nullptr),
                      kResultOk);
        }
        EXPECT_TRUE(plugin.teardown());
        EXPECT_EQ(plugin.fpViolations.load(), 0);
        return out;
    }
};

// brindlewave-render over a WAV file, the values given as a host would set them.
AudioBuffer throughRenderer(const AudioBuffer& in,
                            const std::vector<std::pair<int, double>>& values,
                            const std::string& name) {
    const std::string dir = ::testing::TempDir();
    const std::string inPath = dir + "render_in_" + name + ".wav";
    const std::string outPath = dir + "render_out_" + name + ".wav";
    std::string error;
    EXPECT_TRUE(writeWav(inPath, in, brindlewave::render::WavSampleFormat::float32, error))
        << error;
    std::string cmd = std::string(BRINDLEWAVE_RENDER) + " --input '" + inPath + "' --output '" +
                      outPath + "' --block " + std::to_string(kBlock) + " --layout 2,2";
    for (auto [index, v] : values) {
        char text[64];
        std::snprintf(text, sizeof text, " --param %d=%.17g", index, v);
        cmd += text;
    }
    EXPECT_EQ(std::system((cmd + " > /dev/null").c_str()), 0) << cmd;
    AudioBuffer out;
    EXPECT_TRUE(readWav(outPath, out, error)) << error;
    std::remove(inPath.c_str());
    std::remove(outPath.c_str());
    return out;
}

}  // namespace

TEST_P(RenderMatchesModule, BitForBitAndWithoutDenormals) {
    const AudioBuffer in = burstThenSilence();
    const std::vector<std::pair<int, double>> values = normalized(GetParam());
    const AudioBuffer hosted = throughModule(in, values);
    const AudioBuffer rendered = throughRenderer(in, values, GetParam().name);
    ASSERT_EQ(rendered.numChannels(), 2);
    ASSERT_EQ(rendered.frames(), in.frames());
    int denormals = 0;
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < in.frames(); ++i) {
            const float r = rendered.channels[c][i], h = hosted.channels[c][i];
            ASSERT_EQ(std::memcmp(&r, &h, sizeof r), 0)
                << "channel " << c << " frame " << i << ": " << r << " against " << h;
            if (std::fpclassify(r) == FP_SUBNORMAL) ++denormals;
        }
    }
    EXPECT_EQ(denormals, 0);
    EXPECT_GT(brindlewave::render::peakDb(rendered, 0, 0, 2000), -40.0);  // the burst came out
}

INSTANTIATE_TEST_SUITE_P(Programmes, RenderMatchesModule, ::testing::ValuesIn(programmes()),
                         [](const auto& info) { return std::string(info.param.name); });
