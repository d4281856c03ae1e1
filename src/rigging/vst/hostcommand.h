#pragma once
// The client's requests to a VST 2.4 host, turned into audioMaster calls.

#include "rigging/client/hostcommand.h"
#include "rigging/vst/translatesdk.h"

namespace rigging::vst {

class VSTHostFromClientPOV : public IHostCommand {
public:
    VSTHostFromClientPOV(AEffect* effect, audioMasterCallback audioMaster) noexcept
        : effect_(effect), audioMaster_(audioMaster) {}

    void beginParamEdit(int paramIndex) noexcept override;
    void paramAutomate(int paramIndex, float normalizedValue) noexcept override;
    void endParamEdit(int paramIndex) noexcept override;
    bool requestResize(int width, int height) noexcept override;
    DAW getDAW() noexcept override;

    // Any call into the host goes through here, under the plug-in's floating-point state.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                       float opt) noexcept;

private:
    AEffect* effect_;
    audioMasterCallback audioMaster_;
    char hostName_[kVstMaxHostProductStrLen] = {};
};

}  // namespace rigging::vst
