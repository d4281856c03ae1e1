#include "rigging/client/client.h"

#include <cstdio>
#include <cstring>

#include "rigging/client/integerparameter.h"

namespace rigging {

Client::Client(BuildToken) noexcept : midiQueue_(makeMidiQueue()) {}

void Client::build() noexcept {
    info_ = buildPluginInfo();
    legalIOs_ = buildLegalIO();
    params_ = buildParameters();
    for (Parameter* p : params_) p->setClientReference(this);
    presetBank_ = mallocNew<PresetBank>(this, buildPresets());
    chunkLimit_ = maxFramesInProcess();
    maxInputs_ = maxOutputs_ = 0;
    for (const LegalIO& io : legalIOs_) {
        if (io.numInputChannels > maxInputs_) maxInputs_ = io.numInputChannels;
        if (io.numOutputChannels > maxOutputs_) maxOutputs_ = io.numOutputChannels;
    }
    onBuilt();
}

Client::~Client() {
    RIGGING_THREAD(threads_, main);
    if (graphics_ != nullptr) {
        std::uint8_t expected = 1;
        while (!graphicsFree_.compare_exchange_weak(expected, 0, std::memory_order_acquire)) {
            expected = 1;
            __builtin_ia32_pause();
        }
        destroyFree(graphics_);
    }
    destroyFree(presetBank_);
    for (Parameter* p : params_) destroyFree(p);
}

int Client::latencySamples(double) {
    return 0;
}

float Client::tailSizeInSeconds() {
    return 0.8f;
}

void Client::resetFromHost(double sampleRate, int maxFrames, int numInputs,
                           int numOutputs) noexcept {
    RIGGING_THREAD(threads_, audio);
    midiQueue_.initialize();
    int frames = maxFrames;
    if (chunkLimit_ != 0 && chunkLimit_ < frames) frames = chunkLimit_;
    reset(sampleRate, frames, numInputs, numOutputs);
}

void Client::processAudioFromHost(std::span<const float*> inputs, std::span<float*> outputs,
                                  int frames, TimeInfo info) noexcept {
    RIGGING_THREAD(threads_, audio);
    if (chunkLimit_ == 0) {
        processAudio(inputs, outputs, frames, info);
        return;
    }
    int remaining = frames;
    while (remaining > 0) {
        int chunk = remaining < chunkLimit_ ? remaining : chunkLimit_;
        processAudio(inputs, outputs, chunk, info);
        for (const float*& p : inputs) p += chunk;
        for (float*& p : outputs) p += chunk;
        info.timeInSamples += chunk;
        remaining -= chunk;
    }
}

void Client::setParameterFromHost(int index, float value) noexcept {
    RIGGING_THREAD(threads_, any);
    param(index)->setFromHost(static_cast<double>(value));
}

int Client::readEnumParamValue(int index) const noexcept {
    RIGGING_THREAD(threads_, any);
    return unsafeObjectCast<IntegerParameter>(param(index))->valueAtomic();
}

bool Client::isLegalIO(int numInputs, int numOutputs) const noexcept {
    for (const LegalIO& io : legalIOs_) {
        bool inputsMatch = numInputs < 0 || io.numInputChannels == numInputs;
        bool outputsMatch = numOutputs < 0 || io.numOutputChannels == numOutputs;
        if (inputsMatch && outputsMatch) return true;
    }
    return false;
}

Preset* Client::makeDefaultPreset() const noexcept {
    Vec<float> values(params_.length());
    for (std::size_t i = 0; i < params_.length(); ++i)
        values[i] = static_cast<float>(params_[i]->getNormalizedDefault());
    return mallocNew<Preset>("Default", std::span<const float>(values.slice()));
}

bool Client::ensureGraphics() noexcept {
    if (graphics_ != nullptr) return true;
    graphics_ = createGraphics();
    if (graphics_ == nullptr) return false;
    // Published after the pointer is stored: the audio thread reads it only after taking the flag.
    graphicsFree_.store(1, std::memory_order_release);
    return true;
}

void* Client::openGUI(void* parentInfo, void* controlInfo, GraphicsBackend backend) noexcept {
    RIGGING_THREAD(threads_, main);
    if (!ensureGraphics()) return nullptr;
    DAW daw = hostCommand_ != nullptr ? hostCommand_->getDAW() : DAW::unknown;
    return graphics_->openUI(parentInfo, controlInfo, daw, backend);
}

bool Client::getGUISize(int* width, int* height) noexcept {
    RIGGING_THREAD(threads_, main);
    if (graphics_ == nullptr && !info_.hasGUI) return false;
    if (!ensureGraphics()) return false;
    graphics_->getGUISize(width, height);
    return true;
}

void Client::closeGUI() noexcept {
    RIGGING_THREAD(threads_, main);
    if (graphics_ != nullptr) graphics_->closeUI();
}

IGraphics* Client::graphicsAcquire() noexcept {
    RIGGING_THREAD(threads_, audio);
    std::uint8_t expected = 1;
    if (graphicsFree_.compare_exchange_strong(expected, 0, std::memory_order_acquire))
        return graphics_;
    return nullptr;
}

void Client::graphicsRelease() noexcept {
    RIGGING_THREAD(threads_, audio);
    graphicsFree_.store(1, std::memory_order_release);
}

void Client::getPluginFullName(char* dst, std::size_t n) const noexcept {
    std::snprintf(dst, n, "%.*s %.*s", static_cast<int>(std::strlen(info_.vendorName)),
                  info_.vendorName, static_cast<int>(std::strlen(info_.pluginName)),
                  info_.pluginName);
    if (n > 0) dst[n - 1] = 0;
}

}  // namespace rigging
