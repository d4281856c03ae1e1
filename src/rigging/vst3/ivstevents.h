#pragma once
// Note and controller events of an event bus.

#include <cstddef>

#include "rigging/vst3/funknown.h"

namespace rigging::vst3 {

struct NoteOnEvent {
    int16 channel;
    int16 pitch;
    float tuning;
    float velocity;
    int32 length;
    int32 noteId;
};
static_assert(sizeof(NoteOnEvent) == 20 && offsetof(NoteOnEvent, velocity) == 8);

struct NoteOffEvent {
    int16 channel;
    int16 pitch;
    float velocity;
    int32 noteId;
    float tuning;
};
static_assert(sizeof(NoteOffEvent) == 16 && offsetof(NoteOffEvent, noteId) == 8);

struct DataEvent {
    uint32 size;
    uint32 type;
    const uint8* bytes;
};
static_assert(sizeof(DataEvent) == 16 && offsetof(DataEvent, bytes) == 8);

struct PolyPressureEvent {
    int16 channel;
    int16 pitch;
    float pressure;
    int32 noteId;
};
static_assert(sizeof(PolyPressureEvent) == 12);

struct LegacyMIDICCOutEvent {
    uint8 controlNumber;
    int8 channel;
    int8 value;
    int8 value2;
};
static_assert(sizeof(LegacyMIDICCOutEvent) == 4);

enum ControllerNumbers : int32 { kAfterTouch = 128, kPitchBend = 129, kCtrlProgramChange = 130 };

struct Event {
    enum EventFlags : uint16 { kIsLive = 1 };
    enum EventTypes : uint16 {
        kNoteOnEvent = 0,
        kNoteOffEvent = 1,
        kDataEvent = 2,
        kPolyPressureEvent = 3,
        kNoteExpressionValueEvent = 4,
        kNoteExpressionTextEvent = 5,
        kChordEvent = 6,
        kScaleEvent = 7,
        kLegacyMIDICCOutEvent = 65535,
    };
    int32 busIndex;
    int32 sampleOffset;
    TQuarterNotes ppqPosition;
    uint16 flags;
    uint16 type;
    union {
        NoteOnEvent noteOn;
        NoteOffEvent noteOff;
        DataEvent data;
        PolyPressureEvent polyPressure;
        LegacyMIDICCOutEvent midiCCOut;
        char reserved[24];  // the largest member of the published union
    };
};
static_assert(sizeof(Event) == 48 && alignof(Event) == 8);
static_assert(offsetof(Event, ppqPosition) == 8 && offsetof(Event, flags) == 16);
static_assert(offsetof(Event, type) == 18 && offsetof(Event, noteOn) == 24);

class IEventList : public FUnknown {
public:
    virtual int32 getEventCount() = 0;
    virtual tresult getEvent(int32 index, Event& e) = 0;
    virtual tresult addEvent(Event& e) = 0;
    static constexpr UID iid = INLINE_UID(0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44);

protected:
    ~IEventList() = default;
};

}  // namespace rigging::vst3
