#pragma once
// What the dispatcher's thread hands to the audio thread: stream changes and MIDI.

#include <limits>

#include "rigging/client/midi.h"

namespace rigging::vst {

struct AudioThreadMessage {
    enum Type : int {
        reset = 0,
        midi = 1,
        // A reset that was folded into the MIDI message after it when the queue overflowed:
        // the reset is applied first, then the MIDI message.
        resetThenMidi = 2,
    };

    int type = reset;
    int maxFrames = 0;
    float samplingRate = std::numeric_limits<float>::quiet_NaN();
    int hostInputs = 0;
    int hostOutputs = 0;
    int processingInputs = 0;
    int processingOutputs = 0;
    MidiMessage midiMessage{};

    bool hasReset() const noexcept { return type != midi; }
    bool hasMidi() const noexcept { return type != reset; }
};

// Overflow rule of the message queue: a dropped MIDI message is lost, a dropped reset never is.
// Its stream settings move into the message that now leads the queue, unless that message
// carries a newer reset, which supersedes it.
void foldDroppedMessage(const AudioThreadMessage& dropped, AudioThreadMessage& next) noexcept;

}  // namespace rigging::vst
