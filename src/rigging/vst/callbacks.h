#pragma once
// The functions the effect record hands to the host. Each enters the plug-in's floating-point
// state and forwards to the VSTClient named by the record's object field.

#include "rigging/core/threadcontract.h"
#include "rigging/vst/translatesdk.h"

namespace rigging::vst {

// The thread a host may send an opcode that reaches the wrapper from: mostly the UI thread.
constexpr ThreadRole dispatcherThread(VstInt32 opcode) noexcept {
    switch (opcode) {
        // Many hosts send events from the audio thread, just before the process call.
        case effProcessEvents:
        // Hosts may switch bypass along with the audio.
        case effSetBypass:
            return ThreadRole::any;
        default:
            return ThreadRole::main;
    }
}

// Thread tags: dispatcher per opcode (above), parameters any, processing audio.
VstIntPtr dispatcherCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                             void* ptr, float opt);
void setParameterCallback(AEffect* effect, VstInt32 index, float value);
float getParameterCallback(AEffect* effect, VstInt32 index);
void processCallback(AEffect* effect, float** inputs, float** outputs, VstInt32 frames);
void processReplacingCallback(AEffect* effect, float** inputs, float** outputs, VstInt32 frames);
void processDoubleReplacingCallback(AEffect* effect, double** inputs, double** outputs,
                                    VstInt32 frames);

}  // namespace rigging::vst
