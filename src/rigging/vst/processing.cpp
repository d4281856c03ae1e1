// The audio-thread side of the wrapper: the processing callbacks.

#include <cmath>

#include "rigging/client/client.h"
#include "rigging/core/fpcontrol.h"
#include "rigging/vst/callbacks.h"
#include "rigging/vst/vstclient.h"

namespace rigging::vst {

void processCallback(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
    VSTClient* wrapper = VSTClient::fromEffect(effect);
    RIGGING_AUDIO_ENTRY(wrapper->client()->threads());
    FPScope fp;
    wrapper->process(inputs, outputs, frames);
}

void processReplacingCallback(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
    VSTClient* wrapper = VSTClient::fromEffect(effect);
    RIGGING_AUDIO_ENTRY(wrapper->client()->threads());
    FPScope fp;
    wrapper->processReplacing(inputs, outputs, frames);
}

void processDoubleReplacingCallback(AEffect* effect, double** inputs, double** outputs,
                                    VstInt32 frames) {
    VSTClient* wrapper = VSTClient::fromEffect(effect);
    RIGGING_AUDIO_ENTRY(wrapper->client()->threads());
    FPScope fp;
    wrapper->processDoubleReplacing(inputs, outputs, frames);
}

TimeInfo VSTClient::hostTimeInfo() noexcept {
    TimeInfo t;
    VstIntPtr answer = hostCommand_->callHost(audioMasterGetTime, 0, kVstTempoValid, nullptr, 0.0f);
    const auto* info = reinterpret_cast<const VstTimeInfo*>(answer);
    // A position that does not fit the counter is as unusable as no answer.
    if (info != nullptr && info->sampleRate > 0 && std::fabs(info->samplePos) < 9.0e18) {
        t.timeInSamples = static_cast<std::int64_t>(info->samplePos + 0.5);
        if ((info->flags & kVstTempoValid) && info->tempo > 0) t.tempo = info->tempo;
        t.hostIsPlaying = (info->flags & kVstTransportPlaying) != 0;
    } else {
        t.timeInSamples = sampleCounter_;
    }
    return t;
}

template <typename Sample, typename Run>
void VSTClient::processBlock(Sample** inputs, Sample** outputs, int frames, Run run) noexcept {
    processMessages();
    if (frames <= 0) return;
    const HostChannels<Sample> host{inputs, inputs ? audioHostInputs_ : 0, outputs,
                                    outputs ? audioHostOutputs_ : 0};
    run(host, frames, hostTimeInfo());
    sampleCounter_ += frames;
}

void VSTClient::processReplacing(float** inputs, float** outputs, int frames) noexcept {
    processBlock(inputs, outputs, frames, [this](const auto& host, int n, TimeInfo time) {
        hostBlocks_.processReplacing(host, n, time);
    });
}

void VSTClient::processDoubleReplacing(double** inputs, double** outputs, int frames) noexcept {
    processBlock(inputs, outputs, frames, [this](const auto& host, int n, TimeInfo time) {
        hostBlocks_.processReplacing(host, n, time);
    });
}

// The older accumulating form: the client's output is added to what the host's buffers hold.
void VSTClient::process(float** inputs, float** outputs, int frames) noexcept {
    processBlock(inputs, outputs, frames, [this](const auto& host, int n, TimeInfo time) {
        hostBlocks_.processAccumulating(host, n, time);
    });
}

}  // namespace rigging::vst
