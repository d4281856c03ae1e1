// The binding under a rough host: random blocks and layouts, parameter changes from a second
// thread during processing, rate changes, and thousands of random and truncated states.

#include <gtest/gtest.h>

#include "fixture.h"
#include "vst3stress.h"

using namespace vst3test;

TEST(Vst3Stress, TestPlugInSurvivesARoughHost) {
    const int overrunsBefore = testsupport::TestClient::overrunsEver.load();
    IPluginFactory* factory = rigging::vst3::getPluginFactory(makeTestClient);
    StressOptions options;
    options.numParams = 4;
    options.maxBlock = 100;
    EXPECT_EQ(stressFindings(runStress(factory, testClassId(), options), options), "");
    EXPECT_EQ(testsupport::TestClient::overrunsEver.load(), overrunsBefore);
    EXPECT_EQ(factory->release(), 0u);
    EXPECT_EQ(testsupport::TestClient::live.load(), 0);
}
