#include "rigging/core/fpcontrol.h"

#include <xmmintrin.h>

namespace rigging {

std::uint32_t getMXCSR() noexcept {
    return _mm_getcsr();
}

void setMXCSR(std::uint32_t value) noexcept {
    _mm_setcsr(value);
}

std::uint16_t getFPUControlState() noexcept {
    std::uint16_t cw;
    asm volatile("fnstcw %0" : "=m"(cw));
    return cw;
}

void setFPUControlState(std::uint16_t cw) noexcept {
    asm volatile("fnclex\n\tfldcw %0" : : "m"(cw));
}

void FPControl::initialize() noexcept {
    savedMXCSR_ = getMXCSR();
    setMXCSR(kPluginMXCSR);
    savedFPUCW_ = getFPUControlState();
    setFPUControlState(kPluginFPUCW);
    active_ = true;
}

FPControl::~FPControl() {
    if (!active_) return;
    setMXCSR(savedMXCSR_);
    setFPUControlState(savedFPUCW_);
}

}  // namespace rigging
