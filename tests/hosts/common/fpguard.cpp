#include "fpguard.h"

#include "rigging/core/fpcontrol.h"

namespace testhost {

FpGuard::FpGuard(std::atomic<int>& violations) noexcept
    : FpGuard(violations, rigging::getMXCSR(), rigging::getFPUControlState()) {}

FpGuard::FpGuard(std::atomic<int>& violations, std::uint32_t mxcsr, std::uint16_t x87) noexcept
    : violations_(violations),
      callerMXCSR_(rigging::getMXCSR()),
      hostMXCSR_(mxcsr),
      callerX87_(rigging::getFPUControlState()),
      hostX87_(x87) {
    rigging::setMXCSR(hostMXCSR_);
    rigging::setFPUControlState(hostX87_);
}

FpGuard::~FpGuard() {
    const std::uint32_t m = rigging::getMXCSR();
    const std::uint16_t c = rigging::getFPUControlState();
    rigging::setMXCSR(callerMXCSR_);
    rigging::setFPUControlState(callerX87_);
    if (m != hostMXCSR_ || c != hostX87_) violations_.fetch_add(1);
}

}  // namespace testhost
