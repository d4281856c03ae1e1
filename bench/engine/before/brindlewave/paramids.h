#pragma once
// Indices of the plug-in's parameters. Band-numbered groups are laid out for ten bands; the
// engine reads the first four.

namespace brindlewave_before::param {

constexpr int kCount = 139;
constexpr int kTableBands = 10;

// Crossover n (0-based, 0..8) between bands n + 1 and n + 2.
constexpr int crossover(int n) {
    return n;
}
// Band b is 0-based (0..9).
constexpr int attack(int b) {
    return 9 + 5 * b;
}
constexpr int release(int b) {
    return 10 + 5 * b;
}
constexpr int threshold(int b) {
    return 11 + 5 * b;
}
constexpr int ratio(int b) {
    return 12 + 5 * b;
}
constexpr int gain(int b) {
    return 13 + 5 * b;
}
constexpr int numberOfBands = 59;
constexpr int inputGain = 60;
constexpr int outputGain = 61;
constexpr int globalAttack = 62;
constexpr int globalRelease = 63;
constexpr int globalThreshold = 64;
constexpr int globalRatio = 65;
constexpr int globalGain = 66;
// Link switch k (0 attack, 1 release, 2 threshold, 3 ratio, 4 gain) of band b.
constexpr int link(int b, int k) {
    return 67 + 5 * b + k;
}
constexpr int oversampleFactor = 117;
constexpr int solo(int b) {
    return 118 + b;
}
constexpr int toggleView(int b) {
    return 128 + b;
}
constexpr int internalBypass = 138;

}  // namespace brindlewave_before::param
