#include "vst2host.h"

#include <cstring>

#include "rigging/core/fpcontrol.h"

namespace vst2host {

using namespace rigging::vst;

namespace {
// The host whose open() is running: a plug-in may call back before the host has its record.
thread_local Host* tOpening = nullptr;
constexpr unsigned char kCanary = 0xA5;
constexpr std::size_t kCanaryBytes = 32;
}  // namespace

EntryProc Module::symbol(const char* name) const {
    return reinterpret_cast<EntryProc>(library_.symbol(name));
}

EntryProc Module::versionedSymbol(const char* name, const char* version) const {
    return reinterpret_cast<EntryProc>(library_.versionedSymbol(name, version));
}

EntryProc Module::entry() const {
    EntryProc e = symbol("VSTPluginMain");
    return e ? e : symbol("main");
}

Host::Host() {
    static const char kName[] = "vst2host";
    productBytes.assign(kName, sizeof kName);
}

Host::~Host() {
    if (effect_) close();
}

AEffect* Host::open(EntryProc entry) {
    return open(entry, false);
}

AEffect* Host::open(EntryProc entry, bool nullCallback) {
    tOpening = this;
    AEffect* e;
    {
        auto guard = guardEntry();
        e = entry(nullCallback ? nullptr : &Host::callback);
    }
    tOpening = nullptr;
    if (e && e->magic == kEffectMagic) {
        e->user = this;
        effect_ = e;
    }
    return e;
}

VstIntPtr Host::close() {
    VstIntPtr r = dispatch(effClose);
    effect_ = nullptr;
    return r;
}

VstIntPtr Host::dispatch(std::int32_t opcode, std::int32_t index, VstIntPtr value, void* ptr,
                         float opt) {
    auto guard = guardEntry();
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

TextAnswer Host::dispatchText(std::int32_t opcode, std::int32_t index, std::size_t size) {
    std::vector<unsigned char> buf(size + kCanaryBytes, kCanary);
    TextAnswer a;
    a.result = dispatch(opcode, index, 0, buf.data());
    a.overran = false;
    for (std::size_t i = size; i < buf.size(); ++i)
        if (buf[i] != kCanary) a.overran = true;
    const char* s = reinterpret_cast<const char*>(buf.data());
    a.text.assign(s, strnlen(s, size));
    return a;
}

void Host::setParameter(std::int32_t index, float value) {
    auto guard = guardEntry();
    effect_->setParameter(effect_, index, value);
}

float Host::getParameter(std::int32_t index) {
    auto guard = guardEntry();
    return effect_->getParameter(effect_, index);
}

void Host::processReplacing(float** in, float** out, std::int32_t frames) {
    auto guard = guardEntry();
    effect_->processReplacing(effect_, in, out, frames);
}

void Host::processDoubleReplacing(double** in, double** out, std::int32_t frames) {
    auto guard = guardEntry();
    effect_->processDoubleReplacing(effect_, in, out, frames);
}

void Host::processAccumulating(float** in, float** out, std::int32_t frames) {
    auto guard = guardEntry();
    effect_->process(effect_, in, out, frames);
}

VstIntPtr Host::setSpeakers(int inputs, int outputs) {
    VstSpeakerArrangement in{}, out{};
    in.type = inputs == 1   ? kSpeakerArrMono
              : inputs == 2 ? kSpeakerArrStereo
                            : kSpeakerArrUserDefined;
    out.type = outputs == 1   ? kSpeakerArrMono
               : outputs == 2 ? kSpeakerArrStereo
                              : kSpeakerArrUserDefined;
    in.numChannels = inputs;
    out.numChannels = outputs;
    return dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out);
}

MidiEventList::MidiEventList(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    event_.type = kVstMidiType;
    event_.byteSize = sizeof event_;
    event_.midiData[0] = status;
    event_.midiData[1] = data1;
    event_.midiData[2] = data2;
    list_.numEvents = 1;
    list_.reserved = 0;
    list_.events[0] = reinterpret_cast<VstEvent*>(&event_);
}

void Host::start(float rate, std::int32_t block) {
    sampleRate = rate;
    blockSize = block;
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    dispatch(effSetBlockSize, 0, block);
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
}

std::vector<HostCall> Host::calls() const {
    std::lock_guard<std::mutex> l(mutex_);
    return calls_;
}

std::vector<HostCall> Host::callsWith(std::int32_t opcode) const {
    std::vector<HostCall> out;
    for (const HostCall& c : calls())
        if (c.opcode == opcode) out.push_back(c);
    return out;
}

void Host::clearCalls() {
    std::lock_guard<std::mutex> l(mutex_);
    calls_.clear();
}

VstIntPtr Host::callback(AEffect* effect, std::int32_t opcode, std::int32_t index, VstIntPtr value,
                         void* ptr, float opt) {
    // Read the registers before anything here can touch them.
    HostCall call{
        opcode, index, value, ptr, opt, rigging::getMXCSR(), rigging::getFPUControlState()};
    Host* h = (effect && effect->user) ? static_cast<Host*>(effect->user) : tOpening;
    if (h == nullptr) return 0;
    {
        std::lock_guard<std::mutex> l(h->mutex_);
        h->calls_.push_back(call);
    }
    return h->answer(call);
}

VstIntPtr Host::answer(const HostCall& c) {
    switch (c.opcode) {
        case audioMasterVersion:
            return kVstVersion;
        case audioMasterGetTime:
            if (!timeInfo) return 0;
            timeAnswer_ = *timeInfo;
            return reinterpret_cast<VstIntPtr>(&timeAnswer_);
        case audioMasterGetProductString:
            if (c.ptr) std::memcpy(c.ptr, productBytes.data(), productBytes.size());
            return productAnswer;
        case audioMasterGetVendorString:
            if (c.ptr) std::strcpy(static_cast<char*>(c.ptr), "vst2host");
            return 1;
        case audioMasterSizeWindow:
            return sizeWindowAnswer;
        case audioMasterGetSampleRate:
            return static_cast<VstIntPtr>(sampleRate);
        case audioMasterGetBlockSize:
            return blockSize;
        default:
            return 0;
    }
}

}  // namespace vst2host
