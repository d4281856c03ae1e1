// The host's dispatcher entry and the opcodes the wrapper answers.

#include <cmath>
#include <cstdio>
#include <cstring>

#include "rigging/client/client.h"
#include "rigging/core/fpcontrol.h"
#include "rigging/core/nogc.h"
#include "rigging/vst/callbacks.h"
#include "rigging/vst/vstclient.h"

namespace rigging::vst {

namespace {

// Bit n set: opcode n is answered 0 without reaching the wrapper.
constexpr std::uint64_t kRefusedOpcodes = 0xFBF64BF1C03F0201ull;

// At most n-1 characters and a terminator; nothing for a null buffer or n of 0.
void copyText(void* dst, std::size_t n, const char* text) noexcept {
    if (dst == nullptr || n == 0) return;
    char* d = static_cast<char*>(dst);
    std::size_t len = std::strlen(text);
    if (len > n - 1) len = n - 1;
    std::memcpy(d, text, len);
    d[len] = 0;
}

void clearText(void* dst) noexcept {
    if (dst) static_cast<char*>(dst)[0] = 0;
}

int clampToInt(VstIntPtr v) noexcept {
    if (v > 0x7FFFFFFF) return 0x7FFFFFFF;
    return static_cast<int>(v);
}

}  // namespace

VstIntPtr dispatcherCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                             void* ptr, float opt) {
    if (opcode < 0 || opcode >= 64) return 0;
    if ((kRefusedOpcodes >> opcode) & 1) return 0;  // any thread: nothing is done
    VSTClient* wrapper = VSTClient::fromEffect(effect);
#if RIGGING_THREAD_CHECKS
    wrapper->client()->threads().expect(dispatcherThread(opcode), "dispatcher opcode", opcode);
#endif
    VstIntPtr result;
    {
        FPScope fp;
        result = wrapper->dispatcher(opcode, index, value, ptr, opt);
        if (opcode == effClose) destroyFree(wrapper);
    }
    return result;
}

VstIntPtr VSTClient::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) noexcept {
    PresetBank* bank = &client_->presetBank();
    const bool validParam = index >= 0 && index < numParams_;
    switch (opcode) {
        case effClose:
            return 0;
        case effSetProgram:
            if (value >= 0 && value <= 0x7FFFFFFF &&
                bank->isValidPresetIndex(static_cast<int>(value)))
                bank->loadPresetFromHost(static_cast<int>(value));
            return 0;
        case effGetProgram:
            return bank->currentPresetIndex();
        case effSetProgramName:
            if (ptr != nullptr && bank->currentPreset() != nullptr) {
                // Hosts' names are not always terminated: read no further than the limit.
                char name[kVstMaxProgNameLen + 1];
                std::size_t n = strnlen(static_cast<const char*>(ptr), kVstMaxProgNameLen);
                std::memcpy(name, ptr, n);
                name[n] = 0;
                bank->currentPreset()->setName(name);
            }
            return 0;
        case effGetProgramName:
            if (ptr != nullptr && bank->currentPreset() != nullptr)
                copyText(ptr, kVstMaxProgNameLen, bank->currentPreset()->name());
            return 0;
        case effGetParamLabel:
            if (validParam)
                copyText(ptr, kVstMaxParamStrLen, client_->param(index)->label());
            else
                clearText(ptr);
            return 0;
        case effGetParamDisplay:
            if (validParam && ptr)
                client_->param(index)->toDisplayN(static_cast<char*>(ptr), kVstMaxParamStrLen);
            else
                clearText(ptr);
            return 0;
        case effGetParamName:
            if (validParam)
                copyText(ptr, kVstMaxParamNameLen, client_->param(index)->name());
            else
                clearText(ptr);
            return 0;
        case effSetSampleRate:
            // A rate the engine cannot run at is not passed on.
            if (!(opt > 0.0f) || !std::isfinite(opt)) return 0;
            sampleRate_ = opt;
            sendResetMessage();
            return 0;
        case effSetBlockSize:
            if (value < 0) return 1;
            maxFrames_ = clampToInt(value);
            sendResetMessage();
            return 0;
        case effMainsChanged:
            if (value == 0)
                sendResetMessage();
            else
                effect_.initialDelay = client_->latencySamples(sampleRate_);
            return 0;
        case effEditGetRect:
        case effEditOpen:
        case effEditClose:
            return editorOpcode(opcode, ptr);
        case effIdentify:
            return kEffectIdentify;
        case effProcessEvents:
            return processEvents(static_cast<const VstEvents*>(ptr));
        case effCanBeAutomated:
            return validParam && client_->param(index)->isAutomatable() ? 1 : 0;
        case effString2Parameter: {
            if (!validParam || ptr == nullptr) return 0;
            // The text is what the user typed, in the parameter's display units.
            double normalized;
            if (!client_->param(index)->normalizedValueFromString(static_cast<const char*>(ptr),
                                                                  normalized))
                return 0;
            client_->setParameterFromHost(index, static_cast<float>(normalized));
            return 1;
        }
        case effGetNumProgramCategories:
            return 1;
        case effGetProgramNameIndexed:
            if (ptr == nullptr || !bank->isValidPresetIndex(index)) return 0;
            copyText(ptr, kVstMaxProgNameLen, bank->preset(index)->name());
            return static_cast<char*>(ptr)[0] != 0 ? 1 : 0;
        case effGetInputProperties:
            return pinProperties(index, ptr, maxInputs_, "Input %d");
        case effGetOutputProperties:
            return pinProperties(index, ptr, maxOutputs_, "Output %d");
        case effGetPlugCategory:
            return client_->isSynth() ? kPlugCategSynth : kPlugCategEffect;
        case effSetSpeakerArrangement: {
            auto* in = reinterpret_cast<const VstSpeakerArrangement*>(value);
            auto* out = static_cast<const VstSpeakerArrangement*>(ptr);
            if (in == nullptr || out == nullptr) return 1;
            hostInputs_ = in->numChannels > 0 ? in->numChannels : 0;
            hostOutputs_ = out->numChannels > 0 ? out->numChannels : 0;
            chooseChannels();
            sendResetMessage();
            return 0;
        }
        case effSetBypass:
            return 0;
        case effGetEffectName:
            if (ptr == nullptr) return 0;
            copyText(ptr, kVstMaxEffectNameLen, client_->pluginName());
            return 1;
        case effGetVendorString:
            if (ptr == nullptr) return 0;
            copyText(ptr, kVstMaxVendorStrLen, client_->vendorName());
            return 1;
        case effGetProductString:
            if (ptr == nullptr) return 0;
            client_->getPluginFullName(static_cast<char*>(ptr), kVstMaxProductStrLen);
            return 1;
        case effCanDo: {
            if (ptr == nullptr) return 0;
            const char* s = static_cast<const char*>(ptr);
            if (std::strcmp(s, "receiveVstTimeInfo") == 0) return 1;
            if (client_->receivesMIDI() && (std::strcmp(s, "receiveVstEvents") == 0 ||
                                            std::strcmp(s, "receiveVstMidiEvent") == 0 ||
                                            std::strcmp(s, "receiveVstMidiEvents") == 0))
                return 1;
            return 0;
        }
        case effGetVstVersion:
            return kVstVersion;
        default:
            return 0;
    }
}

VstIntPtr VSTClient::editorOpcode(VstInt32 opcode, void* ptr) noexcept {
    // A client announces an editor before it can build one; until it can, there is no size and
    // nothing opens.
    if (!client_->hasGUI()) return 0;
    MutexLock lock(graphicsMutex_);
    switch (opcode) {
        case effEditGetRect: {
            if (ptr == nullptr) return 0;
            int w = 0, h = 0;
            if (!client_->getGUISize(&w, &h)) return 0;
            editRect_ = {0, 0, static_cast<std::int16_t>(h), static_cast<std::int16_t>(w)};
            *static_cast<ERect**>(ptr) = &editRect_;
            return 1;
        }
        case effEditOpen:
            if (client_->openGUI(ptr, nullptr, GraphicsBackend::unspecified) == nullptr) return 0;
            return 1;
        default:  // effEditClose: closing an editor that is not open is nothing to refuse
            client_->closeGUI();
            return 1;
    }
}

VstIntPtr VSTClient::processEvents(const VstEvents* events) noexcept {
    if (events == nullptr) return 0;
    // The list is taken either way; a client without MIDI input has nothing to queue.
    if (!client_->receivesMIDI()) return 1;
    // numEvents is read again after each event, as hosts may count on.
    const VstEvent* const* list = events->events;  // numEvents long, not two
    for (int i = 0; i < events->numEvents; ++i) {
        const VstEvent* e = list[i];
        if (e == nullptr || e->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(e);
        AudioThreadMessage m;
        m.type = AudioThreadMessage::midi;
        m.midiMessage =
            MidiMessage(midi->deltaFrames, midi->midiData[0], midi->midiData[1], midi->midiData[2]);
        pushMessage(m);
    }
    return 1;
}

VstIntPtr VSTClient::pinProperties(VstInt32 index, void* ptr, int count,
                                   const char* name) noexcept {
    if (ptr == nullptr || index < 0 || index >= count) return 0;
    auto* pin = static_cast<VstPinProperties*>(ptr);
    pin->flags = (index % 2 == 0) ? (kVstPinIsActive | kVstPinIsStereo) : kVstPinIsActive;
    std::snprintf(pin->label, sizeof pin->label, name, index);
    return 1;
}

}  // namespace rigging::vst
