#pragma once
// A musician's short session with the editor in a real window: a band knob turned, a
// crossover handle dragged then flicked in the spectrum, a band removed and added again, the
// crossovers re-spaced. Each drag is one edit to the host, and each gesture waits until the
// host has seen its edit end, so a slow (sanitized) build is followed rather than outrun. Shared by
// the tests of both modules, which differ only in how they read the host's edit calls and the
// parameters.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "x11parent.h"

namespace editorsession {

struct Host {
    // How many begin and end edit calls the host has seen for a parameter index.
    std::function<int(int)> begins, ends, performs;
    // The values of a parameter's perform calls, in order.
    std::function<std::vector<double>(int)> performedValues;
    // A parameter's normalized value as the host reads it.
    std::function<double(int)> normalized;
    // The host closes the editor, opens it again (true once the new child exists), and
    // automates a parameter.
    std::function<void()> closeEditor;
    std::function<bool()> reopenEditor;
    std::function<void(int, double)> automate;
};

// Runs the session in the editor shown in `parent`'s child at the origin. Returns the first
// expectation that failed, or an empty string.
std::string playSession(const testhost::X11Parent& parent, const Host& host);

// In a fresh editor: a band knob and the global gain knob are turned, then Align, the band knob
// and the global knob are clicked in quick succession (none of these presses is the second
// half of a double click, so no value changes), then each knob is double-clicked, which resets
// it. Returns the first expectation that failed, or an empty string.
std::string playQuickClicks(const testhost::X11Parent& parent, const Host& host);

// Crossover 1's handle is pressed and moved, and the editor closed while the button is still
// down, then released and opened again: the host saw one begin and one end, hovering the
// display moves nothing, and host automation of the crossover moves the band panels. Returns
// the first expectation that failed, or an empty string.
std::string playCloseMidDrag(const testhost::X11Parent& parent, const Host& host);

// In a host that hands every edit back to the processor: band 1's Threshold knob turned, then
// held at its default with Alt, and crossover 1's handle dragged to its stop and held there.
// No perform repeats the one before it. Returns the first expectation that failed, or an empty
// string.
std::string playHeldAtLimits(const testhost::X11Parent& parent, const Host& host);

// The band row (0,265)-(1000,581) of a 1000 x 700 window picture.
std::vector<std::uint32_t> bandRow(const std::vector<std::uint32_t>& window);

}  // namespace editorsession
