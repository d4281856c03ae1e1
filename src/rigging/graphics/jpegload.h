#pragma once
// JPEG decoding into tightly packed 8-bit pixels: the Huffman-coded sequential (baseline and
// extended) and progressive processes, greyscale or YCbCr with luma sampled 1x1, 2x1, 1x2 or 2x2
// and chroma 1x1, chroma upsampled by replication. A malformed stream ends the process.

#include <cstddef>
#include <cstdint>
#include <span>

#include "rigging/graphics/jpegblockalloc.h"
#include "rigging/graphics/jpeghuffman.h"

namespace rigging {

// Copies up to maxBytes into buffer and returns their number; 0 at the end of the data (setting
// *endOfFile), -1 on a read error.
using jpeg_read_callback = int (*)(void* user, std::uint8_t* buffer, int maxBytes, bool* endOfFile);

struct jpeg_memory_stream {
    std::size_t size;
    const std::uint8_t* data;
    std::size_t position;
};

// user: a jpeg_memory_stream.
int read_from_memory_callback(void* user, std::uint8_t* buffer, int maxBytes,
                              bool* endOfFile) noexcept;

// Decodes a whole image. requestedComponents: 1 grey, 3 RGB, 4 RGBA (alpha 255), or -1 for the
// file's own count (1 or 3). Returns width x height x channels bytes from malloc, rows top to
// bottom, which the caller frees with free. Returns an empty slice for a null callback, a
// requested count outside those, or when the output memory cannot be had; width, height and
// fileComponents are 0 then unless the headers were read. Any stream error ends the process.
std::span<std::uint8_t> decompress_jpeg_image_from_stream(jpeg_read_callback read, void* user,
                                                          int* width, int* height,
                                                          int* fileComponents,
                                                          int requestedComponents);

// The same over bytes in memory.
std::span<std::uint8_t> decompress_jpeg_image_from_memory(std::span<const std::uint8_t> data,
                                                          int* width, int* height,
                                                          int* fileComponents,
                                                          int requestedComponents);

// Decoder of one image. Calling order: decode_init, init_frame, then init_progressive when
// isProgressive() or init_scan otherwise, then decode once per line. One object decodes one image;
// everything it allocates is freed when it is destroyed or when an error ends the process.
class jpeg_decoder {
public:
    static constexpr int kInputBufferSize = 8192;
    static constexpr int kMaxDimension = 16384;
    static constexpr int kMaxBlocksPerMcuRow = 8192;

    jpeg_decoder() noexcept;
    ~jpeg_decoder() = default;
    jpeg_decoder(const jpeg_decoder&) = delete;
    jpeg_decoder& operator=(const jpeg_decoder&) = delete;

    // Finds the start of the image and reads the markers up to and including the frame header.
    void decode_init(jpeg_read_callback read, void* user);
    // Checks the frame's layout and makes the line and block buffers.
    void init_frame();
    // Reads and decodes every scan up to the end of the image into whole-image coefficients.
    void init_progressive();
    // Reads the markers up to the one scan of a sequential image.
    void init_scan();
    // The next line: 0 with *line and *lengthBytes (width x bytesPerPixel()) set; 1 when every
    // line has been delivered; -1 when no scan has been set up. The line stays valid until the
    // next call.
    int decode(const std::uint8_t** line, std::uint32_t* lengthBytes);

    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    int componentCount() const noexcept { return compCount_; }
    bool isProgressive() const noexcept { return progressive_; }
    // 1 for greyscale; 4 (R, G, B, 255) for colour.
    int bytesPerPixel() const noexcept { return bytesPerPixel_; }

private:
    enum ScanType { kGrey, kYH1V1, kYH2V1, kYH1V2, kYH2V2 };
    static constexpr int kMaxBlocksPerMcu = 10;

    struct Component {
        int id, h, v, quant;
        int blocksWide, blocksHigh;  // over the whole MCU grid
        std::int16_t* dcCoeffs;      // progressive: one per block
        std::int16_t* acCoeffs;      // progressive: 64 per block, zigzag order
    };

    [[noreturn]] void stop(int code) noexcept;
    void* allocate(std::size_t n, bool zeroed);

    // Input bytes. Past the end of the data the stream reads FF D9 FF D9 ..., so that any read
    // beyond it meets end-of-image markers.
    void fillInput();
    std::uint8_t peekByte(int ahead);  // ahead 0 or 1
    void skipByte();
    std::uint8_t getByte();
    int get16();

    // Markers and headers.
    void locateSoi();
    int processMarkers();
    void readDht();
    void readDqt();
    void readSof();
    void readSos();
    void skipVariableMarker();

    // Entropy-coded data.
    void resetBits() noexcept;
    std::uint8_t entropyByte();
    void fillBits();
    std::uint32_t getBits(int n);
    int decodeHuffman(const JpegHuffmanTable& t);
    int decodeDcDifference(const JpegHuffmanTable& t);
    void countRestart();
    void processRestart();
    void decodeSequentialBlock(int slot, int comp, const JpegHuffmanTable& dc,
                               const JpegHuffmanTable& ac, const std::uint16_t* quant);
    void decodeProgressiveScan();
    void decodeProgressiveBlock(int scanIndex, int blockRow, int blockColumn);
    void decodeAcFirst(std::int16_t* coeffs, const JpegHuffmanTable& ac);
    void decodeAcRefine(std::int16_t* coeffs, const JpegHuffmanTable& ac);

    // Rows of output.
    void decode_next_row();
    void load_next_row();
    void transformMcu(int mcuColumn);
    void convertLine(int y);
    void storePixel(std::uint8_t* p, int y, int cb, int cr) const noexcept;

    // Input.
    jpeg_read_callback read_ = nullptr;
    void* user_ = nullptr;
    std::uint8_t inBuf_[kInputBufferSize];
    int inPos_ = 0;
    int inEnd_ = 0;
    bool eof_ = false;
    std::uint32_t padPhase_ = 0;
    std::size_t totalBytesRead_ = 0;

    // Bits of entropy-coded data, left-aligned.
    std::uint32_t bitBuf_ = 0;
    int bitsLeft_ = 0;

    // Frame.
    int width_ = 0;
    int height_ = 0;
    int compCount_ = 0;
    bool progressive_ = false;
    int bytesPerPixel_ = 1;
    Component comps_[4] = {};
    int maxH_ = 1;
    int maxV_ = 1;

    // Tables, made when a stream first defines them.
    std::uint16_t* quant_[4] = {};    // zigzag order
    JpegHuffmanTable* huff_[8] = {};  // 0-3 DC, 4-7 AC

    // Scan.
    int scanCount_ = 0;
    int scanComp_[4] = {};
    int scanDc_[4] = {};
    int scanAc_[4] = {};
    int spectralStart_ = 0;
    int spectralEnd_ = 63;
    int approxHigh_ = 0;
    int approxLow_ = 0;
    int dcPred_[4] = {};
    int eobRun_ = 0;
    int restartInterval_ = 0;
    int restartsLeft_ = 0;
    int nextRestart_ = 0;

    // MCU geometry.
    ScanType scanType_ = kGrey;
    int blocksPerMcu_ = 0;
    int mcuWidth_ = 8;
    int mcuHeight_ = 8;
    int mcusPerRow_ = 0;
    int mcusPerCol_ = 0;
    int blocksPerMcuRow_ = 0;
    int slotBase_[4] = {};  // first block slot of each frame component in an MCU
    int maxZag_[kMaxBlocksPerMcu];
    int mcuRowsDone_ = 0;

    // Buffers.
    std::int16_t* mcuCoeffs_ = nullptr;   // blocksPerMcu_ x 64, row-major
    std::uint8_t* rowSamples_ = nullptr;  // blocksPerMcuRow_ x 64
    std::uint8_t* scanLine0_ = nullptr;
    std::uint8_t* scanLine1_ = nullptr;

    // Colour conversion: R = Y + crToR, B = Y + cbToB, G = Y + ((cbToG + crToG) >> 16).
    int crToR_[256];
    int cbToB_[256];
    int crToG_[256];
    int cbToG_[256];

    int totalLinesLeft_ = 0;
    int mcuLinesLeft_ = 0;
    int errorCode_ = 0;
    bool ready_ = false;

    JpegBlockAllocator blocks_;
};

}  // namespace rigging
