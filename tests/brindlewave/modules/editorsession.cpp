#include "editorsession.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <thread>
#include <tuple>

namespace editorsession {

namespace {

using std::chrono::milliseconds;

constexpr int kCrossover0 = 0, kCrossover2 = 2, kCrossover3 = 3, kBands = 59, kAttackBand1 = 9;
constexpr int kThresholdBand1 = 11, kGainBand1 = 13, kGlobalGain = 66;

// Crossover parameters run linearly over 20 .. 20000 Hz.
double hz(double normalized) {
    return 20.0 + normalized * 19980.0;
}

// Presses more than half a second apart are never a double click; the first motion after the
// pointer enters an element carries no displacement, hence the step before the press.
void pressAt(const testhost::X11Parent& parent, int x, int y) {
    parent.movePointer(x, y + 2);
    std::this_thread::sleep_for(milliseconds(150));
    parent.movePointer(x, y);
    std::this_thread::sleep_for(milliseconds(600));
    parent.button(1, true);
}

bool waitForEnd(const Host& host, int index, int endsBefore) {
    return testhost::waitFor([&] { return host.ends(index) > endsBefore; }, 15000);
}

// Vertical or horizontal drag from (x, y) by (dx, dy) in `steps` steps, with Alt held after
// the press when asked: one edit, opened once and closed at the release, with a perform at
// most per step.
std::string drag(const testhost::X11Parent& parent, const Host& host, int index, int x, int y,
                 int dx, int dy, int steps = 10, bool alt = false) {
    const int ends = host.ends(index), begins = host.begins(index);
    const int performs = host.performs(index);
    pressAt(parent, x, y);
    std::this_thread::sleep_for(milliseconds(200));
    if (alt) parent.altKey(true);
    for (int s = 1; s <= steps; ++s) {
        parent.movePointer(x + dx * s / steps, y + dy * s / steps);
        std::this_thread::sleep_for(milliseconds(30));
    }
    parent.button(1, false);
    if (alt) parent.altKey(false);
    const std::string what = std::to_string(index);
    if (!waitForEnd(host, index, ends)) return "no end edit for " + what;
    if (host.begins(index) != begins + 1 || host.ends(index) != ends + 1)
        return "not one begin and one end edit for " + what;
    const int performed = host.performs(index) - performs;
    if (performed == 0 || performed > steps) return "no perform, or too many, for " + what;
    return {};
}

std::string click(const testhost::X11Parent& parent, const Host& host, int lastIndex, int x,
                  int y) {
    const int ends = host.ends(lastIndex);
    pressAt(parent, x, y);
    std::this_thread::sleep_for(milliseconds(30));
    parent.button(1, false);
    if (!waitForEnd(host, lastIndex, ends)) return "no end edit for " + std::to_string(lastIndex);
    return {};
}

std::string near(const char* what, double got, double want, double tolerance) {
    if (std::fabs(got - want) <= tolerance) return {};
    char b[128];
    std::snprintf(b, sizeof b, "%s is %.4f, expected %.4f", what, got, want);
    return b;
}

// A press and its release at (x, y) with no pause: a musician going from control to control.
void quickClick(const testhost::X11Parent& parent, int x, int y) {
    parent.movePointer(x, y);
    parent.button(1, true);
    parent.button(1, false);
}

}  // namespace

std::string playQuickClicks(const testhost::X11Parent& parent, const Host& host) {
    const double attackDefault = host.normalized(kAttackBand1);
    const double globalDefault = host.normalized(kGlobalGain);
    std::string e;
    if (!(e = drag(parent, host, kAttackBand1, 57, 297, 0, -45)).empty()) return e;
    // The global gain knob 45 px down; with the links on, every band's gain follows it.
    if (!(e = drag(parent, host, kGlobalGain, 733, 640, 0, 45)).empty()) return e;
    const double attack = host.normalized(kAttackBand1), global = host.normalized(kGlobalGain);
    const double gain = host.normalized(kGainBand1);
    if (std::fabs(attack - attackDefault) < 0.1 || std::fabs(global - globalDefault) < 0.1)
        return "the knobs did not leave their defaults";

    // Align Even (the layout it gives is the default one, so the knobs stay where they are),
    // then both knobs, each press about 40 ms after the one before.
    std::this_thread::sleep_for(milliseconds(600));
    const int attackEnds = host.ends(kAttackBand1), globalEnds = host.ends(kGlobalGain);
    quickClick(parent, 155, 670);
    std::this_thread::sleep_for(milliseconds(40));
    quickClick(parent, 57, 297);
    std::this_thread::sleep_for(milliseconds(40));
    quickClick(parent, 733, 640);
    // Each knob press opens an edit and its release closes it.
    if (!waitForEnd(host, kAttackBand1, attackEnds)) return "the band knob's click was not seen";
    if (!waitForEnd(host, kGlobalGain, globalEnds)) return "the global knob's click was not seen";
    if (!(e = near("band 1 attack after the quick clicks", host.normalized(kAttackBand1), attack,
                   1e-9))
             .empty())
        return e;
    if (!(e = near("global gain after the quick clicks", host.normalized(kGlobalGain), global,
                   1e-9))
             .empty())
        return e;
    if (!(e = near("band 1 gain after the quick clicks", host.normalized(kGainBand1), gain, 1e-9))
             .empty())
        return e;

    // A real double click on each knob: two presses at one place well within half a second.
    for (const auto& [index, x, y, want] : {std::tuple(kAttackBand1, 57, 297, attackDefault),
                                            std::tuple(kGlobalGain, 733, 640, globalDefault)}) {
        std::this_thread::sleep_for(milliseconds(600));
        parent.movePointer(x, y);
        std::this_thread::sleep_for(milliseconds(150));
        parent.button(1, true);
        parent.button(1, false);
        std::this_thread::sleep_for(milliseconds(60));
        parent.button(1, true);
        parent.button(1, false);
        testhost::waitFor([&, index = index, want = want] {
            return std::fabs(host.normalized(index) - want) < 1e-6;
        });
        const std::string what = "parameter " + std::to_string(index) + " after a double click";
        if (!(e = near(what.c_str(), host.normalized(index), want, 1e-6)).empty()) return e;
    }
    return {};
}

std::string playSession(const testhost::X11Parent& parent, const Host& host) {
    std::string e;
    // Band 1's Attack knob, 45 px up at a quarter turn per height: the default 0.68916 + 0.25.
    if (!(e = drag(parent, host, kAttackBand1, 57, 297, 0, -45)).empty()) return e;
    if (!(e = near("band 1 attack", host.normalized(kAttackBand1), 0.93916, 0.01)).empty())
        return e;

    // The first crossover's handle, 50 px right of x 250: about 158.87 Hz. Then a flick: one
    // 40 px step from the handle's centre, to x 340.
    if (!(e = drag(parent, host, kCrossover0, 250, 60 + 102, 50, 0)).empty()) return e;
    if (!(e = near("crossover 1", hz(host.normalized(kCrossover0)), 158.87, 3.0)).empty()) return e;
    if (!(e = drag(parent, host, kCrossover0, 300, 60 + 102, 40, 0, 1)).empty()) return e;
    if (!(e = near("crossover 1 after a flick", hz(host.normalized(kCrossover0)), 209.43, 3.0))
             .empty())
        return e;

    // "-" then "+": back to four bands, the new last band getting room: the band left of it
    // spans x 500 .. 1000, so the third crossover goes 100 px right of its left edge, f(600).
    if (!(e = click(parent, host, kBands, 17, 652)).empty()) return e;
    if (!(e = near("band count after -", host.normalized(kBands), 0.5, 1e-6)).empty()) return e;
    if (!(e = click(parent, host, kCrossover2, 83, 652)).empty()) return e;
    if (!(e = near("band count after +", host.normalized(kBands), 1.0, 1e-6)).empty()) return e;
    if (!(e = near("crossover 3 after +", hz(host.normalized(kCrossover2)), 1261.9, 15.0)).empty())
        return e;

    // Align Left: every band 100 px wide but the last, x 100, 200, 300.
    if (!(e = click(parent, host, kCrossover3, 155, 635)).empty()) return e;
    const double want[3] = {39.905, 79.621, 158.866};
    for (int i = 0; i < 3; ++i) {
        const std::string what = "aligned crossover " + std::to_string(i + 1);
        if (!(e = near(what.c_str(), hz(host.normalized(i)), want[i], 1.0)).empty()) return e;
    }
    return {};
}

std::string playCloseMidDrag(const testhost::X11Parent& parent, const Host& host) {
    const int begins = host.begins(kCrossover0), ends = host.ends(kCrossover0);
    pressAt(parent, 250, 60 + 102);
    std::this_thread::sleep_for(milliseconds(200));
    for (int s = 1; s <= 5; ++s) {
        parent.movePointer(250 + 10 * s, 60 + 102);
        std::this_thread::sleep_for(milliseconds(30));
    }
    if (!testhost::waitFor(
            [&] { return std::fabs(hz(host.normalized(kCrossover0)) - 158.87) < 3; }))
        return near("crossover 1 before closing", hz(host.normalized(kCrossover0)), 158.87, 3.0);
    host.closeEditor();
    parent.button(1, false);
    if (host.begins(kCrossover0) != begins + 1 || host.ends(kCrossover0) != ends + 1)
        return "closing mid-drag left not one begin and one end edit";

    if (!host.reopenEditor()) return "the editor did not open again";
    // Settled: the band row shows the same twice in a row.
    std::vector<std::uint32_t> row;
    if (!testhost::waitFor([&] {
            const auto a = bandRow(parent.grab(parent.child(), 1000, 700));
            std::this_thread::sleep_for(milliseconds(150));
            row = bandRow(parent.grab(parent.child(), 1000, 700));
            return !row.empty() && a == row &&
                   std::adjacent_find(row.begin(), row.end(), std::not_equal_to<>()) != row.end();
        }))
        return "the reopened editor did not settle";
    // Over the handle and along the display with no button held.
    const double value = host.normalized(kCrossover0);
    const int performs = host.performs(kCrossover0);
    for (int s = 0; s <= 10; ++s) {
        parent.movePointer(300 + 10 * s, 60 + 102);
        std::this_thread::sleep_for(milliseconds(30));
    }
    std::this_thread::sleep_for(milliseconds(300));
    if (host.performs(kCrossover0) != performs || host.normalized(kCrossover0) != value ||
        host.begins(kCrossover0) != begins + 1 || host.ends(kCrossover0) != ends + 1)
        return "hovering after reopening edited crossover 1";

    // The host moves crossover 1 back to x 250: the first band's panel narrows.
    host.automate(kCrossover0, (20.0 * std::pow(1000.0, 0.25) - 20.0) / 19980.0);
    if (!testhost::waitFor([&] {
            return testhost::compareImages(bandRow(parent.grab(parent.child(), 1000, 700)), row, 1)
                       .pixels > 5000;
        }))
        return "host automation of crossover 1 left the band panels where they were";
    return {};
}

std::string playHeldAtLimits(const testhost::X11Parent& parent, const Host& host) {
    auto repeated = [&](int index) -> std::string {
        const std::vector<double> v = host.performedValues(index);
        const auto same = std::adjacent_find(v.begin(), v.end());
        if (same == v.end()) return {};
        char b[128];
        std::snprintf(b, sizeof b, "parameter %d was sent %.9g twice in a row (%zu performs)",
                      index, *same, v.size());
        return b;
    };
    std::string e;
    // Band 1's Threshold 45 px down, then 15 steps with Alt, each asking for the default.
    const double thresholdDefault = host.normalized(kThresholdBand1);
    if (!(e = drag(parent, host, kThresholdBand1, 57, 407, 0, 45)).empty()) return e;
    if (!(e = drag(parent, host, kThresholdBand1, 57, 407, 0, 15, 15, true)).empty()) return e;
    if (!(e = near("band 1 threshold after Alt", host.normalized(kThresholdBand1), thresholdDefault,
                   1e-6))
             .empty())
        return e;
    if (!(e = repeated(kThresholdBand1)).empty()) return e;
    // 30 steps of 10 px from x 250: the handle stops 100 px short of crossover 2, at x 400.
    if (!(e = drag(parent, host, kCrossover0, 250, 60 + 102, 300, 0, 30)).empty()) return e;
    if (!(e = near("crossover 1 at its stop", hz(host.normalized(kCrossover0)), 316.98, 3.0))
             .empty())
        return e;
    return repeated(kCrossover0);
}

std::vector<std::uint32_t> bandRow(const std::vector<std::uint32_t>& window) {
    std::vector<std::uint32_t> out;
    if (window.size() < 1000u * 700u) return out;
    out.reserve(1000u * 316u);
    for (int y = 265; y < 581; ++y)
        for (int x = 0; x < 1000; ++x)
            out.push_back(window[static_cast<std::size_t>(y) * 1000 + x]);
    return out;
}

}  // namespace editorsession
