#pragma once
// IAudioProcessor with its set-up and process-call records.

#include <cstddef>

#include "rigging/vst3/ivstevents.h"
#include "rigging/vst3/ivstparameterchanges.h"
#include "rigging/vst3/ivstprocesscontext.h"

namespace rigging::vst3 {

enum SymbolicSampleSizes : int32 { kSample32 = 0, kSample64 = 1 };
enum ProcessModes : int32 { kRealtime = 0, kPrefetch = 1, kOffline = 2 };
constexpr uint32 kNoTail = 0;
constexpr uint32 kInfiniteTail = 0xFFFFFFFF;

struct ProcessSetup {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 maxSamplesPerBlock;
    SampleRate sampleRate;
};
static_assert(sizeof(ProcessSetup) == 24 && alignof(ProcessSetup) == 8);
static_assert(offsetof(ProcessSetup, maxSamplesPerBlock) == 8);
static_assert(offsetof(ProcessSetup, sampleRate) == 16);

struct AudioBusBuffers {
    int32 numChannels;
    uint64 silenceFlags;
    union {
        Sample32** channelBuffers32;
        Sample64** channelBuffers64;
    };
};
static_assert(sizeof(AudioBusBuffers) == 24 && alignof(AudioBusBuffers) == 8);
static_assert(offsetof(AudioBusBuffers, silenceFlags) == 8);
static_assert(offsetof(AudioBusBuffers, channelBuffers32) == 16);

struct ProcessData {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 numSamples;
    int32 numInputs;
    int32 numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext;
};
static_assert(sizeof(ProcessData) == 80 && alignof(ProcessData) == 8);
static_assert(offsetof(ProcessData, numOutputs) == 16 && offsetof(ProcessData, inputs) == 24);
static_assert(offsetof(ProcessData, inputParameterChanges) == 40);
static_assert(offsetof(ProcessData, inputEvents) == 56);
static_assert(offsetof(ProcessData, processContext) == 72);

class IAudioProcessor : public FUnknown {
public:
    virtual tresult setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                       SpeakerArrangement* outputs, int32 numOuts) = 0;
    virtual tresult getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) = 0;
    virtual tresult canProcessSampleSize(int32 symbolicSampleSize) = 0;
    virtual uint32 getLatencySamples() = 0;
    virtual tresult setupProcessing(ProcessSetup& setup) = 0;
    virtual tresult setProcessing(TBool state) = 0;
    virtual tresult process(ProcessData& data) = 0;
    virtual uint32 getTailSamples() = 0;
    static constexpr UID iid = INLINE_UID(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);

protected:
    ~IAudioProcessor() = default;
};

}  // namespace rigging::vst3
