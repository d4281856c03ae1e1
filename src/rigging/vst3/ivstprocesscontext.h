#pragma once
// The host's transport information handed to each process call.

#include <cstddef>

#include "rigging/vst3/ftypes.h"

namespace rigging::vst3 {

struct Chord {
    uint8 keyNote;
    uint8 rootNote;
    int16 chordMask;
};
static_assert(sizeof(Chord) == 4);

struct FrameRate {
    uint32 framesPerSecond;
    uint32 flags;
};
static_assert(sizeof(FrameRate) == 8);

struct ProcessContext {
    enum StatesAndFlags : uint32 {
        kPlaying = 1 << 1,
        kCycleActive = 1 << 2,
        kRecording = 1 << 3,
        kSystemTimeValid = 1 << 8,
        kProjectTimeMusicValid = 1 << 9,
        kTempoValid = 1 << 10,
        kBarPositionValid = 1 << 11,
        kCycleValid = 1 << 12,
        kTimeSigValid = 1 << 13,
        kSmpteValid = 1 << 14,
        kClockValid = 1 << 15,
        kContTimeValid = 1 << 17,
        kChordValid = 1 << 18,
    };
    uint32 state;
    double sampleRate;
    TSamples projectTimeSamples;
    int64 systemTime;
    TSamples continousTimeSamples;
    TQuarterNotes projectTimeMusic;
    TQuarterNotes barPositionMusic;
    TQuarterNotes cycleStartMusic;
    TQuarterNotes cycleEndMusic;
    double tempo;
    int32 timeSigNumerator;
    int32 timeSigDenominator;
    Chord chord;
    int32 smpteOffsetSubframes;
    FrameRate frameRate;
    int32 samplesToNextClock;
};
static_assert(sizeof(ProcessContext) == 112 && alignof(ProcessContext) == 8);
static_assert(offsetof(ProcessContext, sampleRate) == 8);
static_assert(offsetof(ProcessContext, projectTimeSamples) == 16);
static_assert(offsetof(ProcessContext, tempo) == 72);
static_assert(offsetof(ProcessContext, timeSigNumerator) == 80);
static_assert(offsetof(ProcessContext, chord) == 88);
static_assert(offsetof(ProcessContext, frameRate) == 96);
static_assert(offsetof(ProcessContext, samplesToNextClock) == 104);

}  // namespace rigging::vst3
