#include "rigging/vst3/client.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "rigging/core/fpcontrol.h"
#include "rigging/core/nogc.h"

namespace rigging {

using namespace vst3;

VST3Client::VST3Client(Client* client) noexcept
    : client_(client),
      hostCommand_(mallocNew<VST3HostCommand>(this)),
      maxPresetIndex_(client->presetBank().numPresets() > 1 ? client->presetBank().numPresets() - 1
                                                            : 0),
      lastSetupSampleRate_(std::numeric_limits<float>::quiet_NaN()),
      hostBlocks_(*client),
      presetMutex_(makeMutex()),
      viewMutex_(makeMutex()) {
    client_->setHostCommand(hostCommand_);
}

VST3Client::~VST3Client() {
    destroyFree(client_);
    destroyFree(hostCommand_);
    if (IComponentHandler* h = componentHandler_.exchange(nullptr)) h->release();
    if (hostApplication_) hostApplication_->release();
}

IComponentHandler* VST3Client::acquireComponentHandler() noexcept {
    IComponentHandler* h = componentHandler_.load();
    if (h) h->addRef();
    return h;
}

// ---- Identity

tresult VST3Client::queryInterface(const TUID iid, void** obj) {
    RIGGING_THREAD(client_->threads(), any);
    if (obj == nullptr) return kInvalidArgument;
    void* found = nullptr;
    if (iid == nullptr)
        found = nullptr;
    else if (iidEqual(iid, IAudioProcessor::iid) || iidEqual(iid, FUnknown::iid))
        found = static_cast<IAudioProcessor*>(this);
    else if (iidEqual(iid, IComponent::iid) || iidEqual(iid, IPluginBase::iid))
        found = static_cast<IComponent*>(this);
    else if (iidEqual(iid, IEditController::iid))
        found = static_cast<IEditController*>(&controller_);
    else if (iidEqual(iid, IEditController2::iid))
        found = static_cast<IEditController2*>(this);
    else if (iidEqual(iid, IUnitInfo::iid))
        found = static_cast<IUnitInfo*>(this);
    *obj = found;
    if (found == nullptr) return kNoInterface;
    addRef();
    return kResultOk;
}

uint32 VST3Client::addRef() {
    RIGGING_THREAD(client_->threads(), any);
    return static_cast<uint32>(refCount_.fetch_add(1) + 1);
}

uint32 VST3Client::release() {
    RIGGING_THREAD(client_->threads(), any);
    int left = refCount_.fetch_sub(1) - 1;
    if (left == 0) destroyFree(this);
    return static_cast<uint32>(left);
}

// ---- Component

tresult VST3Client::initialize(FUnknown* context) {
    RIGGING_THREAD(client_->threads(), main);
    if (hostApplication_) {
        hostApplication_->release();
        hostApplication_ = nullptr;
    }
    void* app = nullptr;
    if (context && context->queryInterface(IHostApplication::iid, &app) == kResultOk && app) {
        hostApplication_ = static_cast<IHostApplication*>(app);
        String128 name{};
        if (hostApplication_->getName(name) == kResultOk) {
            str16ToStr8(hostName_, name, sizeof hostName_);
            daw_ = identifyDAW(hostName_);
        }
    }
    audioInputs_.clearContents();
    audioOutputs_.clearContents();
    eventInputs_.clearContents();
    lastSetupSampleRate_ = -42;
    if (client_->maxInputs() > 0)
        addBus(audioInputs_, kAudio, kInput, client_->maxInputs(), u"Audio Input",
               getSpeakerArrangement(client_->maxInputs()));
    if (client_->maxOutputs() > 0)
        addBus(audioOutputs_, kAudio, kOutput, client_->maxOutputs(), u"Audio Output",
               getSpeakerArrangement(client_->maxOutputs()));
    if (client_->receivesMIDI()) addBus(eventInputs_, kEvent, kInput, 1, u"MIDI Input", 0);
    return kResultOk;
}

void VST3Client::addBus(Vec<Bus>& list, MediaType type, BusDirection dir, int channels,
                        const char16_t* name, SpeakerArrangement arr) noexcept {
    Bus bus;
    std::memset(&bus, 0, sizeof bus);
    bus.active = true;
    bus.speakerArrangement = arr;
    bus.info.mediaType = type;
    bus.info.direction = dir;
    bus.info.channelCount = channels;
    bus.info.setName(name);
    bus.info.busType = kMain;
    bus.info.flags = BusInfo::kDefaultActive;
    list.pushBack(bus);
}

tresult VST3Client::terminate() {
    RIGGING_THREAD(client_->threads(), main);
    if (hostApplication_) hostApplication_->release();
    hostApplication_ = nullptr;
    return kResultOk;
}

tresult VST3Client::getControllerClassId(TUID) {
    RIGGING_THREAD(client_->threads(), main);
    return kNotImplemented;  // the same object is the controller
}

tresult VST3Client::setIoMode(IoMode) {
    RIGGING_THREAD(client_->threads(), main);
    return kNotImplemented;
}

Vec<VST3Client::Bus>* VST3Client::busList(MediaType type, BusDirection dir) noexcept {
    if (type == kAudio)
        return dir == kInput ? &audioInputs_ : dir == kOutput ? &audioOutputs_ : nullptr;
    if (type == kEvent)
        return dir == kInput ? &eventInputs_ : dir == kOutput ? &eventOutputs_ : nullptr;
    return nullptr;
}

int32 VST3Client::getBusCount(MediaType type, BusDirection dir) {
    RIGGING_THREAD(client_->threads(), main);
    Vec<Bus>* list = busList(type, dir);
    return list ? static_cast<int32>(list->length()) : 0;
}

tresult VST3Client::getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus) {
    RIGGING_THREAD(client_->threads(), main);
    Vec<Bus>* list = busList(type, dir);
    if (list == nullptr) return kInvalidArgument;
    if (static_cast<uint32>(index) >= list->length()) return kResultFalse;
    bus = (*list)[static_cast<std::size_t>(index)].info;
    return kResultOk;
}

tresult VST3Client::getRoutingInfo(RoutingInfo&, RoutingInfo&) {
    RIGGING_THREAD(client_->threads(), main);
    return kNotImplemented;
}

tresult VST3Client::activateBus(MediaType type, BusDirection dir, int32 index, TBool state) {
    RIGGING_THREAD(client_->threads(), main);
    Vec<Bus>* list = busList(type, dir);
    if (list == nullptr) return kInvalidArgument;
    if (static_cast<uint32>(index) >= list->length()) return kResultFalse;
    (*list)[static_cast<std::size_t>(index)].active = state != 0;
    return kResultOk;
}

tresult VST3Client::setActive(TBool) {
    RIGGING_THREAD(client_->threads(), main);
    return kResultOk;
}

// ---- Audio processor set-up

tresult VST3Client::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                       SpeakerArrangement* outputs, int32 numOuts) {
    RIGGING_THREAD(client_->threads(), main);
    if (numIns < 0 || numOuts < 0) return kInvalidArgument;
    if (static_cast<std::size_t>(numIns) > audioInputs_.length() ||
        static_cast<std::size_t>(numOuts) > audioOutputs_.length())
        return kResultFalse;
    if ((numIns > 0 && inputs == nullptr) || (numOuts > 0 && outputs == nullptr))
        return kInvalidArgument;
    int in = numIns == 1 ? getChannelCount(inputs[0]) : 0;
    int out = numOuts == 1 ? getChannelCount(outputs[0]) : 0;
    if (!client_->isLegalIO(in, out)) return kResultFalse;
    if (numIns == 1) {
        audioInputs_[0].speakerArrangement = inputs[0];
        audioInputs_[0].info.channelCount = in;
    }
    if (numOuts == 1) {
        audioOutputs_[0].speakerArrangement = outputs[0];
        audioOutputs_[0].info.channelCount = out;
    }
    return kResultOk;
}

tresult VST3Client::getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) {
    RIGGING_THREAD(client_->threads(), main);
    Vec<Bus>* list = busList(kAudio, dir);
    if (list == nullptr || static_cast<uint32>(index) >= list->length()) return kInvalidArgument;
    arr = (*list)[static_cast<std::size_t>(index)].speakerArrangement;
    return kResultOk;
}

tresult VST3Client::canProcessSampleSize(int32 symbolicSampleSize) {
    RIGGING_THREAD(client_->threads(), main);
    return symbolicSampleSize == kSample32 ? kResultOk : kResultFalse;
}

uint32 VST3Client::getLatencySamples() {
    RIGGING_THREAD(client_->threads(), main);
    FPScope fp;
    return static_cast<uint32>(client_->latencySamples(hostSampleRate_.load()));
}

uint32 VST3Client::getTailSamples() {
    RIGGING_THREAD(client_->threads(), main);
    FPScope fp;
    float samples = hostSampleRate_.load() * client_->tailSizeInSeconds() + 0.5f;
    if (!(samples >= 0)) return 0;
    if (samples >= 4294967040.f) return kInfiniteTail - 1;
    return static_cast<uint32>(samples);
}

tresult VST3Client::setupProcessing(ProcessSetup& setup) {
    RIGGING_THREAD(client_->threads(), main);
    FPScope fp;
    // A rate the engine cannot run at is refused before anything is stored.
    if (!std::isfinite(setup.sampleRate) || setup.sampleRate <= 0) return kInvalidArgument;
    float old = lastSetupSampleRate_;
    float rate = static_cast<float>(setup.sampleRate);
    lastSetupSampleRate_ = rate;
    hostSampleRate_.store(rate);
    if (setup.sampleRate != static_cast<double>(old)) {
        if (IComponentHandler* h = acquireComponentHandler()) {
            h->restartComponent(kLatencyChanged);
            h->release();
        }
    }
    audioSampleRate_.store(rate);
    // The adapter's buffers already hold the longest piece: nothing to resize here.
    hostMaxBlockSize_.store(setup.maxSamplesPerBlock > 0 ? setup.maxSamplesPerBlock : -1);
    return setup.symbolicSampleSize == kSample32 ? kResultOk : kResultFalse;
}

tresult VST3Client::setProcessing(TBool state) {
    RIGGING_THREAD(client_->threads(), any);
    if (state) resetPending_.store(true);
    return kResultOk;
}

// ---- Edit controller 2

tresult VST3Client::setKnobMode(KnobMode mode) {
    RIGGING_THREAD(client_->threads(), main);
    return mode == kLinearMode ? kResultOk : kResultFalse;
}

tresult VST3Client::openHelp(TBool) {
    RIGGING_THREAD(client_->threads(), main);
    return kResultFalse;
}

tresult VST3Client::openAboutBox(TBool) {
    RIGGING_THREAD(client_->threads(), main);
    return kResultFalse;
}

}  // namespace rigging
