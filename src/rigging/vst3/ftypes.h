#pragma once
// Base types of the VST3 ABI on Linux x86-64 and the small helpers every interface needs:
// 16-byte ids, reference-count arithmetic, speaker arrangements and bounded text copies.

#include <cstddef>
#include <cstdint>
#include <span>

namespace rigging::vst3 {

using int8 = std::int8_t;
using uint8 = std::uint8_t;
using int16 = std::int16_t;
using uint16 = std::uint16_t;
using int32 = std::int32_t;
using uint32 = std::uint32_t;
using int64 = std::int64_t;
using uint64 = std::uint64_t;

using tresult = int32;
using TBool = uint8;
using char8 = char;
using char16 = char16_t;
using TChar = char16;
using String128 = char16[128];
using FIDString = const char*;
using CString = const char*;
using TUID = char[16];

using ParamID = uint32;
using ParamValue = double;
using SampleRate = double;
using TSamples = int64;
using TQuarterNotes = double;
using SpeakerArrangement = uint64;
using MediaType = int32;
using BusDirection = int32;
using BusType = int32;
using IoMode = int32;
using UnitID = int32;
using ProgramListID = int32;
using KnobMode = int32;
using CtrlNumber = int16;
using Sample32 = float;
using Sample64 = double;

// Result codes of the non-COM platforms.
enum : tresult {
    kNoInterface = -1,
    kResultOk = 0,
    kResultTrue = 0,
    kResultFalse = 1,
    kInvalidArgument = 2,
    kNotImplemented = 3,
    kInternalError = 4,
    kNotInitialized = 5,
    kOutOfMemory = 6,
};

// An interface or class id as it lies in memory: each 32-bit word most significant byte first.
struct UID {
    char bytes[16];
    constexpr const char* data() const noexcept { return bytes; }
    operator const char*() const noexcept { return bytes; }
};

constexpr UID INLINE_UID(uint32 l1, uint32 l2, uint32 l3, uint32 l4) noexcept {
    UID id{};
    const uint32 words[4] = {l1, l2, l3, l4};
    for (int w = 0; w < 4; ++w)
        for (int b = 0; b < 4; ++b)
            id.bytes[w * 4 + b] = static_cast<char>((words[w] >> (24 - 8 * b)) & 0xFF);
    return id;
}

// Ids are binary and often hold zero bytes: all 16 bytes are compared.
bool iidEqual(const void* a, const void* b) noexcept;

// Atomic add for reference counts; returns the new value.
inline int atomicAdd(int& value, int delta) noexcept {
    return __atomic_add_fetch(&value, delta, __ATOMIC_SEQ_CST);
}

// Number of channels of a speaker arrangement: one bit per speaker.
int getChannelCount(SpeakerArrangement arr) noexcept;
// The n lowest speaker bits (n = 1 gives 0x1, 2 gives 0x3); 0 for n <= 0; n is capped at 32.
SpeakerArrangement getSpeakerArrangement(int n) noexcept;

// Like strncpy: copies up to and including the terminator, at most n bytes, zeroing the rest;
// a source of n or more characters leaves no terminator.
void strncpy8(char* dst, const char* src, std::size_t n) noexcept;
// Narrows UTF-16 to 8 bits (units of 127 and above become '?'); at most n - 1 characters,
// the rest of the n bytes zeroed.
void str16ToStr8(char* dst, const char16* src, std::size_t n) noexcept;
// Widens 8-bit text to UTF-16; at most n - 1 characters, the rest of the n units zeroed.
void str8ToStr16(char16* dst, const char* src, std::size_t n) noexcept;
void str8ToStr16(char16* dst, std::span<const char> src, std::size_t n) noexcept;

}  // namespace rigging::vst3
