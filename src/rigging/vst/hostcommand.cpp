#include "rigging/vst/hostcommand.h"

#include <cstring>

#include "rigging/core/fpcontrol.h"

namespace rigging::vst {

VstIntPtr VSTHostFromClientPOV::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                         void* ptr, float opt) noexcept {
    FPScope fp;
    return audioMaster_(effect_, opcode, index, value, ptr, opt);
}

void VSTHostFromClientPOV::beginParamEdit(int paramIndex) noexcept {
    callHost(audioMasterBeginEdit, paramIndex, 0, nullptr, 0.0f);
}

void VSTHostFromClientPOV::paramAutomate(int paramIndex, float normalizedValue) noexcept {
    callHost(audioMasterAutomate, paramIndex, 0, nullptr, normalizedValue);
}

void VSTHostFromClientPOV::endParamEdit(int paramIndex) noexcept {
    callHost(audioMasterEndEdit, paramIndex, 0, nullptr, 0.0f);
}

bool VSTHostFromClientPOV::requestResize(int width, int height) noexcept {
    return callHost(audioMasterSizeWindow, width, height, nullptr, 0.0f) != 0;
}

DAW VSTHostFromClientPOV::getDAW() noexcept {
    // The host writes an unbounded string: start from zeros and cut whatever it wrote.
    std::memset(hostName_, 0, sizeof hostName_);
    VstIntPtr answer = callHost(audioMasterGetProductString, 0, 0, hostName_, 0.0f);
    hostName_[sizeof hostName_ - 1] = 0;
    return identifyDAW(answer == 1 ? hostName_ : "unknown");
}

}  // namespace rigging::vst
