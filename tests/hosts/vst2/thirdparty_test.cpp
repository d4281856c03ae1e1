// Runs the test host against VST 2.4 plug-ins built elsewhere (Debian packages), so that the
// host's reading of the interface is checked against code not written here.

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "vst2host.h"

using namespace rigging::vst;

// Plug-ins built elsewhere keep some memory until the process ends; that is not ours to find.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_options() {
    return "detect_leaks=0";
}

namespace {

struct Candidate {
    const char* path;
    int inputs, outputs;  // as the plug-in announces them (a side-chain input counts)
};

const Candidate kCandidates[] = {
    {"/usr/lib/vst/lsp-plugins/compressor-stereo.so", 2, 2},
    {"/usr/lib/vst/lsp-plugins/mb-compressor-stereo.so", 2, 2},
    {"/usr/lib/vst/ZamCompX2-vst.so", 3, 2},
};

class ThirdPartyPlugin : public ::testing::TestWithParam<Candidate> {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(GetParam().path))
            GTEST_SKIP() << GetParam().path << " not installed";
    }
};

}  // namespace

TEST_P(ThirdPartyPlugin, RecordDispatcherAndProcessingAgreeWithTheHost) {
    vst2host::Module module(GetParam().path);
    ASSERT_TRUE(module.loaded()) << module.error();
    ASSERT_NE(module.entry(), nullptr);

    vst2host::Host host;
    AEffect* e = host.open(module.entry());
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->magic, kEffectMagic);
    // A record read at the wrong offsets shows implausible counts and null callbacks.
    EXPECT_EQ(e->numInputs, GetParam().inputs);
    EXPECT_EQ(e->numOutputs, GetParam().outputs);
    EXPECT_GT(e->numParams, 0);
    EXPECT_LT(e->numParams, 10000);
    EXPECT_GE(e->numPrograms, 0);
    EXPECT_TRUE(e->flags & effFlagsCanReplacing);
    EXPECT_NE(e->dispatcher, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->getParameter, nullptr);
    EXPECT_NE(e->setParameter, nullptr);
    EXPECT_EQ(e->object != nullptr || e->uniqueID != 0, true);

    host.start(48000.0f, 512);
    EXPECT_EQ(host.dispatch(effGetVstVersion), kVstVersion);
    auto name = host.dispatchText(effGetEffectName, 0, 256);
    EXPECT_FALSE(name.text.empty());
    EXPECT_FALSE(name.overran);
    auto pname = host.dispatchText(effGetParamName, 0, 256);
    EXPECT_FALSE(pname.text.empty());

    // Parameter values travel as floats in xmm0, in and out.
    float v = host.getParameter(0);
    EXPECT_TRUE(std::isfinite(v));
    EXPECT_GE(v, 0.0f);
    EXPECT_LE(v, 1.0f);

    // A speaker arrangement travels as a pointer in `value`: a 64-bit integer.
    host.setSpeakers(2, 2);

    const int frames = 512;
    std::vector<float> l(frames), r(frames), side(frames, 0), ol(frames, 0), orr(frames, 0);
    float* in[3] = {l.data(), r.data(), side.data()};
    float* out[2] = {ol.data(), orr.data()};
    double level = 0;
    for (int block = 0; block < 40; ++block) {
        for (int i = 0; i < frames; ++i)
            l[i] = r[i] = 0.5f * std::sin(2 * M_PI * 1000.0 * (block * frames + i) / 48000.0);
        host.processReplacing(in, out, frames);
        auto m = testhost::measure(ol.data(), frames);
        ASSERT_TRUE(m.finite);
        level = m.peakDb;
    }
    // A compressor at its defaults lets a -6 dBFS tone through in some form.
    EXPECT_GT(level, -60.0);

    host.dispatch(effMainsChanged, 0, 0);
    host.close();
    EXPECT_EQ(host.effect(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Debian, ThirdPartyPlugin, ::testing::ValuesIn(kCandidates),
                         [](const auto& info) {
                             std::string n = info.param.path;
                             n = n.substr(n.rfind('/') + 1);
                             n = n.substr(0, n.find('.'));
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });
