// Saving and restoring a VST3Client: a two-byte header (format version, bypass) and the
// client's state chunk.

#include "rigging/core/fpcontrol.h"
#include "rigging/vst3/client.h"
#include "rigging/vst3/streamio.h"

namespace rigging {

using namespace vst3;

namespace {
constexpr std::uint8_t kStateFormatVersion = 0;
}

tresult VST3Client::getState(IBStream* state) {
    RIGGING_THREAD(client_->threads(), main);
    if (state == nullptr) return kInvalidArgument;
    FPScope fp;
    Vec<std::uint8_t> bytes;
    bytes.pushBack(kStateFormatVersion);
    bytes.pushBack(static_cast<std::uint8_t>(bypassed_.load() ? 1 : 0));
    {
        MutexLock lock(presetMutex_);
        bytes.pushBack(client_->presetBank().getStateChunkFromCurrentState());
    }
    return writeExactly(state, bytes.slice()) ? kResultOk : kResultFalse;
}

tresult VST3Client::setState(IBStream* state) {
    RIGGING_THREAD(client_->threads(), main);
    return loadState(state, true);
}

tresult VST3Client::loadState(IBStream* state, bool apply) noexcept {
    if (state == nullptr) return kInvalidArgument;
    FPScope fp;
    // Everything is read and checked before anything is applied.
    std::uint8_t header[2];
    if (!readExactly(state, header) || header[0] != kStateFormatVersion) return kResultFalse;
    Vec<std::uint8_t> chunk;
    if (!readToEnd(state, chunk, kMaxStateBytes)) return kResultFalse;
    if (!apply) {
        StateChunk parsed;
        const int presets = client_->presetBank().numPresets();
        return parseStateChunk(chunk.slice(), presets, parsed) == ChunkError::none ? kResultOk
                                                                                   : kResultFalse;
    }
    // No restartComponent from here, though every value may have changed: hosts hold their own
    // locks across a state load, and one that takes the same lock again in restartComponent
    // hangs. They read the values again once the controller accepts the component state.
    MutexLock lock(presetMutex_);
    if (client_->presetBank().loadStateChunk(chunk.slice()) != ChunkError::none)
        return kResultFalse;
    pendingPreset_.store(-1);  // the state's preset index is the newest choice
    bypassed_.store(header[1] != 0);
    return kResultOk;
}

}  // namespace rigging
