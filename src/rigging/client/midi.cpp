#include "rigging/client/midi.h"

#include <utility>

namespace rigging {

MidiMessage makeMidiMessage(int offset, int channel, MidiStatus statusType, int data1,
                            int data2) noexcept {
    int status = (static_cast<int>(statusType) << 4 | channel) & 0xFF;
    return MidiMessage(offset, status, data1 & 0xFF, data2 & 0xFF);
}

MidiMessage makeMidiMessageNoteOn(int offset, int channel, int noteNumber, int velocity) noexcept {
    return makeMidiMessage(offset, channel, MidiStatus::noteOn, noteNumber, velocity);
}

MidiMessage makeMidiMessageNoteOff(int offset, int channel, int noteNumber) noexcept {
    return makeMidiMessage(offset, channel, MidiStatus::noteOff, noteNumber, 0);
}

void MidiQueue::initialize() noexcept {
    framesElapsed_ = 0;
    count_ = 0;
}

void MidiQueue::enqueue(MidiMessage message) noexcept {
    if (count_ >= kCapacity) return;
    message.offset += framesElapsed_;
    int slot = ++count_;
    slots_[slot] = message;
    // Strictly greater only, so messages with equal offsets keep their arrival order upwards.
    while (slot >= 2 && slots_[slot / 2].offset > slots_[slot].offset) {
        std::swap(slots_[slot / 2], slots_[slot]);
        slot /= 2;
    }
}

MidiQueue makeMidiQueue() noexcept {
    MidiQueue q;
    q.initialize();
    return q;
}

}  // namespace rigging
