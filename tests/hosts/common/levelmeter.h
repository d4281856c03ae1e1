#pragma once
// Peak and RMS level of a signal fed in pieces, in dBFS (-inf for silence), and whether every
// sample was finite.

#include <cstddef>

namespace testhost {

struct Level {
    double peakDb;
    double rmsDb;
    bool finite;
};

class LevelMeter {
public:
    void add(const float* x, std::size_t n);
    Level level() const;

private:
    double peak_ = 0, sumSquares_ = 0;
    std::size_t count_ = 0;
    bool finite_ = true;
};

// The level of one buffer.
Level measure(const float* x, std::size_t n);

}  // namespace testhost
