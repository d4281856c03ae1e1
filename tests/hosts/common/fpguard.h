#pragma once
// Every host entry into a plug-in under the host's own floating-point control registers: the
// guard sets them (or keeps the caller's), and counts the entry as a violation when the
// plug-in does not give them back unchanged. The caller's registers are restored either way.

#include <atomic>
#include <cstdint>

namespace testhost {

class FpGuard {
public:
    // The host runs with the registers it has now.
    explicit FpGuard(std::atomic<int>& violations) noexcept;
    // The host runs with these registers.
    FpGuard(std::atomic<int>& violations, std::uint32_t mxcsr, std::uint16_t x87) noexcept;
    ~FpGuard();
    FpGuard(const FpGuard&) = delete;
    FpGuard& operator=(const FpGuard&) = delete;

private:
    std::atomic<int>& violations_;
    std::uint32_t callerMXCSR_, hostMXCSR_;
    std::uint16_t callerX87_, hostX87_;
};

}  // namespace testhost
