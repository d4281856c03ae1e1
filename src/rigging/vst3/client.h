#pragma once
// The one object a VST3 host sees per plug-in instance: component, audio processor, edit
// controller and unit information around an owned Client.

#include <atomic>
#include <cstdint>

#include "rigging/client/client.h"
#include "rigging/client/hostblockadapter.h"
#include "rigging/core/sync.h"
#include "rigging/core/vec.h"
#include "rigging/vst3/hostcommand.h"
#include "rigging/vst3/iplugview.h"
#include "rigging/vst3/ivstaudioprocessor.h"
#include "rigging/vst3/ivstcomponent.h"
#include "rigging/vst3/ivsteditcontroller.h"
#include "rigging/vst3/ivsthostapplication.h"
#include "rigging/vst3/ivstunit.h"

namespace rigging {

class VST3Client;

// The editor view a host gets from createView: it forwards attaching, removing and size
// queries to the client's editor lifetime operations, one at a time. It holds a reference to
// its plug-in object, so the editor outlives every view of it. Main thread, but for the
// reference counting (any thread).
class RiggingView final : public vst3::IPlugView {
public:
    using tresult = vst3::tresult;

    // One reference, released by the host.
    explicit RiggingView(VST3Client* owner) noexcept;
    RiggingView(const RiggingView&) = delete;
    RiggingView& operator=(const RiggingView&) = delete;
    ~RiggingView();

    tresult queryInterface(const vst3::TUID iid, void** obj) override;
    vst3::uint32 addRef() override;
    vst3::uint32 release() override;

    // Only an X11 window id can be a parent on this platform.
    tresult isPlatformTypeSupported(vst3::FIDString type) override;
    // An unsupported type, or a window that cannot be made, answers kResultFalse with nothing
    // made; a second attach replaces the first window.
    tresult attached(void* parent, vst3::FIDString type) override;
    // Without a window, answers kResultOk and does nothing.
    tresult removed() override;
    // Not handled: the editor's own window receives input.
    tresult onWheel(float distance) override;
    tresult onKeyDown(vst3::char16 key, vst3::int16 keyCode, vst3::int16 modifiers) override;
    tresult onKeyUp(vst3::char16 key, vst3::int16 keyCode, vst3::int16 modifiers) override;
    tresult getSize(vst3::ViewRect* size) override;
    // Fixed size: kResultOk without effect, and not resizable.
    tresult onSize(vst3::ViewRect* newSize) override;
    tresult onFocus(vst3::TBool state) override;
    tresult setFrame(vst3::IPlugFrame* frame) override;
    tresult canResize() override;
    tresult checkSizeConstraint(vst3::ViewRect* rect) override;

    vst3::IPlugFrame* frame() const noexcept { return frame_; }

private:
    std::atomic<int> refCount_{1};
    VST3Client* owner_;
    vst3::IPlugFrame* frame_ = nullptr;  // as the host passed it, not counted
};

// Threads, as the host may call: process on the audio thread; setProcessing and the reference
// counting on any; everything else on the main thread. Each definition begins with its tag.
class VST3Client final : public vst3::IAudioProcessor,
                         public vst3::IComponent,
                         public vst3::IEditController2,
                         public vst3::IUnitInfo {
public:
    using tresult = vst3::tresult;
    using int32 = vst3::int32;
    using uint32 = vst3::uint32;
    using TBool = vst3::TBool;
    using ParamID = vst3::ParamID;
    using ParamValue = vst3::ParamValue;
    using IBStream = vst3::IBStream;

    static constexpr ParamID kBypassParamId = 998;
    static constexpr ParamID kPresetParamId = 999;
    static constexpr int32 kProgramListId = 999;
    // A saved state larger than this is refused unread.
    static constexpr std::size_t kMaxStateBytes = 1u << 20;

    // Takes ownership of the client; one reference.
    explicit VST3Client(Client* client) noexcept;
    VST3Client(const VST3Client&) = delete;
    VST3Client& operator=(const VST3Client&) = delete;
    ~VST3Client();

    Client& client() noexcept { return *client_; }
    DAW daw() const noexcept { return daw_; }
    // The handler with one added reference, or null; the caller releases it.
    vst3::IComponentHandler* acquireComponentHandler() noexcept;

    // FUnknown, shared by every interface of the object.
    tresult queryInterface(const vst3::TUID iid, void** obj) override;
    uint32 addRef() override;
    uint32 release() override;

    // IPluginBase (reached through the component and the controller alike).
    tresult initialize(vst3::FUnknown* context) override;
    tresult terminate() override;

    // IComponent
    tresult getControllerClassId(vst3::TUID classId) override;
    tresult setIoMode(vst3::IoMode mode) override;
    int32 getBusCount(vst3::MediaType type, vst3::BusDirection dir) override;
    tresult getBusInfo(vst3::MediaType type, vst3::BusDirection dir, int32 index,
                       vst3::BusInfo& bus) override;
    tresult getRoutingInfo(vst3::RoutingInfo& inInfo, vst3::RoutingInfo& outInfo) override;
    tresult activateBus(vst3::MediaType type, vst3::BusDirection dir, int32 index,
                        TBool state) override;
    tresult setActive(TBool state) override;
    tresult setState(IBStream* state) override;
    tresult getState(IBStream* state) override;

    // IAudioProcessor
    tresult setBusArrangements(vst3::SpeakerArrangement* inputs, int32 numIns,
                               vst3::SpeakerArrangement* outputs, int32 numOuts) override;
    tresult getBusArrangement(vst3::BusDirection dir, int32 index,
                              vst3::SpeakerArrangement& arr) override;
    tresult canProcessSampleSize(int32 symbolicSampleSize) override;
    uint32 getLatencySamples() override;
    tresult setupProcessing(vst3::ProcessSetup& setup) override;
    tresult setProcessing(TBool state) override;
    tresult process(vst3::ProcessData& data) override;
    uint32 getTailSamples() override;

    // IEditController2
    tresult setKnobMode(vst3::KnobMode mode) override;
    tresult openHelp(TBool onlyCheck) override;
    tresult openAboutBox(TBool onlyCheck) override;

    // IUnitInfo
    int32 getUnitCount() override;
    tresult getUnitInfo(int32 unitIndex, vst3::UnitInfo& info) override;
    int32 getProgramListCount() override;
    tresult getProgramListInfo(int32 listIndex, vst3::ProgramListInfo& info) override;
    tresult getProgramName(vst3::ProgramListID listId, int32 programIndex,
                           vst3::String128 name) override;
    tresult getProgramInfo(vst3::ProgramListID listId, int32 programIndex,
                           vst3::CString attributeId, vst3::String128 attributeValue) override;
    tresult hasProgramPitchNames(vst3::ProgramListID listId, int32 programIndex) override;
    tresult getProgramPitchName(vst3::ProgramListID listId, int32 programIndex, vst3::int16 pitch,
                                vst3::String128 name) override;
    vst3::UnitID getSelectedUnit() override;
    tresult selectUnit(vst3::UnitID unitId) override;
    tresult getUnitByBus(vst3::MediaType type, vst3::BusDirection dir, int32 busIndex,
                         int32 channel, vst3::UnitID& unitId) override;
    tresult setUnitProgramData(int32 listOrUnitId, int32 programIndex, IBStream* data) override;

    // The edit controller's own operations, reached through its interface object.
    int32 getParameterCount();
    tresult getParameterInfo(int32 paramIndex, vst3::ParameterInfo& info);
    tresult getParamStringByValue(ParamID id, ParamValue valueNormalized, vst3::String128 string);
    tresult getParamValueByString(ParamID id, vst3::TChar* string, ParamValue& valueNormalized);
    ParamValue normalizedParamToPlain(ParamID id, ParamValue valueNormalized);
    ParamValue plainParamToNormalized(ParamID id, ParamValue plainValue);
    ParamValue getParamNormalized(ParamID id);
    tresult setParamNormalized(ParamID id, ParamValue value);
    tresult setComponentHandler(vst3::IComponentHandler* handler);
    // A new view for "editor" when the plug-in has an editor, else null.
    vst3::IPlugView* createView(vst3::FIDString name);
    // Serialises every view's calls into the client's editor operations.
    UncheckedMutex& viewMutex() noexcept { return viewMutex_; }

private:
    // IEditController declares initialize, terminate, setState and getState with the same
    // signatures as IComponent but other meanings, so it lives in a sub-object that forwards.
    // Each forwarder carries the thread tag of the owner's method it calls.
    class EditController final : public vst3::IEditController {
    public:
        explicit EditController(VST3Client* owner) noexcept : owner_(owner) {}
        tresult queryInterface(const vst3::TUID iid, void** obj) override;
        uint32 addRef() override;
        uint32 release() override;
        tresult initialize(vst3::FUnknown* context) override;
        tresult terminate() override;
        tresult setComponentState(IBStream* state) override;
        tresult setState(IBStream* state) override;
        tresult getState(IBStream* state) override;
        int32 getParameterCount() override;
        tresult getParameterInfo(int32 paramIndex, vst3::ParameterInfo& info) override;
        tresult getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                      vst3::String128 string) override;
        tresult getParamValueByString(ParamID id, vst3::TChar* string,
                                      ParamValue& valueNormalized) override;
        ParamValue normalizedParamToPlain(ParamID id, ParamValue valueNormalized) override;
        ParamValue plainParamToNormalized(ParamID id, ParamValue plainValue) override;
        ParamValue getParamNormalized(ParamID id) override;
        tresult setParamNormalized(ParamID id, ParamValue value) override;
        tresult setComponentHandler(vst3::IComponentHandler* handler) override;
        vst3::IPlugView* createView(vst3::FIDString name) override;

    private:
        VST3Client* owner_;
    };

    struct Bus {
        bool active;
        vst3::SpeakerArrangement speakerArrangement;
        vst3::BusInfo info;
    };

    // Main thread, for its entry points: reads a saved state whole and checks all of it; only
    // when `apply` is set is it then applied. The controller's side of a load only checks: the
    // component (this same object) has applied the bytes already.
    tresult loadState(IBStream* state, bool apply) noexcept;

    Vec<Bus>* busList(vst3::MediaType type, vst3::BusDirection dir) noexcept;
    void addBus(Vec<Bus>& list, vst3::MediaType type, vst3::BusDirection dir, int channels,
                const char16_t* name, vst3::SpeakerArrangement arr) noexcept;

    // Preset index for a normalized value, clamped to [0, maxPresetIndex], NaN giving 0.
    int presetIndexFromNormalized(double v) const noexcept;
    // UI thread: waits for the preset bank.
    void loadPresetBlocking(int index) noexcept;
    // Audio thread: loads now when the bank is free, else leaves the request for next block.
    void requestPresetFromAudio(int index) noexcept;
    void applyPendingPreset() noexcept;

    // The audio thread's part of process.
    void applyParameterChanges(vst3::IParameterChanges& changes) noexcept;
    void enqueueEvents(vst3::IEventList& events) noexcept;
    void updateTimeInfo(const vst3::ProcessData& data) noexcept;
    // The host's bypass: the client is not called; the first channels pass through.
    static void bypass(float* const* inputs, int hostIn, float* const* outputs, int hostOut,
                       int frames) noexcept;

    std::atomic<int> refCount_{1};
    Client* client_;
    std::atomic<vst3::IComponentHandler*> componentHandler_{nullptr};
    VST3HostCommand* hostCommand_;
    std::atomic<bool> resetPending_{true};
    std::atomic<bool> bypassed_{false};
    int maxPresetIndex_;
    float lastSetupSampleRate_;
    std::atomic<float> hostSampleRate_{44100.f};
    std::atomic<float> audioSampleRate_{44100.f};
    std::atomic<int> hostMaxBlockSize_{-1};
    // Audio thread only: resets for the stream, scratch, silence and pieces between the host's
    // buffers and the client.
    HostBlockAdapter hostBlocks_;
    // The preset bank is shared with the audio thread's preset parameter; see requestPreset.
    UncheckedMutex presetMutex_;
    UncheckedMutex viewMutex_;
    std::atomic<int> pendingPreset_{-1};
    DAW daw_ = DAW::unknown;
    char hostName_[128] = {};
    TimeInfo timeInfo_;
    Vec<Bus> audioInputs_;
    Vec<Bus> audioOutputs_;
    Vec<Bus> eventInputs_;
    Vec<Bus> eventOutputs_;
    vst3::IHostApplication* hostApplication_ = nullptr;
    EditController controller_{this};
};

}  // namespace rigging
