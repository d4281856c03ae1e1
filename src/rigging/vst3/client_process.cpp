// The audio thread's side of VST3Client: the process call.

#include <algorithm>
#include <cstring>

#include "rigging/core/fpcontrol.h"
#include "rigging/vst3/client.h"

namespace rigging {

using namespace vst3;

namespace {

// Channel pointers of the first bus, and how many the host says it has (never negative).
float** busChannels(AudioBusBuffers* buses, int32 numBuses, int& count) noexcept {
    count = 0;
    if (buses == nullptr || numBuses <= 0 || buses[0].numChannels <= 0) return nullptr;
    if (buses[0].channelBuffers32 == nullptr) return nullptr;
    count = buses[0].numChannels;
    return buses[0].channelBuffers32;
}

}  // namespace

tresult VST3Client::process(ProcessData& data) {
    RIGGING_AUDIO_ENTRY(client_->threads());
    FPScope fp;
    applyPendingPreset();
    if (data.inputParameterChanges) applyParameterChanges(*data.inputParameterChanges);

    int hostIn = 0, hostOut = 0;
    float** inputs = busChannels(data.inputs, data.numInputs, hostIn);
    float** outputs = busChannels(data.outputs, data.numOutputs, hostOut);
    int frames = data.numSamples > 0 ? data.numSamples : 0;
    if (data.symbolicSampleSize != kSample32) outputs = nullptr;  // never write 64-bit buffers

    int in = std::min(hostIn, client_->maxInputs());
    int out = std::min(hostOut, client_->maxOutputs());
    // A call without audio only delivers parameters: it must not reset the engine's state.
    bool audio = frames > 0 && outputs != nullptr;
    if (audio) {
        // The start of processing asks for a reset; a new rate or block size from set-up, and
        // other channel counts in the call itself, are found by comparison.
        hostBlocks_.resetForStream({audioSampleRate_.load(), hostMaxBlockSize_.load(), in, out},
                                   resetPending_.exchange(false));
    }

    if (data.inputEvents && client_->receivesMIDI()) enqueueEvents(*data.inputEvents);
    updateTimeInfo(data);

    if (audio) {
        if (bypassed_.load())
            bypass(inputs, hostIn, outputs, hostOut, frames);
        else if (in > 0 && out > 0 && client_->isLegalIO(in, out))
            hostBlocks_.processReplacing({inputs, hostIn, outputs, hostOut}, frames, timeInfo_);
        else
            HostBlockAdapter::silence(outputs, 0, hostOut, frames);
    }
    if (!data.processContext) timeInfo_.timeInSamples += frames;
    return kResultOk;
}

void VST3Client::bypass(float* const* inputs, int hostIn, float* const* outputs, int hostOut,
                        int frames) noexcept {
    const int through = inputs ? std::min(hostIn, hostOut) : 0;
    for (int c = 0; c < through; ++c) {
        if (outputs[c] == nullptr) continue;
        if (inputs[c] == nullptr)
            std::memset(outputs[c], 0, static_cast<std::size_t>(frames) * sizeof(float));
        else if (inputs[c] != outputs[c])
            std::memmove(outputs[c], inputs[c], static_cast<std::size_t>(frames) * sizeof(float));
    }
    HostBlockAdapter::silence(outputs, through, hostOut, frames);
}

void VST3Client::applyParameterChanges(IParameterChanges& changes) noexcept {
    int32 count = changes.getParameterCount();
    for (int32 i = 0; i < count; ++i) {
        IParamValueQueue* queue = changes.getParameterData(i);
        if (queue == nullptr) continue;
        int32 points = queue->getPointCount();
        if (points <= 0) continue;
        int32 offset = 0;
        ParamValue value = 0;
        // Only where the block ends matters: parameters are read once per chunk.
        if (queue->getPoint(points - 1, offset, value) != kResultOk) continue;
        ParamID id = queue->getParameterId();
        if (id == kPresetParamId) {
            if (client_->presetBank().numPresets() > 0)
                requestPresetFromAudio(presetIndexFromNormalized(value));
        } else if (id == kBypassParamId) {
            bypassed_.store(value >= 0.5);
        } else if (id < static_cast<ParamID>(client_->numParams())) {
            client_->setParameterFromHost(static_cast<int>(id), static_cast<float>(value));
        }
    }
}

void VST3Client::enqueueEvents(IEventList& events) noexcept {
    int32 count = events.getEventCount();
    for (int32 i = 0; i < count; ++i) {
        Event e;
        if (events.getEvent(i, e) != kResultOk) continue;
        switch (e.type) {
            case Event::kNoteOnEvent: {
                float v = e.noteOn.velocity;
                v = v > 0 ? (v < 1 ? v : 1) : 0;  // NaN too becomes 0
                client_->enqueueMIDIFromHost(
                    makeMidiMessageNoteOn(e.sampleOffset, e.noteOn.channel, e.noteOn.pitch,
                                          static_cast<int>(v * 127 + 0.5f) & 0xFF));
                break;
            }
            case Event::kNoteOffEvent:
                client_->enqueueMIDIFromHost(
                    makeMidiMessageNoteOff(e.sampleOffset, e.noteOff.channel, e.noteOff.pitch));
                break;
            case Event::kLegacyMIDICCOutEvent: {
                const LegacyMIDICCOutEvent& cc = e.midiCCOut;
                if (cc.controlNumber < 128)
                    client_->enqueueMIDIFromHost(makeMidiMessage(e.sampleOffset, cc.channel,
                                                                 MidiStatus::controlChange,
                                                                 cc.controlNumber, cc.value));
                else if (cc.controlNumber == kPitchBend)
                    client_->enqueueMIDIFromHost(makeMidiMessage(
                        e.sampleOffset, cc.channel, MidiStatus::pitchWheel, cc.value, cc.value2));
                break;
            }
            default:
                break;
        }
    }
}

void VST3Client::updateTimeInfo(const ProcessData& data) noexcept {
    const ProcessContext* ctx = data.processContext;
    if (ctx == nullptr) return;  // advanced after the block instead
    if (ctx->state & ProcessContext::kTempoValid) timeInfo_.tempo = ctx->tempo;
    timeInfo_.timeInSamples = ctx->projectTimeSamples;
    timeInfo_.hostIsPlaying = (ctx->state & ProcessContext::kPlaying) != 0;
}

}  // namespace rigging
