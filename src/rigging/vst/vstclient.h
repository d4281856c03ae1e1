#pragma once
// The VST 2.4 wrapper around a Client: owns the client and the effect record the host sees,
// answers the dispatcher and runs processing on the host's audio thread.

#include <cstdint>
#include <span>

#include "rigging/client/hostblockadapter.h"
#include "rigging/client/timeinfo.h"
#include "rigging/core/lockedqueue.h"
#include "rigging/core/sync.h"
#include "rigging/vst/audiothreadmessage.h"
#include "rigging/vst/hostcommand.h"
#include "rigging/vst/translatesdk.h"

namespace rigging {
class Client;
struct LegalIO;
}  // namespace rigging

namespace rigging::vst {

// Pending stream changes and MIDI messages held for the audio thread.
constexpr unsigned kMessageQueueCapacity = 2048;

struct ChannelChoice {
    int inputs;
    int outputs;
};

// The legal layout that best fits the host's channel counts (exact matches weigh most).
ChannelChoice chooseProcessingChannels(std::span<const LegalIO> legal, int hostInputs,
                                       int hostOutputs) noexcept;

class VSTClient {
public:
    // Takes ownership of client.
    VSTClient(Client* client, audioMasterCallback audioMaster) noexcept;
    ~VSTClient();
    VSTClient(const VSTClient&) = delete;
    VSTClient& operator=(const VSTClient&) = delete;

    AEffect* effect() noexcept { return &effect_; }
    static VSTClient* fromEffect(AEffect* e) noexcept { return static_cast<VSTClient*>(e->object); }
    Client* client() noexcept { return client_; }

    // The thread dispatcherThread gives for the opcode.
    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                         float opt) noexcept;

    // Any thread.
    void setParameter(VstInt32 index, float value) noexcept;
    float getParameter(VstInt32 index) noexcept;

    // Audio thread.
    void processReplacing(float** inputs, float** outputs, int frames) noexcept;
    void processDoubleReplacing(double** inputs, double** outputs, int frames) noexcept;
    void process(float** inputs, float** outputs, int frames) noexcept;

private:
    // Dispatcher side.
    void sendResetMessage() noexcept;
    void pushMessage(const AudioThreadMessage& m) noexcept;
    void chooseChannels() noexcept;
    VstIntPtr processEvents(const VstEvents* events) noexcept;
    VstIntPtr pinProperties(VstInt32 index, void* ptr, int count, const char* name) noexcept;
    VstIntPtr editorOpcode(VstInt32 opcode, void* ptr) noexcept;

    // Audio-thread side.
    void processMessages() noexcept;
    void applyReset(const AudioThreadMessage& m) noexcept;
    TimeInfo hostTimeInfo() noexcept;
    // Messages first; then, when there is audio, the block with one time query.
    template <typename Sample, typename Run>
    void processBlock(Sample** inputs, Sample** outputs, int frames, Run run) noexcept;

    AEffect effect_;
    VSTHostFromClientPOV* hostCommand_ = nullptr;
    Client* client_;

    // Written by the dispatcher's thread, handed over in reset messages.
    float sampleRate_ = 44100.0f;
    int maxFrames_ = kUnannouncedPieceFrames;  // the block size the host announced
    int maxInputs_ = 0;
    int maxOutputs_ = 0;
    int numParams_ = 0;
    int hostInputs_ = 0;
    int hostOutputs_ = 0;
    int processingInputs_ = 0;
    int processingOutputs_ = 0;
    ERect editRect_{};

    // Audio thread only; the processing counts live in the adapter.
    int audioHostInputs_ = 0;
    int audioHostOutputs_ = 0;
    std::int64_t sampleCounter_ = 0;
    HostBlockAdapter hostBlocks_;

    LockedQueue<AudioThreadMessage> messages_;
    UncheckedMutex graphicsMutex_;
};

}  // namespace rigging::vst
