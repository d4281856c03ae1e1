#include "rigging/vst3/ftypes.h"

#include <cstring>

namespace rigging::vst3 {

bool iidEqual(const void* a, const void* b) noexcept {
    return std::memcmp(a, b, 16) == 0;
}

int getChannelCount(SpeakerArrangement arr) noexcept {
    return __builtin_popcountll(arr);
}

SpeakerArrangement getSpeakerArrangement(int n) noexcept {
    if (n <= 0) return 0;
    if (n > 32) n = 32;
    return (SpeakerArrangement{1} << n) - 1;
}

void strncpy8(char* dst, const char* src, std::size_t n) noexcept {
    std::size_t i = 0;
    if (src != nullptr)
        for (; i < n && src[i] != 0; ++i) dst[i] = src[i];
    for (; i < n; ++i) dst[i] = 0;
}

void str16ToStr8(char* dst, const char16* src, std::size_t n) noexcept {
    if (n == 0) return;
    std::size_t i = 0;
    if (src != nullptr)
        for (; i + 1 < n && src[i] != 0; ++i)
            dst[i] = src[i] >= 127 ? '?' : static_cast<char>(src[i]);
    for (; i < n; ++i) dst[i] = 0;
}

static void widen(char16* dst, const char* src, std::size_t len, std::size_t n) noexcept {
    if (n == 0) return;
    std::size_t i = 0;
    for (; i + 1 < n && i < len && src[i] != 0; ++i)
        dst[i] = static_cast<char16>(static_cast<unsigned char>(src[i]));
    for (; i < n; ++i) dst[i] = 0;
}

void str8ToStr16(char16* dst, const char* src, std::size_t n) noexcept {
    widen(dst, src, src != nullptr ? std::strlen(src) : 0, n);
}

void str8ToStr16(char16* dst, std::span<const char> src, std::size_t n) noexcept {
    widen(dst, src.data(), src.size(), n);
}

}  // namespace rigging::vst3
