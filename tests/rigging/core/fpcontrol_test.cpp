#include "rigging/core/fpcontrol.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>

using namespace rigging;

namespace {

// Keeps the compiler from folding the arithmetic at compile time.
float halve(float x) {
    volatile float v = x;
    return v * 0.5f;
}

struct HostState {
    std::uint32_t mxcsr;
    std::uint16_t fpucw;
};

HostState read() {
    return {getMXCSR(), getFPUControlState()};
}

TEST(FPControl, SetsPluginStateInsideAndRestoresTheHostsAfter) {
    const HostState original = read();
    // A host running with denormals enabled and a different x87 precision.
    setMXCSR(0x1F80);
    setFPUControlState(0x027F);
    ASSERT_GT(halve(FLT_MIN), 0.0f);
    {
        FPScope scope;
        EXPECT_EQ(getMXCSR() & 0xFFC0, 0x9FC0u);  // status flags may change with arithmetic
        EXPECT_EQ(getFPUControlState(), 0x037F);
        float r = halve(FLT_MIN);
        EXPECT_EQ(r, 0.0f);
        EXPECT_FALSE(std::signbit(r));
    }
    EXPECT_EQ(getMXCSR() & 0xFFC0, 0x1F80u);
    EXPECT_EQ(getFPUControlState(), 0x027F);
    EXPECT_GT(halve(FLT_MIN), 0.0f);
    setMXCSR(original.mxcsr);
    setFPUControlState(original.fpucw);
}

TEST(FPControl, EntrySetsAllStatusFlagsAndNestedScopesRestoreInOrder) {
    const HostState original = read();
    setMXCSR(0x1F80);
    {
        FPControl outer;
        outer.initialize();
        EXPECT_EQ(getMXCSR(), 0x9FFFu);
        setMXCSR(0x1F80 | 0x8000);  // code inside changes the state
        {
            FPScope inner;
            EXPECT_EQ(getMXCSR(), 0x9FFFu);
        }
        EXPECT_EQ(getMXCSR(), 0x9F80u);
    }
    EXPECT_EQ(getMXCSR(), 0x1F80u);
    setMXCSR(original.mxcsr);
}

TEST(FPControl, UninitialisedScopeRestoresNothing) {
    const HostState original = read();
    setMXCSR(0x1F80);
    {
        FPControl idle;
        setMXCSR(0x1FC0);
    }
    EXPECT_EQ(getMXCSR(), 0x1FC0u);
    setMXCSR(original.mxcsr);
}

}  // namespace
