#pragma once
// The VST 2.4 wrapper around a Client: owns the client and the effect record the host sees,
// answers the dispatcher and runs processing on the host's audio thread.

#include <cstdint>
#include <span>

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
// Before the host announces a block size, and when it announces 0.
constexpr int kDefaultMaxFrames = 128;
// The largest block the wrapper sizes its buffers for; longer host blocks go in pieces.
constexpr int kMaxScratchFrames = 65536;

// The block length the audio thread sizes its buffers for, given the host's announcement.
constexpr int scratchFramesFor(int announced) noexcept {
    if (announced <= 0) return kDefaultMaxFrames;
    return announced < kMaxScratchFrames ? announced : kMaxScratchFrames;
}

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

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                         float opt) noexcept;

    void setParameter(VstInt32 index, float value) noexcept;
    float getParameter(VstInt32 index) noexcept;

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
    void resizeScratchBuffers(int frames) noexcept;
    TimeInfo hostTimeInfo() noexcept;
    template <typename Sample>
    using PieceFn = void (VSTClient::*)(Sample**, Sample**, int, int, TimeInfo&) noexcept;
    template <typename Sample>
    void runInPieces(Sample** inputs, Sample** outputs, int frames, PieceFn<Sample> piece) noexcept;
    void replacingPiece(float** inputs, float** outputs, int offset, int frames,
                        TimeInfo& time) noexcept;
    void doubleReplacingPiece(double** inputs, double** outputs, int offset, int frames,
                              TimeInfo& time) noexcept;
    void accumulatingPiece(float** inputs, float** outputs, int offset, int frames,
                           TimeInfo& time) noexcept;
    void runClient(int frames, TimeInfo& time) noexcept;

    AEffect effect_;
    VSTHostFromClientPOV* hostCommand_ = nullptr;
    Client* client_;

    // Written by the dispatcher's thread, handed over in reset messages.
    float sampleRate_ = 44100.0f;
    int maxFrames_ = kDefaultMaxFrames;
    int maxInputs_ = 0;
    int maxOutputs_ = 0;
    int numParams_ = 0;
    int hostInputs_ = 0;
    int hostOutputs_ = 0;
    int processingInputs_ = 0;
    int processingOutputs_ = 0;
    // True once the client made its editor object (it lives as long as the client).
    bool editorExists_ = false;
    ERect editRect_{};

    // Audio thread only.
    int audioHostInputs_ = 0;
    int audioHostOutputs_ = 0;
    int audioProcessingInputs_ = 0;
    int audioProcessingOutputs_ = 0;
    int audioFrames_ = 0;      // frames every scratch buffer holds
    std::int64_t sampleCounter_ = 0;
    std::span<float*> inputScratch_;
    std::span<float*> outputScratch_;
    float* zeroBuffer_ = nullptr;
    std::span<const float*> inputPointers_;
    std::span<float*> outputPointers_;

    LockedQueue<AudioThreadMessage> messages_;
    UncheckedMutex graphicsMutex_;
};

}  // namespace rigging::vst
