#pragma once
// A VST 2.4 host for tests, benchmarks and the post-build smoke check: loads a module, answers
// the plug-in's callbacks as configured while recording every one of them, and drives the
// record's dispatcher, parameter and processing callbacks as hosts do. Every entry into the
// plug-in runs with the host's own floating-point control registers, which are checked to come
// back unchanged.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "fpguard.h"
#include "levelmeter.h"
#include "rigging/vst/translatesdk.h"
#include "sharedlibrary.h"

namespace vst2host {

using rigging::vst::AEffect;
using rigging::vst::VstIntPtr;
using rigging::vst::VstTimeInfo;

using EntryProc = AEffect* (*)(rigging::vst::audioMasterCallback);

// A loaded module and its entry functions.
class Module {
public:
    explicit Module(const std::string& path) : library_(path) {}

    bool loaded() const { return library_.loaded(); }
    const std::string& error() const { return library_.error(); }
    // VSTPluginMain when exported, else main; null when neither is.
    EntryProc entry() const;
    EntryProc symbol(const char* name) const;
    // The symbol only when it carries the given version node.
    EntryProc versionedSymbol(const char* name, const char* version) const;

private:
    testhost::SharedLibrary library_;
};

// One call of the plug-in back into the host, with the registers found on entry.
struct HostCall {
    std::int32_t opcode;
    std::int32_t index;
    VstIntPtr value;
    void* ptr;
    float opt;
    std::uint32_t mxcsr;
    std::uint16_t fpucw;
};

// A text opcode's answer, with whether the plug-in wrote past the buffer it was given.
struct TextAnswer {
    VstIntPtr result;
    std::string text;
    bool overran;
};

class Host {
public:
    Host();
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // What the host answers.
    std::string productBytes;  // written as is (include the NUL to terminate it)
    VstIntPtr productAnswer = 1;
    VstIntPtr sizeWindowAnswer = 1;
    std::optional<VstTimeInfo> timeInfo;  // audioMasterGetTime answers null when unset
    double sampleRate = 44100.0;
    VstIntPtr blockSize = 512;

    // The registers the host runs with around every entry into the plug-in.
    std::uint32_t hostMXCSR = 0x1F80 | 0x6000;  // exceptions masked, round toward zero
    std::uint16_t hostFPUCW = 0x027F;           // double precision

    // Calls the entry with this host's callback; keeps the record when one is returned.
    AEffect* open(EntryProc entry);
    AEffect* open(EntryProc entry, bool nullCallback);
    AEffect* effect() const { return effect_; }
    // effClose, after which the record is forgotten.
    VstIntPtr close();

    VstIntPtr dispatch(std::int32_t opcode, std::int32_t index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    // A string opcode with a buffer of `size` bytes followed by canary bytes.
    TextAnswer dispatchText(std::int32_t opcode, std::int32_t index, std::size_t size);
    void setParameter(std::int32_t index, float value);
    float getParameter(std::int32_t index);
    void processReplacing(float** in, float** out, std::int32_t frames);
    void processDoubleReplacing(double** in, double** out, std::int32_t frames);
    void processAccumulating(float** in, float** out, std::int32_t frames);

    // effSetSpeakerArrangement with plain arrangements of the given channel counts.
    VstIntPtr setSpeakers(int inputs, int outputs);
    // The usual start-up sequence of a host.
    void start(float rate, std::int32_t block);

    std::vector<HostCall> calls() const;
    std::vector<HostCall> callsWith(std::int32_t opcode) const;
    void clearCalls();
    // Entries after which the host's registers were not as before.
    int fpViolations() const { return fpViolations_; }

    // The callback handed to plug-ins (public so that tests may call entries themselves).
    static VstIntPtr callback(AEffect* effect, std::int32_t opcode, std::int32_t index,
                              VstIntPtr value, void* ptr, float opt);

private:
    // Every entry runs under the host's registers and is checked to give them back.
    testhost::FpGuard guardEntry() {
        return testhost::FpGuard(fpViolations_, hostMXCSR, hostFPUCW);
    }
    VstIntPtr answer(const HostCall& call);

    AEffect* effect_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<HostCall> calls_;
    VstTimeInfo timeAnswer_{};
    std::atomic<int> fpViolations_{0};
};

// A host's event list of one MIDI event, as effProcessEvents takes it.
class MidiEventList {
public:
    MidiEventList(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    MidiEventList(const MidiEventList&) = delete;
    MidiEventList& operator=(const MidiEventList&) = delete;
    void* ptr() { return &list_; }

private:
    rigging::vst::VstMidiEvent event_{};
    struct {
        rigging::vst::VstInt32 numEvents;
        VstIntPtr reserved;
        rigging::vst::VstEvent* events[1];
    } list_;
};

}  // namespace vst2host
