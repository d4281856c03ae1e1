#include "rigging/vst/vstclient.h"

#include <cstring>

#include "rigging/client/client.h"
#include "rigging/core/fpcontrol.h"
#include "rigging/core/nogc.h"
#include "rigging/core/vec.h"
#include "rigging/vst/callbacks.h"

namespace rigging::vst {

ChannelChoice chooseProcessingChannels(std::span<const LegalIO> legal, int hostInputs,
                                       int hostOutputs) noexcept {
    ChannelChoice best{hostInputs, hostOutputs};
    int bestScore = -10000;
    for (const LegalIO& io : legal) {
        int score =
            (io.numInputChannels == hostInputs ? 2000 : io.numInputChannels - hostInputs) +
            (io.numOutputChannels == hostOutputs ? 1000 : io.numOutputChannels - hostOutputs);
        if (score > bestScore) {
            bestScore = score;
            best = {io.numInputChannels, io.numOutputChannels};
        }
    }
    return best;
}

VSTClient::VSTClient(Client* client, audioMasterCallback audioMaster) noexcept
    : client_(client), hostBlocks_(*client), messages_(kMessageQueueCapacity) {
    maxInputs_ = client->maxInputs();
    maxOutputs_ = client->maxOutputs();
    numParams_ = client->numParams();

    // Holes and reserved fields read as zero; the tail past what hosts know is all ones.
    std::memset(&effect_, 0, sizeof effect_);
    effect_.magic = kEffectMagic;
    effect_.dispatcher = dispatcherCallback;
    effect_.process = processCallback;
    effect_.setParameter = setParameterCallback;
    effect_.getParameter = getParameterCallback;
    effect_.numPrograms = client->presetBank().numPresets();
    effect_.numParams = numParams_;
    effect_.numInputs = maxInputs_;
    effect_.numOutputs = maxOutputs_;
    effect_.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
    if (client->hasGUI()) effect_.flags |= effFlagsHasEditor;
    if (client->isSynth()) effect_.flags |= effFlagsIsSynth;
    effect_.initialDelay = client->latencySamples(sampleRate_);
    effect_.ioRatio = 1.0f;
    effect_.object = this;
    effect_.uniqueID = static_cast<VstInt32>(client->getPluginUniqueID().bigEndian());
    effect_.version = client->getPublicVersion().toVSTVersion();
    effect_.processReplacing = processReplacingCallback;
    effect_.processDoubleReplacing = processDoubleReplacingCallback;
    std::memset(effect_.future, 0xFF, sizeof effect_.future);

    hostInputs_ = maxInputs_;
    hostOutputs_ = maxOutputs_;
    chooseChannels();
    sendResetMessage();

    hostCommand_ = mallocNew<VSTHostFromClientPOV>(&effect_, audioMaster);
    client->setHostCommand(hostCommand_);
    if (client->receivesMIDI()) hostCommand_->callHost(audioMasterWantMidi, 0, 1, nullptr, 0.0f);
    graphicsMutex_ = makeMutex();
}

VSTClient::~VSTClient() {
    destroyFree(client_);
    destroyFree(hostCommand_);
    // The adapter, the queue and the graphics mutex go with the members.
}

void VSTClient::chooseChannels() noexcept {
    ChannelChoice c = chooseProcessingChannels(client_->legalIOs(), hostInputs_, hostOutputs_);
    // Without a legal list the host's counts are taken as they are; the buffers only go as far
    // as the client's maxima.
    processingInputs_ = c.inputs < 0 ? 0 : (c.inputs > maxInputs_ ? maxInputs_ : c.inputs);
    processingOutputs_ = c.outputs < 0 ? 0 : (c.outputs > maxOutputs_ ? maxOutputs_ : c.outputs);
}

void VSTClient::pushMessage(const AudioThreadMessage& m) noexcept {
    messages_.push(m, foldDroppedMessage);
}

void VSTClient::sendResetMessage() noexcept {
    AudioThreadMessage m;
    m.type = AudioThreadMessage::reset;
    m.maxFrames = maxFrames_;
    m.samplingRate = sampleRate_;
    m.hostInputs = hostInputs_;
    m.hostOutputs = hostOutputs_;
    m.processingInputs = processingInputs_;
    m.processingOutputs = processingOutputs_;
    pushMessage(m);
}

void VSTClient::processMessages() noexcept {
    RIGGING_THREAD(client_->threads(), audio);
    AudioThreadMessage m;
    while (messages_.tryPop(m)) {
        if (m.hasReset()) applyReset(m);
        if (m.hasMidi()) client_->enqueueMIDIFromHost(m.midiMessage);
    }
}

void VSTClient::applyReset(const AudioThreadMessage& m) noexcept {
    RIGGING_THREAD(client_->threads(), audio);
    audioHostInputs_ = m.hostInputs;
    audioHostOutputs_ = m.hostOutputs;
    // Every message resets, changed or not: the host switching the plug-in off and on again
    // is a reset too.
    hostBlocks_.resetForStream(
        {m.samplingRate, m.maxFrames, m.processingInputs, m.processingOutputs}, true);
}

}  // namespace rigging::vst
