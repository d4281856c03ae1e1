#pragma once
// The module's one entry, exported as VSTPluginMain and as main. Use once per module:
//
//     RIGGING_VST2_ENTRY_POINT(MyClient)
//
// where MyClient is a Client subclass. Nothing runs before the host's first call.

#include "rigging/client/client.h"
#include "rigging/core/fpcontrol.h"
#include "rigging/core/nogc.h"
#include "rigging/core/threadcontract.h"
#include "rigging/vst/translatesdk.h"
#include "rigging/vst/vstclient.h"

namespace rigging::vst {

template <typename ClientT>
AEffect* myVSTEntryPoint(audioMasterCallback audioMaster) noexcept {
    RIGGING_THREAD(moduleThreads(), main);
    if (audioMaster == nullptr) return nullptr;
    FPScope fp;
    Client* client = createClient<ClientT>();
    VSTClient* wrapper = mallocNew<VSTClient>(client, audioMaster);
    return wrapper->effect();
}

}  // namespace rigging::vst

// C++ reserves the name main, so the second name is given at the assembler level: one
// function, two symbols; the version script exports both.
#define RIGGING_VST2_ENTRY_POINT(ClientT)                                                     \
    extern "C" __attribute__((visibility("default"))) ::rigging::vst::AEffect* VSTPluginMain( \
        ::rigging::vst::audioMasterCallback audioMaster) {                                    \
        return ::rigging::vst::myVSTEntryPoint<ClientT>(audioMaster);                         \
    }                                                                                         \
    __asm__(".globl main\n\t.type main, @function\n\t.set main, VSTPluginMain\n")
