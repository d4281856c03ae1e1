#include "rigging/client/hostblockadapter.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "rigging/client/client.h"
#include "rigging/core/nogc.h"

namespace rigging {

namespace {

constexpr std::size_t kPiece = static_cast<std::size_t>(kMaxPieceFrames);

template <typename Sample>
Sample* channel(Sample* const* channels, int count, int c) noexcept {
    return channels != nullptr && c < count ? channels[c] : nullptr;
}

}  // namespace

HostBlockAdapter::HostBlockAdapter(Client& client) noexcept
    : client_(client), maxInputs_(client.maxInputs()), maxOutputs_(client.maxOutputs()) {
    const auto channels = static_cast<std::size_t>(maxInputs_ + maxOutputs_);
    buffers_ = mallocSlice<float>((channels + 1) * kPiece);
    std::fill(buffers_.begin() + static_cast<std::ptrdiff_t>(channels * kPiece), buffers_.end(),
              0.0f);
    inputPointers_ = mallocSlice<const float*>(static_cast<std::size_t>(maxInputs_));
    outputPointers_ = mallocSlice<float*>(static_cast<std::size_t>(maxOutputs_));
}

HostBlockAdapter::~HostBlockAdapter() {
    freeSlice(buffers_);
    freeSlice(inputPointers_);
    freeSlice(outputPointers_);
}

bool HostBlockAdapter::resetForStream(const HostStream& stream, bool requested) noexcept {
    RIGGING_THREAD(client_.threads(), audio);
    const int frames = pieceFramesFor(stream.announcedMaxFrames);
    // Compared as given, not as clamped, so that a binding sees the same resets it asked for.
    if (!requested && stream.sampleRate == lastSampleRate_ && frames == lastPieceFrames_ &&
        stream.clientInputs == lastInputs_ && stream.clientOutputs == lastOutputs_)
        return false;
    lastSampleRate_ = stream.sampleRate;
    lastPieceFrames_ = frames;
    lastInputs_ = stream.clientInputs;
    lastOutputs_ = stream.clientOutputs;
    // The buffers were made at their largest size: nothing to allocate here.
    clientInputs_ = std::clamp(stream.clientInputs, 0, maxInputs_);
    clientOutputs_ = std::clamp(stream.clientOutputs, 0, maxOutputs_);
    pieceFrames_ = frames;
    client_.resetFromHost(stream.sampleRate, frames, stream.clientInputs, stream.clientOutputs);
    return true;
}

float* HostBlockAdapter::inputScratch(int c) const noexcept {
    return buffers_.data() + static_cast<std::size_t>(c) * kPiece;
}

float* HostBlockAdapter::outputScratch(int c) const noexcept {
    return buffers_.data() + static_cast<std::size_t>(maxInputs_ + c) * kPiece;
}

void HostBlockAdapter::silence(float* const* outputs, int from, int to, int frames) noexcept {
    for (int c = from; c < to; ++c)
        if (outputs[c] != nullptr)
            std::memset(outputs[c], 0, static_cast<std::size_t>(frames) * sizeof(float));
}

void HostBlockAdapter::processReplacing(const HostChannels<float>& host, int frames,
                                        TimeInfo time) noexcept {
    run(host, frames, time, Use::replace);
}

void HostBlockAdapter::processReplacing(const HostChannels<double>& host, int frames,
                                        TimeInfo time) noexcept {
    run(host, frames, time, Use::replace);
}

void HostBlockAdapter::processAccumulating(const HostChannels<float>& host, int frames,
                                           TimeInfo time) noexcept {
    run(host, frames, time, Use::accumulate);
}

template <typename Sample>
void HostBlockAdapter::run(const HostChannels<Sample>& host, int frames, TimeInfo time,
                           Use use) noexcept {
    RIGGING_THREAD(client_.threads(), audio);
    // Float host outputs are written in place; double ones, and sums, go through scratch.
    constexpr bool isFloat = std::is_same_v<Sample, float>;
    const bool inPlace = isFloat && use == Use::replace;
    const float* silent = outputScratch(maxOutputs_);
    for (int done = 0; done < frames;) {
        const int n = std::min(pieceFrames_, frames - done);
        for (int c = 0; c < clientInputs_; ++c) {
            const Sample* src = channel(host.inputs, host.numInputs, c);
            const float*& p = inputPointers_[static_cast<std::size_t>(c)];
            if (src == nullptr) {
                p = silent;
            } else if (isFloat && use == Use::accumulate) {
                // The client writes scratch only, so the host's own inputs cannot be overwritten.
                p = reinterpret_cast<const float*>(src) + done;
            } else {
                // A copy: the client may write host outputs that alias the host's inputs.
                float* dst = inputScratch(c);
                if constexpr (isFloat)
                    std::memcpy(dst, src + done, static_cast<std::size_t>(n) * sizeof(float));
                else
                    for (int j = 0; j < n; ++j) dst[j] = static_cast<float>(src[done + j]);
                p = dst;
            }
        }
        for (int c = 0; c < clientOutputs_; ++c) {
            Sample* dst = channel(host.outputs, host.numOutputs, c);
            outputPointers_[static_cast<std::size_t>(c)] =
                inPlace && dst != nullptr ? reinterpret_cast<float*>(dst) + done : outputScratch(c);
        }
        client_.processAudioFromHost(
            inputPointers_.first(static_cast<std::size_t>(clientInputs_)),
            outputPointers_.first(static_cast<std::size_t>(clientOutputs_)), n, time);
        time.timeInSamples += n;
        if (!inPlace) {
            for (int c = 0; c < clientOutputs_; ++c) {
                Sample* dst = channel(host.outputs, host.numOutputs, c);
                if (dst == nullptr) continue;
                const float* src = outputScratch(c);
                if (use == Use::accumulate)
                    for (int j = 0; j < n; ++j) dst[done + j] += src[j];
                else
                    for (int j = 0; j < n; ++j) dst[done + j] = src[j];
            }
        }
        // Only after the client ran: a silenced output may alias a later input.
        if (use == Use::replace)
            for (int c = clientOutputs_; c < host.numOutputs && host.outputs != nullptr; ++c)
                if (Sample* dst = host.outputs[c])
                    std::memset(dst + done, 0, static_cast<std::size_t>(n) * sizeof(Sample));
        done += n;
    }
}

}  // namespace rigging
