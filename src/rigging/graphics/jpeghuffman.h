#pragma once
// A Huffman table of a JPEG stream and the structure that decodes its symbols.

#include <cstdint>

namespace rigging {

struct JpegHuffmanTable {
    // As read from the stream: counts[l] codes of length l (1..16), then the symbols in code
    // order.
    std::uint8_t counts[17];
    std::uint8_t values[256];

    // Built by buildJpegHuffmanTable. Codes of up to 8 bits are found by the next 8 bits of the
    // stream: (length << 8) | symbol, 0 when the code is longer. Longer codes compare the next l
    // bits with the range of codes of length l.
    std::uint16_t lookup[256];
    std::int32_t minCode[17];
    std::int32_t maxCode[17];  // -1 when no code has that length
    std::int16_t valueOffset[17];
};

// Builds the decoding structure from counts and values (canonical code assignment). Counts that
// claim more codes than a length can hold leave the surplus codes undecodable, never out of range.
void buildJpegHuffmanTable(JpegHuffmanTable& table) noexcept;

}  // namespace rigging
