#pragma once
// The plug-in's presets, the current preset index, and the state chunk of the whole plug-in.

#include <atomic>
#include <cstdint>
#include <span>

#include "rigging/client/preset.h"
#include "rigging/client/statechunk.h"
#include "rigging/core/vec.h"

namespace rigging {

class Client;

class PresetBank {
public:
    // Takes ownership of every preset.
    PresetBank(Client* client, Vec<Preset*> presets) noexcept;
    PresetBank(const PresetBank&) = delete;
    PresetBank& operator=(const PresetBank&) = delete;
    ~PresetBank();

    int numPresets() const noexcept { return static_cast<int>(presets_.length()); }
    bool isValidPresetIndex(int i) const noexcept { return i >= 0 && i < numPresets(); }
    // No bounds check.
    Preset* preset(int i) noexcept { return presets_[static_cast<std::size_t>(i)]; }
    int currentPresetIndex() const noexcept { return current_.load(std::memory_order_acquire); }
    // Null when the current index names no preset (an empty bank).
    Preset* currentPreset() noexcept;

    // The host selects program i: the live values are first stored into the preset being left,
    // then preset i is applied (defaults for parameters it has no value for). An invalid index
    // changes nothing.
    void loadPresetFromHost(int i) noexcept;

    // A new chunk of the live values; the caller owns it. No preset is updated.
    Vec<std::uint8_t> getStateChunkFromCurrentState() const noexcept;

    // All or nothing: the whole chunk is checked before the preset index and the values are
    // applied, so a refused chunk changes nothing. Values beyond the parameter count are
    // ignored; parameters beyond the chunk's count keep their values. Callers answer the host
    // with a refusal for anything but ChunkError::none (chunkErrorMessage says why).
    [[nodiscard]] ChunkError loadStateChunk(std::span<const std::uint8_t> chunk) noexcept;

private:
    Vec<Preset*> presets_;
    Client* client_;
    std::atomic<int> current_{0};
};

}  // namespace rigging
