#pragma once
// Scope that sets the floating-point control state every host entry runs under:
// flush-to-zero, denormals-are-zero, exceptions masked, round to nearest.

#include <cstdint>

namespace rigging {

constexpr std::uint32_t kPluginMXCSR = 0x9FFF;
constexpr std::uint16_t kPluginFPUCW = 0x037F;

std::uint32_t getMXCSR() noexcept;
void setMXCSR(std::uint32_t value) noexcept;
// The x87 control word.
std::uint16_t getFPUControlState() noexcept;
// Clears pending x87 exceptions, then loads the control word.
void setFPUControlState(std::uint16_t cw) noexcept;

class FPControl {
public:
    FPControl() noexcept = default;
    FPControl(const FPControl&) = delete;
    FPControl& operator=(const FPControl&) = delete;
    // Restores MXCSR first, then the x87 word, when initialize() ran.
    ~FPControl();

    void initialize() noexcept;

private:
    std::uint16_t savedFPUCW_ = 0;
    std::uint32_t savedMXCSR_ = 0;
    bool active_ = false;
};

// Declares and enters a scope in one statement.
class FPScope : public FPControl {
public:
    FPScope() noexcept { initialize(); }
};

}  // namespace rigging
