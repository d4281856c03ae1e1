#include "rigging/vst/audiothreadmessage.h"

namespace rigging::vst {

void foldDroppedMessage(const AudioThreadMessage& dropped, AudioThreadMessage& next) noexcept {
    if (!dropped.hasReset() || next.hasReset()) return;
    MidiMessage m = next.midiMessage;
    next = dropped;
    next.type = AudioThreadMessage::resetThenMidi;
    next.midiMessage = m;
}

}  // namespace rigging::vst
