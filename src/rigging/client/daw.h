#pragma once
// Host applications the plug-in recognises, and plug-in categories.

namespace rigging {

// Values are stored by hosts' projects nowhere, but editors compare them; keep them stable.
enum class DAW : int {
    unknown = 0,
    reaper = 1,
    protools = 2,
    cubase = 3,
    nuendo = 4,
    cakewalk = 5,
    fruity = 7,
    samplitude = 8,
    live = 9,
    melodyne = 12,
    vstmanlib = 13,
    aulab = 14,
    forte = 15,
    chainer = 16,
    audition = 17,
    orion = 18,
    sawstudio = 20,
    logic = 21,
    garageband = 22,
    digital = 23,
    standalone = 24,
    audiomulch = 25,
    presonus = 26,
    vst3plugintesthost = 27,
    ardour = 28,
};

// The VST3 factory maps these to sub-category strings.
enum class PluginCategory : int {
    analyzer = 0,
    delay = 1,
    distortion = 2,
    dynamics = 3,
    eq = 4,
    spatial = 5,
    modulation = 6,
    pitchShift = 7,
    reverb = 8,
    otherEffect = 9,
    instrumentDrum = 10,
    instrumentSampler = 11,
    instrumentSynth = 12,
    instrumentOther = 13,
};

// Recognises a host from its product name by case-sensitive substring search; the first key
// found in a fixed order wins, none gives DAW::unknown. Null reads as unknown.
DAW identifyDAW(const char* productName) noexcept;

}  // namespace rigging
