#include "rigging/core/thread.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <cstdlib>

using namespace rigging;

namespace {

struct Probe {
    pthread_t self{};
    std::size_t stack = 0;
    int runs = 0;
};

void record(void* ctx) {
    auto* p = static_cast<Probe*>(ctx);
    p->self = pthread_self();
    pthread_attr_t attr;
    pthread_getattr_np(pthread_self(), &attr);
    pthread_attr_getstacksize(&attr, &p->stack);
    pthread_attr_destroy(&attr);
    p->runs++;
}

std::size_t defaultStackSize() {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    std::size_t s = 0;
    pthread_attr_getstacksize(&attr, &s);
    pthread_attr_destroy(&attr);
    return s;
}

TEST(Thread, RunsItsCallbackOnANewThreadWithTheDefaultStack) {
    Probe probe;
    Thread t = makeThread(record, &probe);
    EXPECT_EQ(t.stackSize(), 0u);
    t.start();
    t.join();
    EXPECT_EQ(probe.runs, 1);
    EXPECT_FALSE(pthread_equal(probe.self, pthread_self()));
    EXPECT_EQ(probe.stack, defaultStackSize());
}

TEST(Thread, HonoursAnExplicitStackSize) {
    Probe probe;
    const std::size_t wanted = 1 << 20;
    Thread t = makeThread(record, &probe, wanted);
    t.start();
    t.join();
    EXPECT_EQ(probe.runs, 1);
    EXPECT_GE(probe.stack, wanted);
    EXPECT_LT(probe.stack, wanted * 2);
}

void withUserData(void* ctx, void* userData) {
    static_cast<Probe*>(ctx)->runs += static_cast<int>(reinterpret_cast<std::intptr_t>(userData));
}

TEST(Thread, ContextWithoutFirstCallbackRunsTheSecondWithUserData) {
    Probe probe;
    Thread t;
    auto* c = static_cast<ThreadContext*>(std::malloc(sizeof(ThreadContext)));
    *c = ThreadContext{nullptr, nullptr, &probe, withUserData, reinterpret_cast<void*>(5)};
    t.adoptContext(c);
    t.start();
    t.join();
    EXPECT_EQ(probe.runs, 5);
}

}  // namespace
