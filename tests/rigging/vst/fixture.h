#pragma once
// Opens the wrapper around a test client inside the test process, through the test host, and
// checks after every test that the host's registers always came back and that every call into
// the host ran under the plug-in's floating-point state.

#include <gtest/gtest.h>

#include "rigging/vst/entrypoint.h"
#include "vst2host.h"
#include "vst2testclient.h"

namespace vsttest {

using namespace rigging::vst;

template <typename ClientT>
AEffect* entryFor(audioMasterCallback cb) {
    return myVSTEntryPoint<ClientT>(cb);
}

template <typename ClientT>
class WrapperTest : public ::testing::Test {
protected:
    void SetUp() override {
        effect = host.open(&entryFor<ClientT>);
        ASSERT_NE(effect, nullptr);
        client = static_cast<ClientT*>(VSTClient::fromEffect(effect)->client());
    }
    void TearDown() override {
        if (host.effect()) host.close();
        EXPECT_EQ(host.fpViolations(), 0);
        for (const vst2host::HostCall& c : host.calls()) {
            EXPECT_EQ(c.mxcsr, 0x9FFFu) << "host opcode " << c.opcode;
            EXPECT_EQ(c.fpucw, 0x37F) << "host opcode " << c.opcode;
        }
    }

    // One block through processReplacing with host buffers of `channels` x `frames`.
    void processSilence(int frames, int inChannels = 2, int outChannels = 2) {
        std::vector<std::vector<float>> in(inChannels, std::vector<float>(frames, 0.0f));
        std::vector<std::vector<float>> out(outChannels, std::vector<float>(frames, 0.0f));
        std::vector<float*> ip, op;
        for (auto& b : in) ip.push_back(b.data());
        for (auto& b : out) op.push_back(b.data());
        host.processReplacing(ip.data(), op.data(), frames);
    }

    vst2host::Host host;
    AEffect* effect = nullptr;
    ClientT* client = nullptr;
};

using Wrapper = WrapperTest<TestClient>;
using MidiWrapper = WrapperTest<MidiTestClient>;
using EditorWrapper = WrapperTest<EditorTestClient>;
using NoEditorWrapper = WrapperTest<NoEditorTestClient>;

}  // namespace vsttest
