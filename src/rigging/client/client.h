#pragma once
// The format-independent plug-in base class. A plug-in derives from it; a host binding owns one
// instance, made only by createClient, and drives it.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <utility>

#include "rigging/client/graphics.h"
#include "rigging/client/hostcommand.h"
#include "rigging/client/legalio.h"
#include "rigging/client/midi.h"
#include "rigging/client/parameter.h"
#include "rigging/client/plugininfo.h"
#include "rigging/client/preset.h"
#include "rigging/client/presetbank.h"
#include "rigging/client/timeinfo.h"
#include "rigging/core/nogc.h"
#include "rigging/core/threadcontract.h"
#include "rigging/core/vec.h"

namespace rigging {

class Client;

template <class T, class... Args>
T* createClient(Args&&... args);

class Client {
protected:
    // Only createClient can make one, so no client exists without its build steps having run.
    class BuildToken {
        BuildToken() = default;
        template <class T, class... Args>
        friend T* createClient(Args&&... args);
    };

public:
    // Subclass constructors take the token first and pass it on: Plugin(BuildToken t) :
    // Client(t). Their bodies run before the build steps, so they must not touch parameters.
    explicit Client(BuildToken) noexcept;
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;
    // Main thread. Waits until the audio thread has released the editor, then frees everything.
    virtual ~Client();

    // ---- What a plug-in supplies. The build operations run once, in the order
    // buildPluginInfo, buildLegalIO, buildParameters, buildPresets, maxFramesInProcess, and
    // must depend on nothing but constants.
    virtual PluginInfo buildPluginInfo() = 0;
    virtual Vec<LegalIO> buildLegalIO() = 0;
    // Parameter i must have index i; the client owns them.
    virtual Vec<Parameter*> buildParameters() = 0;
    // Runs after buildParameters, so makeDefaultPreset() may be used; the bank owns them.
    virtual Vec<Preset*> buildPresets() = 0;
    // Largest chunk processAudio is given; 0 means no limit.
    virtual int maxFramesInProcess() { return 0; }
    // Runs after every build step: for construction that needs the parameters.
    virtual void onBuilt() {}

    // Main thread: a new editor object, or null when there is none.
    virtual IGraphics* createGraphics() { return nullptr; }
    // Audio thread, before processing and after every stream change. maxFrames is already
    // limited to maxFramesInProcess().
    virtual void reset(double sampleRate, int maxFrames, int numInputs, int numOutputs) = 0;
    // Audio thread; frames never exceeds the limit (when one is set).
    virtual void processAudio(std::span<const float* const> inputs, std::span<float* const> outputs,
                              int frames, TimeInfo info) = 0;
    // Main thread.
    virtual int latencySamples(double sampleRate);
    virtual float tailSizeInSeconds();

    // ---- What bindings call; each names its thread (rigging/core/threadcontract.h).
    // The record of this instance's audio thread, which the bindings' entry points check.
    ThreadContract& threads() noexcept { return threads_; }
    // Audio thread: MIDI queue emptied, then reset with maxFrames limited to the chunk limit.
    void resetFromHost(double sampleRate, int maxFrames, int numInputs, int numOutputs) noexcept;
    // Audio thread: splits the block into chunks of at most maxFramesInProcess() frames. The
    // pointers in the caller's arrays are advanced in place (pass scratch arrays refilled per
    // block); the caller's TimeInfo is not changed. No limit: one call, whatever frames is.
    void processAudioFromHost(std::span<const float*> inputs, std::span<float*> outputs, int frames,
                              TimeInfo info) noexcept;
    // Any thread (hosts set parameters from wherever they like): setFromHost of parameter
    // index; callers check the index.
    void setParameterFromHost(int index, float value) noexcept;
    // Any thread: lock-free value of an IntegerParameter; callers check index and type.
    int readEnumParamValue(int index) const noexcept;
    // Audio thread.
    void enqueueMIDIFromHost(MidiMessage message) noexcept { midiQueue_.enqueue(message); }
    const MidiQueue& midiQueue() const noexcept { return midiQueue_; }

    // ---- Any thread: fixed once built.
    int maxInputs() const noexcept { return maxInputs_; }
    int maxOutputs() const noexcept { return maxOutputs_; }
    std::span<const LegalIO> legalIOs() const noexcept { return legalIOs_.slice(); }
    // A negative count matches any; an empty list accepts nothing.
    bool isLegalIO(int numInputs, int numOutputs) const noexcept;

    std::span<Parameter* const> params() const noexcept { return params_.slice(); }
    int numParams() const noexcept { return static_cast<int>(params_.length()); }
    // No bounds check.
    Parameter* param(int i) const noexcept { return params_[static_cast<std::size_t>(i)]; }
    bool isValidParamIndex(int i) const noexcept { return i >= 0 && i < numParams(); }
    // Any thread: the bindings serialise loading presets and states themselves.
    PresetBank& presetBank() noexcept { return *presetBank_; }
    const PresetBank& presetBank() const noexcept { return *presetBank_; }
    // A preset named "Default" holding every parameter's normalized default; caller owns it.
    Preset* makeDefaultPreset() const noexcept;

    IHostCommand* hostCommand() const noexcept { return hostCommand_; }
    // Main thread, once, before any other call. Borrowed; the binding owns it and keeps it
    // alive as long as the client.
    void setHostCommand(IHostCommand* hostCommand) noexcept { hostCommand_ = hostCommand; }

    // ---- Editor lifetime (main thread). The editor object is made on first need and kept until
    // the client is destroyed; a null createGraphics() leaves everything as it was.
    void* openGUI(void* parentInfo, void* controlInfo, GraphicsBackend backend) noexcept;
    bool getGUISize(int* width, int* height) noexcept;
    void closeGUI() noexcept;
    // Audio thread: the editor when it exists and is free, else null. Never waits.
    IGraphics* graphicsAcquire() noexcept;
    void graphicsRelease() noexcept;

    // ---- Identity (any thread).
    const PluginInfo& pluginInfo() const noexcept { return info_; }
    bool hasGUI() const noexcept { return info_.hasGUI; }
    bool isSynth() const noexcept { return info_.isSynth; }
    bool receivesMIDI() const noexcept { return info_.receivesMIDI; }
    const char* vendorName() const noexcept { return info_.vendorName; }
    FourCC getVendorUniqueID() const noexcept { return info_.vendorUniqueID; }
    const char* getVendorSupportEmail() const noexcept { return info_.vendorSupportEmail; }
    const char* pluginName() const noexcept { return info_.pluginName; }
    const char* pluginHomepage() const noexcept { return info_.pluginHomepage; }
    PluginCategory pluginCategory() const noexcept { return info_.category; }
    FourCC getPluginUniqueID() const noexcept { return info_.pluginUniqueID; }
    PluginVersion getPublicVersion() const noexcept { return info_.publicVersion; }
    // "vendor plug-in" into dst of n bytes, always terminated when n > 0.
    void getPluginFullName(char* dst, std::size_t n) const noexcept;

private:
    template <class T, class... Args>
    friend T* createClient(Args&&... args);

    void build() noexcept;
    bool ensureGraphics() noexcept;

    [[no_unique_address]] ThreadContract threads_;
    IGraphics* graphics_ = nullptr;
    std::atomic<std::uint8_t> graphicsFree_{0};
    IHostCommand* hostCommand_ = nullptr;
    PluginInfo info_;
    Vec<Parameter*> params_;
    PresetBank* presetBank_ = nullptr;
    Vec<LegalIO> legalIOs_;
    int maxInputs_ = 0;
    int maxOutputs_ = 0;
    int chunkLimit_ = 0;
    MidiQueue midiQueue_;
};

// The only way to make a client: constructs T, then runs the base's build steps and onBuilt.
// Release it with destroyFree.
template <class T, class... Args>
T* createClient(Args&&... args) {
    static_assert(std::is_base_of_v<Client, T>, "createClient makes Client subclasses");
    T* client = mallocNew<T>(Client::BuildToken(), std::forward<Args>(args)...);
    static_cast<Client*>(client)->build();
    return client;
}

}  // namespace rigging
