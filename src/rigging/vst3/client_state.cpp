// Saving and restoring a VST3Client: a two-byte header (format version, bypass) and the
// client's state chunk.

#include "rigging/core/fpcontrol.h"
#include "rigging/vst3/client.h"
#include "rigging/vst3/streamio.h"

namespace rigging {

using namespace vst3;

namespace {

constexpr std::uint8_t kStateFormatVersion = 0;

// Reads a whole saved state and checks its header; the chunk is left for the caller to check.
tresult readState(IBStream* state, std::uint8_t& bypass, Vec<std::uint8_t>& chunk) noexcept {
    if (state == nullptr) return kInvalidArgument;
    std::uint8_t header[2];
    if (!readExactly(state, header) || header[0] != kStateFormatVersion) return kResultFalse;
    if (!readToEnd(state, chunk, VST3Client::kMaxStateBytes)) return kResultFalse;
    bypass = header[1];
    return kResultOk;
}

}  // namespace

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
    FPScope fp;
    // Everything is read and checked before anything is applied.
    std::uint8_t bypass = 0;
    Vec<std::uint8_t> chunk;
    if (tresult r = readState(state, bypass, chunk); r != kResultOk) return r;
    {
        MutexLock lock(presetMutex_);
        if (client_->presetBank().loadStateChunk(chunk.slice()) != ChunkError::none)
            return kResultFalse;
        pendingPreset_.store(-1);  // the state's preset index is the newest choice
        bypassed_.store(bypass != 0);
    }
    // Every value, bypass and preset included, may have changed: hosts that keep their own
    // copy read them again.
    restartHost(kParamValuesChanged);
    return kResultOk;
}

tresult VST3Client::checkComponentState(IBStream* state) {
    RIGGING_THREAD(client_->threads(), main);
    FPScope fp;
    std::uint8_t bypass = 0;
    Vec<std::uint8_t> chunk;
    if (tresult r = readState(state, bypass, chunk); r != kResultOk) return r;
    StateChunk parsed;
    return parseStateChunk(chunk.slice(), client_->presetBank().numPresets(), parsed) ==
                   ChunkError::none
               ? kResultOk
               : kResultFalse;
}

}  // namespace rigging
