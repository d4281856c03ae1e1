#pragma once
// MIDI messages from the host and the queue that keeps them ordered by frame offset.

#include <cstdint>
#include <span>

namespace rigging {

enum class MidiStatus : int {
    noteOff = 0x8,
    noteOn = 0x9,
    controlChange = 0xB,
    pitchWheel = 0xE,
};

struct MidiMessage {
    std::int32_t offset = 0;  // frame within the block
    std::uint8_t status = 0;  // type in the high nibble, channel in the low nibble
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;

    constexpr MidiMessage() noexcept = default;
    constexpr MidiMessage(int offset_, int status_, int data1_, int data2_) noexcept
        : offset(offset_),
          status(static_cast<std::uint8_t>(status_)),
          data1(static_cast<std::uint8_t>(data1_)),
          data2(static_cast<std::uint8_t>(data2_)) {}

    constexpr int statusType() const noexcept { return status >> 4; }
    constexpr int channel() const noexcept { return status & 0x0F; }
};

// Status byte (statusType << 4 | channel) and data bytes are kept to 8 bits.
MidiMessage makeMidiMessage(int offset, int channel, MidiStatus statusType, int data1,
                            int data2) noexcept;
MidiMessage makeMidiMessageNoteOn(int offset, int channel, int noteNumber, int velocity) noexcept;
MidiMessage makeMidiMessageNoteOff(int offset, int channel, int noteNumber) noexcept;

// A min-heap by offset in fixed storage (slots 1..511; slot 0 stays empty), so the audio
// thread never allocates. When full, further messages are dropped until initialize().
class MidiQueue {
public:
    static constexpr int kSlots = 512;
    static constexpr int kCapacity = kSlots - 1;

    void initialize() noexcept;
    void enqueue(MidiMessage message) noexcept;

    int size() const noexcept { return count_; }
    int framesElapsed() const noexcept { return framesElapsed_; }
    // The earliest message (slot 1); only meaningful when size() > 0.
    const MidiMessage& earliest() const noexcept { return slots_[1]; }
    // The held messages in heap order (slots 1..size()).
    std::span<const MidiMessage> held() const noexcept { return {slots_ + 1, slots_ + 1 + count_}; }

private:
    std::int32_t framesElapsed_ = 0;
    std::int32_t count_ = 0;
    MidiMessage slots_[kSlots];
};

MidiQueue makeMidiQueue() noexcept;

}  // namespace rigging
