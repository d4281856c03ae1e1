#pragma once
// The host's transport, passed by value to processing.

#include <cstdint>

namespace rigging {

struct TimeInfo {
    double tempo = 120.0;            // beats per minute
    std::int64_t timeInSamples = 0;  // position of the block's first frame
    bool hostIsPlaying = false;
};

}  // namespace rigging
