#pragma once
// What every binding does between a host's process call and the client: host blocks cut into
// pieces no longer than the host announced, inputs copied so that outputs may alias them, a
// silent buffer for inputs the host does not give, host outputs the client does not write
// silenced, and the time advanced piece by piece.

#include <span>

#include "rigging/client/timeinfo.h"

namespace rigging {

class Client;

// The longest piece of a host block the client is given in one call; longer host blocks go
// through in several. A multiple of every chunk limit a client is likely to set, so that
// cutting never changes where the client's own chunks fall.
constexpr int kMaxPieceFrames = 8192;
// The piece length while the host has announced no maximum block size (or announced 0).
constexpr int kUnannouncedPieceFrames = 128;

// The piece length for the maximum block size a host announced.
constexpr int pieceFramesFor(int announcedMaxFrames) noexcept {
    if (announcedMaxFrames <= 0) return kUnannouncedPieceFrames;
    return announcedMaxFrames < kMaxPieceFrames ? announcedMaxFrames : kMaxPieceFrames;
}

// A host's planar channels for one call. Channels at or past the count, and null channel
// pointers, are channels the host did not give; a null array gives none.
template <typename Sample>
struct HostChannels {
    Sample* const* inputs = nullptr;
    int numInputs = 0;
    Sample* const* outputs = nullptr;
    int numOutputs = 0;
};

class HostBlockAdapter {
public:
    // Makes every buffer at its largest size: configure may then run on the audio thread.
    explicit HostBlockAdapter(Client& client) noexcept;
    ~HostBlockAdapter();
    HostBlockAdapter(const HostBlockAdapter&) = delete;
    HostBlockAdapter& operator=(const HostBlockAdapter&) = delete;

    // At every client reset: the channel counts the client processes (clamped to its maxima)
    // and the piece length (clamped to 1 .. kMaxPieceFrames).
    void configure(int clientInputs, int clientOutputs, int pieceFrames) noexcept;
    int pieceFrames() const noexcept { return pieceFrames_; }
    int clientInputs() const noexcept { return clientInputs_; }
    int clientOutputs() const noexcept { return clientOutputs_; }

    // The client replaces the host's outputs: inputs are copied (converted from double), the
    // client writes float host outputs in place (double ones through scratch, converted back),
    // and host outputs past the client's are silenced. time is the block's first frame.
    void processReplacing(const HostChannels<float>& host, int frames, TimeInfo time) noexcept;
    void processReplacing(const HostChannels<double>& host, int frames, TimeInfo time) noexcept;
    // The client's outputs are added to what the host's outputs hold; the host's inputs are
    // read as they are, and host outputs past the client's are left alone.
    void processAccumulating(const HostChannels<float>& host, int frames, TimeInfo time) noexcept;

    // Channels from..to-1 of a host's outputs set to frames zeros (null channels skipped).
    static void silence(float* const* outputs, int from, int to, int frames) noexcept;

private:
    enum class Use { replace, accumulate };
    template <typename Sample>
    void run(const HostChannels<Sample>& host, int frames, TimeInfo time, Use use) noexcept;
    float* inputScratch(int c) const noexcept;
    float* outputScratch(int c) const noexcept;

    Client& client_;
    int maxInputs_;
    int maxOutputs_;
    int clientInputs_ = 0;
    int clientOutputs_ = 0;
    int pieceFrames_ = kUnannouncedPieceFrames;
    // maxInputs input copies, maxOutputs output scratch buffers, then the silent buffer.
    std::span<float> buffers_;
    std::span<const float*> inputPointers_;
    std::span<float*> outputPointers_;
};

}  // namespace rigging
