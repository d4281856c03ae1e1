#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include "testclient.h"

using namespace testsupport;

namespace {

struct Recorder : IParameterListener {
    std::string tag;
    std::vector<std::string>* log;
    Recorder(std::string t, std::vector<std::string>* l) : tag(std::move(t)), log(l) {}
    void onParameterChanged(Parameter*) override { log->push_back(tag + " changed"); }
    void onBeginParameterEdit(Parameter*) override { log->push_back(tag + " begin"); }
    void onEndParameterEdit(Parameter*) override { log->push_back(tag + " end"); }
};

// Text of the value stored (n NaN) or of normalized value n.
std::string text(const Parameter& p, double n = NAN) {
    char buf[32];
    if (std::isnan(n))
        p.toStringN(buf, sizeof buf);
    else
        p.stringFromNormalizedValue(n, buf, sizeof buf);
    return buf;
}

// The parsed normalized value, NaN when refused (the out value must then be NaN too).
double parse(const Parameter& p, const char* s) {
    double n = 123.0;
    bool ok = p.normalizedValueFromString(s, n);
    EXPECT_EQ(ok, !std::isnan(n)) << (s ? s : "null");
    return n;
}

const std::string k64(64, '1'), k63 = std::string(62, '0') + "2";
const char* const kNull = nullptr;
const double kNaN = NAN;

}  // namespace

TEST(BoolParameter, HalfAndAboveIsOnAndTextIsExact) {
    BoolParameter p(0, "On", false);
    for (auto [n, on] : {std::pair{0.5, true}, {0.49, false}, {7.0, true}, {kNaN, false}}) {
        p.setNormalized(n);
        EXPECT_EQ(p.valueAtomic(), on) << n;
        EXPECT_EQ(p.getNormalized(), on ? 1.0 : 0.0);
        EXPECT_EQ(text(p), on ? "yes" : "no");
        EXPECT_EQ(text(p, n), on ? "yes" : "no");
    }
    EXPECT_EQ(parse(p, "yes"), 1.0);
    EXPECT_EQ(parse(p, "no"), 0.0);
    for (const char* bad : {"Yes", "yes ", "1", "", kNull}) EXPECT_TRUE(std::isnan(parse(p, bad)));
}

TEST(IntegerParameter, RoundsHalfAwayFromZeroAndClamps) {
    IntegerParameter p(1, "Mode", "", 0, 3, 9);
    EXPECT_EQ(p.defaultValue(), 3);  // the default is clamped into range
    for (auto [n, v] : {std::pair{0.5, 2}, {1.7, 3}, {0.16, 0}, {0.17, 1}, {-0.2, 0}, {kNaN, 0}}) {
        p.setNormalized(n);
        EXPECT_EQ(p.valueAtomic(), v) << n;
        EXPECT_EQ(text(p, n), std::to_string(v));
    }
    IntegerParameter negative(0, "Shift", "", -3, 3, 0);
    negative.setNormalized(0.25);  // -1.5
    EXPECT_EQ(negative.value(), -2);
    p.setFromGUI(-4);
    EXPECT_EQ(p.value(), 0);
    EXPECT_EQ(IntegerParameter(0, "Fixed", "", 5, 5, 5).getNormalized(), 0.0);  // not NaN
    EXPECT_DOUBLE_EQ(parse(p, "2"), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(parse(p, " 2 bands"), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(parse(p, k63.c_str()), 2.0 / 3.0);
    EXPECT_EQ(parse(p, "7"), 1.0);
    EXPECT_EQ(parse(p, "99999999999999999999999"), 1.0);  // saturates, no overflow
    for (const char* bad : {"x", "", k64.c_str(), kNull}) EXPECT_TRUE(std::isnan(parse(p, bad)));
}

TEST(LinearFloatParameter, ConversionsClampAndText) {
    LinearFloatParameter p(2, "Level", "dB", 0.f, 10.f, 2.5f);
    EXPECT_EQ(p.getNormalizedDefault(), 0.25);
    EXPECT_EQ(text(p), "2.50");
    EXPECT_EQ(text(p, 0.5), "5.00");
    for (auto [n, v] : {std::pair{0.75, 7.5}, {1.5, 10.0}, {-1.0, 0.0}, {kNaN, 0.0}}) {
        p.setNormalized(n);
        EXPECT_EQ(p.valueAtomic(), v) << n;
    }
    EXPECT_EQ(parse(p, "2.5 dB"), 0.25);
    EXPECT_EQ(parse(p, "40"), 1.0);
    for (const char* bad : {"nan", "-inf", "inf", "dB", k64.c_str()})
        EXPECT_TRUE(std::isnan(parse(p, bad))) << bad;
    LinearFloatParameter odd(0, "Odd", "", -1.f, 1.f, 5.f);  // the default is not clamped
    EXPECT_EQ(odd.defaultValue(), 5.0);
    EXPECT_EQ(odd.getNormalizedDefault(), 1.0);
}

TEST(LogFloatParameter, ExtendedPrecisionScaleStoresOnlyValuesInRange) {
    LogFloatParameter p(3, "Freq", "Hz", 20.0, 20000.0, 20000.0);
    EXPECT_EQ(p.getNormalized(), 1.0);
    EXPECT_NEAR(p.fromNormalized(0.5), 632.455532, 1e-6);
    EXPECT_GT(p.fromNormalized(1.5), 20000.0);  // the mapping is not clamped...
    for (auto [n, v] : {std::pair{1.5, 20000.0}, {1.0, 20000.0}, {-0.5, 20.0}, {kNaN, 20.0}}) {
        p.setNormalized(n);  // ...what is stored is
        EXPECT_EQ(p.valueAtomic(), v) << n;
    }
    EXPECT_NEAR(parse(p, "632.4555"), 0.5, 1e-7);
    EXPECT_EQ(parse(p, "5"), 0.0);
    for (const char* bad : {"-5", "nan", "-inf"}) EXPECT_TRUE(std::isnan(parse(p, bad))) << bad;
    p.setFromGUINormalized(2.0);
    EXPECT_EQ(p.value(), 20000.0);
    p.setFromGUI(kNaN);
    EXPECT_EQ(p.value(), 20.0);
}

TEST(ParameterListeners, EditorEditsReachTheHostBeforeTheListeners) {
    TestClient* c = make();
    FakeHost host;
    c->setHostCommand(&host);
    auto* level = static_cast<LinearFloatParameter*>(c->param(2));
    Recorder r("r", &host.calls);
    level->addListener(&r);
    level->beginParamEdit();
    level->setFromGUI(-90.0);  // clamped to -60
    level->setFromGUINormalized(0.5);
    level->endParamEdit();
    level->setFromHost(0.25);  // the host is not told of its own changes
    EXPECT_EQ(host.calls, (std::vector<std::string>{"begin 2", "r begin", "automate 2 0.000000",
                                                    "r changed", "automate 2 0.500000", "r changed",
                                                    "end 2", "r end", "r changed"}));
    EXPECT_EQ(level->value(), -45.0);
    destroyFree(c);
}

TEST(ParameterListeners, RemovalMovesTheLastIntoPlace) {
    BoolParameter p(0, "On", false);
    std::vector<std::string> log;
    Recorder a("a", &log), b("b", &log), c("c", &log), stranger("x", &log);
    for (Recorder* r : {&a, &b, &c}) p.addListener(r);
    p.removeListener(&a);
    p.removeListener(&stranger);
    p.setFromHost(1.0);
    EXPECT_EQ(log, (std::vector<std::string>{"c changed", "b changed"}));
}

// A listener that takes long on one thread (an editor's, on a host thread) holds up neither
// another thread's notification (the audio thread's, for a change inside the process call)
// nor anything but the removal of listeners, which waits for it.
TEST(ParameterListeners, ACallbackInProgressBlocksOnlyRemoval) {
    BoolParameter p(0, "On", false);
    struct Slow : IParameterListener {
        std::atomic<bool> inside{false}, release{false};
        std::atomic<int> calls{0};
        void onParameterChanged(Parameter*) override {
            if (calls++ == 0) {
                inside = true;
                while (!release) std::this_thread::yield();
                inside = false;
            }
        }
        void onBeginParameterEdit(Parameter*) override {}
        void onEndParameterEdit(Parameter*) override {}
    } slow;
    std::vector<std::string> log;
    Recorder quick("q", &log);
    p.addListener(&slow);
    p.addListener(&quick);
    std::thread host([&] { p.setFromHost(1.0); });
    while (!slow.inside) std::this_thread::yield();
    p.setFromHost(0.0);  // would wait for the host thread if callbacks ran under the lock
    EXPECT_EQ(log, (std::vector<std::string>{"q changed"}));
    std::atomic<bool> removed{false};
    std::thread editor([&] {
        p.removeListener(&slow);
        removed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(removed.load());  // the slow callback is still running
    slow.release = true;
    host.join();
    editor.join();
    EXPECT_TRUE(removed.load());
    EXPECT_FALSE(slow.inside.load());
    const int before = slow.calls;
    p.setFromHost(1.0);
    EXPECT_EQ(slow.calls, before);
}

// Listeners may leave from inside a callback without waiting on themselves.
TEST(ParameterListeners, ACallbackMayRemoveListeners) {
    BoolParameter p(0, "On", false);
    std::vector<std::string> log;
    Recorder b("b", &log);
    struct Remover : IParameterListener {
        Parameter* p;
        IParameterListener* other;
        void onParameterChanged(Parameter*) override {
            p->removeListener(this);
            p->removeListener(other);
        }
        void onBeginParameterEdit(Parameter*) override {}
        void onEndParameterEdit(Parameter*) override {}
    } remover;
    remover.p = &p;
    remover.other = &b;
    p.addListener(&remover);
    p.addListener(&b);
    p.setFromHost(1.0);
    p.setFromHost(0.0);
    EXPECT_TRUE(log.empty());
}

// For the thread sanitizer: the editor adds and removes listeners while a host thread
// notifies them and the audio thread reads the value.
TEST(ParameterListeners, ListenersComeAndGoWhileOtherThreadsNotify) {
    LinearFloatParameter p(0, "Level", "dB", -60.f, 0.f, 0.f);
    std::atomic<bool> stop{false};
    std::vector<std::string> log;  // only the host thread writes it
    std::vector<Recorder> widgets(32, Recorder("w", &log));
    std::thread host([&] {
        for (int i = 0; !stop; ++i) p.setFromHost((i % 100) / 100.0), log.clear();
    });
    double lowest = 0;
    std::thread audio([&] {
        while (!stop) lowest = std::min(lowest, p.valueAtomic());
    });
    for (int round = 0; round < 200; ++round) {
        for (Recorder& w : widgets) p.addListener(&w);
        for (Recorder& w : widgets) p.removeListener(&w);
    }
    stop = true;
    host.join();
    audio.join();
    EXPECT_GE(lowest, -60.0);
}
