#include "fixture.h"
#include "vst2stress.h"

using namespace vsttest;

TEST_F(MidiWrapper, SurvivesACarelessHostWithFiniteOutput) {
    stress::Report r = vst2host::stressWrapper(host, kNumParams, 3000, 1234);
    EXPECT_EQ(r.blocks, 3000);
    EXPECT_EQ(r.nonFinite, 0);
    EXPECT_EQ(client->overruns, 0);
    EXPECT_FALSE(client->resets.empty());
}
