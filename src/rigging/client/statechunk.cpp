#include "rigging/client/statechunk.h"

#include "rigging/client/binrange.h"
#include "rigging/client/parameter.h"

namespace rigging {

const char* chunkErrorMessage(ChunkError error) noexcept {
    switch (error) {
        case ChunkError::none:
            return nullptr;
        case ChunkError::badMagic:
            return "Can not load, magic number didn't match";
        case ChunkError::newerVersion:
            return "Can not load chunk done with a newer, incompatible rigging library";
        case ChunkError::badPresetIndex:
            return "Invalid preset index in state chunk";
        case ChunkError::endOfInput:
            return "Expected a byte, but found end of input";
    }
    return nullptr;
}

float StateChunk::value(std::size_t i) const noexcept {
    std::span<const std::uint8_t> field = valueBytes.subspan(4 * i, 4);
    float v = 0.0f;
    popLE(field, v);
    return v;
}

void writeStateChunk(Vec<std::uint8_t>& out, std::int32_t pluginVersion, std::int32_t presetIndex,
                     std::span<Parameter* const> params) noexcept {
    writeBE(out, kStateChunkMagic);
    writeLE(out, kStateChunkFormatVersion);
    writeLE(out, std::int32_t{0});
    writeLE(out, pluginVersion);
    writeLE(out, presetIndex);
    writeLE(out, static_cast<std::int32_t>(params.size()));
    for (Parameter* p : params) writeLE(out, static_cast<float>(p->getNormalized()));
}

ChunkError parseStateChunk(std::span<const std::uint8_t> chunk, int numPresets,
                           StateChunk& out) noexcept {
    std::uint32_t magic;
    std::int32_t formatVersion, reserved, pluginVersion, presetIndex, count;
    if (!popBE(chunk, magic)) return ChunkError::endOfInput;
    if (magic != kStateChunkMagic) return ChunkError::badMagic;
    if (!popLE(chunk, formatVersion)) return ChunkError::endOfInput;
    if (formatVersion > kStateChunkFormatVersion) return ChunkError::newerVersion;
    if (!popLE(chunk, reserved) || !popLE(chunk, pluginVersion) || !popLE(chunk, presetIndex))
        return ChunkError::endOfInput;
    if (presetIndex < 0 || presetIndex >= numPresets) return ChunkError::badPresetIndex;
    if (!popLE(chunk, count)) return ChunkError::endOfInput;
    // 64-bit product: a corrupt count cannot wrap around the size check.
    std::uint64_t valueBytes = count > 0 ? 4 * static_cast<std::uint64_t>(count) : 0;
    if (chunk.size() < valueBytes) return ChunkError::endOfInput;
    out.pluginVersion = pluginVersion;
    out.presetIndex = presetIndex;
    out.valueBytes = chunk.first(static_cast<std::size_t>(valueBytes));
    return ChunkError::none;
}

}  // namespace rigging
