#pragma once
// The binary state record hosts keep in their projects: version, current preset and every
// normalized parameter value. Its layout must never change.
//
//   offset 0   magic 0x0B20BA92, big-endian
//   offset 4   chunk format version, int32 LE, 0
//   offset 8   reserved, int32 LE, 0
//   offset 12  plug-in version (PluginVersion::toAUVersion), int32 LE
//   offset 16  current preset index, int32 LE
//   offset 20  N, int32 LE
//   offset 24  N normalized values, IEEE-754 single precision LE, in parameter index order

#include <cstddef>
#include <cstdint>
#include <span>

#include "rigging/core/vec.h"

namespace rigging {

class Parameter;

constexpr std::uint32_t kStateChunkMagic = 0x0B20BA92;
constexpr std::int32_t kStateChunkFormatVersion = 0;

enum class ChunkError {
    none,
    badMagic,
    newerVersion,
    badPresetIndex,
    endOfInput,
};

// The refusal text of each error; null for ChunkError::none.
const char* chunkErrorMessage(ChunkError error) noexcept;

// A chunk that passed every check, borrowing the bytes it was parsed from.
struct StateChunk {
    std::int32_t pluginVersion = 0;
    std::int32_t presetIndex = 0;
    std::span<const std::uint8_t> valueBytes;  // 4 bytes per value

    std::size_t numValues() const noexcept { return valueBytes.size() / 4; }
    float value(std::size_t i) const noexcept;
};

// Appends a whole chunk holding each parameter's getNormalized() narrowed to float.
void writeStateChunk(Vec<std::uint8_t>& out, std::int32_t pluginVersion, std::int32_t presetIndex,
                     std::span<Parameter* const> params) noexcept;

// Checks, in order: magic, format version, preset index (0 <= index < numPresets), and that
// every field and all N values are present. Any plug-in version passes; a negative N reads as 0.
// `out` is written only on success.
ChunkError parseStateChunk(std::span<const std::uint8_t> chunk, int numPresets,
                           StateChunk& out) noexcept;

}  // namespace rigging
