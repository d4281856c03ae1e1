#include "rigging/vst3/streamio.h"

#include <algorithm>

namespace rigging::vst3 {

namespace {

// Largest request handed to the stream at once (its count is an int32).
constexpr std::size_t kPiece = 1u << 16;

enum class Length { known, unknown, broken };

// The number of bytes after the current position, learnt by seeking to the end and back.
Length remainingBytes(IBStream* stream, int64& remaining) noexcept {
    int64 here = 0, end = 0, back = 0;
    if (stream->tell(&here) != kResultOk) return Length::unknown;
    if (stream->seek(0, kIBSeekEnd, &end) != kResultOk) return Length::unknown;
    if (stream->seek(here, kIBSeekSet, &back) != kResultOk || back != here) return Length::broken;
    remaining = end - here;
    return Length::known;
}

}  // namespace

bool readExactly(IBStream* stream, std::span<std::uint8_t> out) noexcept {
    std::size_t done = 0;
    while (done < out.size()) {
        int32 want = static_cast<int32>(std::min(out.size() - done, kPiece));
        int32 got = 0;
        if (stream->read(out.data() + done, want, &got) != kResultOk) return false;
        if (got <= 0 || got > want) return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool readToEnd(IBStream* stream, Vec<std::uint8_t>& out, std::size_t maxBytes) noexcept {
    std::size_t start = out.length();
    int64 remaining = 0;
    Length length = remainingBytes(stream, remaining);
    if (length == Length::broken) return false;
    if (length == Length::known) {
        if (remaining < 0 || static_cast<uint64>(remaining) > maxBytes) return false;
        out.resize(start + static_cast<std::size_t>(remaining));
        return readExactly(stream, out.slice().subspan(start));
    }
    // No seeking: read until the stream gives nothing more.
    for (;;) {
        std::size_t have = out.length() - start;
        std::size_t want = std::min(kPiece, maxBytes - have + 1);
        out.resize(start + have + want);
        int32 got = 0;
        tresult r = stream->read(out.ptr() + start + have, static_cast<int32>(want), &got);
        if (got < 0 || static_cast<std::size_t>(got) > want) return false;
        out.resize(start + have + static_cast<std::size_t>(got));
        if (have + static_cast<std::size_t>(got) > maxBytes) return false;
        if (r != kResultOk || got == 0) return true;
    }
}

bool writeExactly(IBStream* stream, std::span<const std::uint8_t> bytes) noexcept {
    std::size_t done = 0;
    while (done < bytes.size()) {
        int32 want = static_cast<int32>(std::min(bytes.size() - done, kPiece));
        int32 wrote = 0;
        if (stream->write(const_cast<std::uint8_t*>(bytes.data() + done), want, &wrote) !=
            kResultOk)
            return false;
        if (wrote != want) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

}  // namespace rigging::vst3
