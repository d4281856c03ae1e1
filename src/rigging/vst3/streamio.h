#pragma once
// Whole reads and writes over a host stream, which may hand out fewer bytes than asked.

#include <cstddef>
#include <cstdint>
#include <span>

#include "rigging/core/vec.h"
#include "rigging/vst3/ibstream.h"

namespace rigging::vst3 {

// Fills `out` completely, reading in as many pieces as the stream needs; false when the
// stream fails or ends first.
bool readExactly(IBStream* stream, std::span<std::uint8_t> out) noexcept;

// Appends everything from the current position to the end of the stream. The length is
// learnt by seeking when the stream can seek; otherwise the stream is read in pieces until it
// gives no more. False when the stream fails, reports a negative length, or holds more than
// maxBytes.
bool readToEnd(IBStream* stream, Vec<std::uint8_t>& out, std::size_t maxBytes) noexcept;

// True only when the stream took every byte.
bool writeExactly(IBStream* stream, std::span<const std::uint8_t> bytes) noexcept;

}  // namespace rigging::vst3
