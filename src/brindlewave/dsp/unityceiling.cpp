#include "brindlewave/dsp/unityceiling.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "brindlewave/dsp/decibels.h"

namespace brindlewave {

namespace {

float fromBits(std::uint32_t b) noexcept {
    float f;
    std::memcpy(&f, &b, 4);
    return f;
}
std::uint32_t toBits(float f) noexcept {
    std::uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

}  // namespace

float referenceGain(float envelope, float threshold, float slope) noexcept {
    if (!(slope > 0.0f)) return 1.0f;
    const float r = (threshold - decibelsOfReference(envelope)) * slope;
    if (!(r < 0.0f)) return 1.0f;
    return gainOfDecibelsReference(r);
}

float unityGainCeiling(float threshold, float slope) noexcept {
    constexpr std::uint32_t infBits = 0x7F800000u;
    auto unity = [&](std::uint32_t b) {
        return referenceGain(fromBits(b), threshold, slope) == 1.0f;
    };
    if (unity(infBits)) return std::numeric_limits<float>::infinity();

    // The boundary lies next to the linear threshold: bracket it closely, else search all floats.
    std::uint32_t lo = 0, hi = infBits;  // unity(lo) holds, unity(hi) does not
    const double linear = gainOfDecibelsDouble(threshold);
    if (std::isfinite(linear) && linear > 1e-30 && linear < 1e30) {
        const std::uint32_t a = toBits(float(linear * 0.999)), b = toBits(float(linear * 1.001));
        if (unity(a) && !unity(b)) {
            lo = a;
            hi = b;
        }
    }
    while (hi - lo > 1) {
        const std::uint32_t mid = lo + (hi - lo) / 2;
        if (unity(mid))
            lo = mid;
        else
            hi = mid;
    }
    return fromBits(lo);
}

}  // namespace brindlewave
