// The audio-thread side of the wrapper: the processing and parameter callbacks.

#include <cmath>
#include <cstring>

#include "rigging/client/client.h"
#include "rigging/core/fpcontrol.h"
#include "rigging/vst/callbacks.h"
#include "rigging/vst/vstclient.h"

namespace rigging::vst {

void setParameterCallback(AEffect* effect, VstInt32 index, float value) {
    FPScope fp;
    VSTClient::fromEffect(effect)->setParameter(index, value);
}

float getParameterCallback(AEffect* effect, VstInt32 index) {
    FPScope fp;
    return VSTClient::fromEffect(effect)->getParameter(index);
}

void processCallback(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
    FPScope fp;
    VSTClient::fromEffect(effect)->process(inputs, outputs, frames);
}

void processReplacingCallback(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
    FPScope fp;
    VSTClient::fromEffect(effect)->processReplacing(inputs, outputs, frames);
}

void processDoubleReplacingCallback(AEffect* effect, double** inputs, double** outputs,
                                    VstInt32 frames) {
    FPScope fp;
    VSTClient::fromEffect(effect)->processDoubleReplacing(inputs, outputs, frames);
}

void VSTClient::setParameter(VstInt32 index, float value) noexcept {
    if (index >= 0 && index < numParams_) client_->setParameterFromHost(index, value);
}

float VSTClient::getParameter(VstInt32 index) noexcept {
    if (index < 0 || index >= numParams_) return 0.0f;
    return static_cast<float>(client_->param(index)->getForHost());
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

void VSTClient::runClient(int frames, TimeInfo& time) noexcept {
    client_->processAudioFromHost(
        inputPointers_.first(static_cast<std::size_t>(audioProcessingInputs_)),
        outputPointers_.first(static_cast<std::size_t>(audioProcessingOutputs_)), frames, time);
    sampleCounter_ += frames;
    time.timeInSamples += frames;
}

// Messages first; then host blocks longer than the scratch buffers go through in pieces that
// share one time query, advanced by the frames already done.
template <typename Sample>
void VSTClient::runInPieces(Sample** inputs, Sample** outputs, int frames,
                            PieceFn<Sample> piece) noexcept {
    processMessages();
    if (frames <= 0 || audioFrames_ <= 0) return;
    TimeInfo time = hostTimeInfo();
    for (int done = 0; done < frames;) {
        int n = frames - done < audioFrames_ ? frames - done : audioFrames_;
        (this->*piece)(inputs, outputs, done, n, time);
        done += n;
    }
}

void VSTClient::processReplacing(float** inputs, float** outputs, int frames) noexcept {
    runInPieces(inputs, outputs, frames, &VSTClient::replacingPiece);
}

void VSTClient::processDoubleReplacing(double** inputs, double** outputs, int frames) noexcept {
    runInPieces(inputs, outputs, frames, &VSTClient::doubleReplacingPiece);
}

void VSTClient::process(float** inputs, float** outputs, int frames) noexcept {
    runInPieces(inputs, outputs, frames, &VSTClient::accumulatingPiece);
}

void VSTClient::replacingPiece(float** inputs, float** outputs, int offset, int frames,
                               TimeInfo& time) noexcept {
    const int hIn = inputs ? audioHostInputs_ : 0, hOut = outputs ? audioHostOutputs_ : 0;
    const int pIn = audioProcessingInputs_, pOut = audioProcessingOutputs_;
    const std::size_t bytes = static_cast<std::size_t>(frames) * sizeof(float);
    // Inputs are copied first: hosts may hand the same buffer as input and output.
    for (int i = 0; i < pIn; ++i) {
        if (i < hIn) {
            std::memcpy(inputScratch_[i], inputs[i] + offset, bytes);
            inputPointers_[i] = inputScratch_[i];
        } else {
            inputPointers_[i] = zeroBuffer_;
        }
    }
    for (int i = 0; i < pOut; ++i)
        outputPointers_[i] = i < hOut ? outputs[i] + offset : outputScratch_[i];
    runClient(frames, time);
    for (int i = pOut; i < hOut; ++i) std::memset(outputs[i] + offset, 0, bytes);
}

void VSTClient::doubleReplacingPiece(double** inputs, double** outputs, int offset, int frames,
                                     TimeInfo& time) noexcept {
    const int hIn = inputs ? audioHostInputs_ : 0, hOut = outputs ? audioHostOutputs_ : 0;
    const int pIn = audioProcessingInputs_, pOut = audioProcessingOutputs_;
    for (int i = 0; i < pIn; ++i) {
        if (i < hIn) {
            const double* src = inputs[i] + offset;
            float* dst = inputScratch_[i];
            for (int j = 0; j < frames; ++j) dst[j] = static_cast<float>(src[j]);
            inputPointers_[i] = dst;
        } else {
            inputPointers_[i] = zeroBuffer_;
        }
    }
    for (int i = 0; i < pOut; ++i) outputPointers_[i] = outputScratch_[i];
    runClient(frames, time);
    const int common = pOut < hOut ? pOut : hOut;
    for (int i = 0; i < common; ++i) {
        const float* src = outputScratch_[i];
        double* dst = outputs[i] + offset;
        for (int j = 0; j < frames; ++j) dst[j] = src[j];
    }
    for (int i = common; i < hOut; ++i)
        std::memset(outputs[i] + offset, 0, static_cast<std::size_t>(frames) * sizeof(double));
}

void VSTClient::accumulatingPiece(float** inputs, float** outputs, int offset, int frames,
                                  TimeInfo& time) noexcept {
    const int hIn = inputs ? audioHostInputs_ : 0, hOut = outputs ? audioHostOutputs_ : 0;
    const int pIn = audioProcessingInputs_, pOut = audioProcessingOutputs_;
    for (int i = 0; i < pIn; ++i) inputPointers_[i] = i < hIn ? inputs[i] + offset : zeroBuffer_;
    for (int i = 0; i < pOut; ++i) outputPointers_[i] = outputScratch_[i];
    runClient(frames, time);
    const int common = pOut < hOut ? pOut : hOut;
    for (int i = 0; i < common; ++i) {
        const float* src = outputScratch_[i];
        float* dst = outputs[i] + offset;
        for (int j = 0; j < frames; ++j) dst[j] += src[j];
    }
}

}  // namespace rigging::vst
