// The client's requests to the host, seen from the host's side.

#include <cstring>
#include <string>

#include "fixture.h"
#include "rigging/client/floatparameter.h"

using namespace vsttest;

TEST_F(Wrapper, ParameterEditsFromTheEditorReachTheHost) {
    host.clearCalls();
    rigging::Parameter* gain = client->param(0);
    gain->beginParamEdit();
    static_cast<rigging::FloatParameter*>(gain)->setFromGUI(6.0);
    gain->endParamEdit();
    auto calls = host.calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(calls[0].index, 0);
    EXPECT_EQ(calls[1].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[1].index, 0);
    EXPECT_EQ(calls[1].value, 0);
    EXPECT_EQ(calls[1].opt, 0.75f);
    EXPECT_EQ(calls[2].opcode, audioMasterEndEdit);
    EXPECT_EQ(calls[2].index, 0);
}

TEST_F(Wrapper, ResizeRequestsPassWidthAndHeight) {
    rigging::IHostCommand* cmd = client->hostCommand();
    ASSERT_NE(cmd, nullptr);
    host.sizeWindowAnswer = 1;
    EXPECT_TRUE(cmd->requestResize(800, 600));
    host.sizeWindowAnswer = 0;
    EXPECT_FALSE(cmd->requestResize(800, 600));
    auto calls = host.callsWith(audioMasterSizeWindow);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].index, 800);
    EXPECT_EQ(calls[0].value, 600);
}

TEST_F(Wrapper, HostIdentityFromTheProductString) {
    rigging::IHostCommand* cmd = client->hostCommand();
    static const char kReaper[] = "reaper v7";
    host.productBytes.assign(kReaper, sizeof kReaper);
    EXPECT_EQ(cmd->getDAW(), rigging::DAW::reaper);
    host.productAnswer = 0;
    EXPECT_EQ(cmd->getDAW(), rigging::DAW::unknown);
    // A host that fills the whole buffer without a terminator is cut, not over-read.
    host.productAnswer = 1;
    host.productBytes = std::string(95, 'a') + "ardour";  // 101 bytes, no NUL
    host.productBytes.resize(kVstMaxHostProductStrLen);
    EXPECT_EQ(cmd->getDAW(), rigging::DAW::unknown);
    host.productBytes = std::string(80, 'b') + "ardour";
    host.productBytes.resize(kVstMaxHostProductStrLen, 'c');
    EXPECT_EQ(cmd->getDAW(), rigging::DAW::ardour);
    auto calls = host.callsWith(audioMasterGetProductString);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_NE(calls[0].ptr, nullptr);
}
