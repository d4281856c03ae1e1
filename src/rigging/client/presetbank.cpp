#include "rigging/client/presetbank.h"

#include <utility>

#include "rigging/client/client.h"
#include "rigging/client/parameter.h"
#include "rigging/core/nogc.h"

namespace rigging {

PresetBank::PresetBank(Client* client, Vec<Preset*> presets) noexcept
    : presets_(std::move(presets)), client_(client) {}

PresetBank::~PresetBank() {
    for (Preset* p : presets_) destroyFree(p);
}

Preset* PresetBank::currentPreset() noexcept {
    int i = currentPresetIndex();
    return isValidPresetIndex(i) ? preset(i) : nullptr;
}

void PresetBank::loadPresetFromHost(int i) noexcept {
    if (!isValidPresetIndex(i)) return;
    std::span<Parameter* const> params = client_->params();
    // The preset being left keeps the user's edits, even when it held fewer values.
    if (Preset* leaving = currentPreset()) {
        leaving->ensureValueCount(params.size());
        for (std::size_t j = 0; j < params.size(); ++j)
            leaving->values()[j] = static_cast<float>(params[j]->getNormalized());
    }
    std::span<const float> values = std::as_const(*preset(i)).values();
    for (std::size_t j = 0; j < params.size(); ++j)
        params[j]->setFromHost(j < values.size() ? values[j] : params[j]->getNormalizedDefault());
    current_.store(i, std::memory_order_release);
}

Vec<std::uint8_t> PresetBank::getStateChunkFromCurrentState() const noexcept {
    std::span<Parameter* const> params = client_->params();
    Vec<std::uint8_t> chunk;
    writeStateChunk(chunk, client_->getPublicVersion().toAUVersion(), currentPresetIndex(), params);
    return chunk;
}

ChunkError PresetBank::loadStateChunk(std::span<const std::uint8_t> chunk) noexcept {
    StateChunk parsed;
    ChunkError error = parseStateChunk(chunk, numPresets(), parsed);
    if (error != ChunkError::none) return error;
    current_.store(parsed.presetIndex, std::memory_order_release);
    std::span<Parameter* const> params = client_->params();
    std::size_t n = parsed.numValues() < params.size() ? parsed.numValues() : params.size();
    for (std::size_t i = 0; i < n; ++i) params[i]->setFromHost(parsed.value(i));
    return ChunkError::none;
}

}  // namespace rigging
