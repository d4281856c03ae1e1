#pragma once
// What every binding does between a host's process call and the client: the client reset when
// the host's stream changes, host blocks cut into pieces no longer than the host announced, inputs
// copied so that outputs may alias them, a silent buffer for inputs the host does not give, host
// outputs the client does not write silenced, and the time advanced piece by piece.

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

// The stream a host announced, as a binding passes it on at the start of a process call.
struct HostStream {
    float sampleRate = 44100.0f;  // NaN matches nothing: every block resets
    int announcedMaxFrames = 0;   // the host's maximum block size; <= 0 when none is known
    int clientInputs = 0;         // the channel counts the client processes
    int clientOutputs = 0;
};

class HostBlockAdapter {
public:
    // Main thread. Makes every buffer at its largest size, so that nothing the audio thread
    // does later allocates.
    explicit HostBlockAdapter(Client& client) noexcept;
    ~HostBlockAdapter();
    HostBlockAdapter(const HostBlockAdapter&) = delete;
    HostBlockAdapter& operator=(const HostBlockAdapter&) = delete;

    // Audio thread, before a block: when `requested`, or when the stream differs from the one
    // of the last reset in rate, piece length or channel counts, the client is reset for it
    // (Client::resetFromHost with the piece length) and later blocks are cut for it. True when
    // the client was reset. Channel counts are clamped to the client's maxima.
    bool resetForStream(const HostStream& stream, bool requested) noexcept;
    int pieceFrames() const noexcept { return pieceFrames_; }
    int clientInputs() const noexcept { return clientInputs_; }
    int clientOutputs() const noexcept { return clientOutputs_; }

    // Audio thread, all three. The client replaces the host's outputs: inputs are copied (converted
    // from double), the client writes float host outputs in place (double ones through scratch,
    // converted back), and host outputs past the client's are silenced. time is the block's first
    // frame.
    void processReplacing(const HostChannels<float>& host, int frames, TimeInfo time) noexcept;
    void processReplacing(const HostChannels<double>& host, int frames, TimeInfo time) noexcept;
    // The client's outputs are added to what the host's outputs hold; the host's inputs are
    // read as they are, and host outputs past the client's are left alone.
    void processAccumulating(const HostChannels<float>& host, int frames, TimeInfo time) noexcept;

    // Any thread: channels from..to-1 of a host's outputs set to frames zeros (null channels
    // skipped).
    static void silence(float* const* outputs, int from, int to, int frames) noexcept;

private:
    enum class Use { replace, accumulate };
    template <typename Sample>
    void run(const HostChannels<Sample>& host, int frames, TimeInfo time, Use use) noexcept;
    float* inputScratch(int c) const noexcept;
    float* outputScratch(int c) const noexcept;

    Client& client_;
    // The stream of the last reset, as the piece length it gave; nothing matches at first.
    float lastSampleRate_ = 0.0f;
    int lastPieceFrames_ = -1;
    int lastInputs_ = -1;
    int lastOutputs_ = -1;
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
