#pragma once
// Bump allocation from a chain of heap blocks, all released together: a JPEG decoder makes a few
// tables and buffers while it reads the headers and frees everything at once when it ends.

#include <cstddef>

namespace rigging {

class JpegBlockAllocator {
public:
    static constexpr std::size_t kMinBlockBytes = 32512;
    static constexpr std::size_t kBlockGranule = 2048;
#if defined(__SANITIZE_ADDRESS__)
    // Under the address checker each allocation is followed by unaddressable bytes and the unused
    // part of a block stays unaddressable, so that overruns between the decoder's buffers show.
    static constexpr std::size_t kRedZone = 16;
#else
    static constexpr std::size_t kRedZone = 0;
#endif

    JpegBlockAllocator() noexcept = default;
    ~JpegBlockAllocator() {
        releaseAll();
    }
    JpegBlockAllocator(const JpegBlockAllocator&) = delete;
    JpegBlockAllocator& operator=(const JpegBlockAllocator&) = delete;

    // n bytes rounded up to a multiple of 4 (0 counts as 4), 4-byte aligned; null when the heap
    // is exhausted.
    void* allocate(std::size_t n) noexcept;
    // The same, cleared to zero.
    void* allocateZeroed(std::size_t n) noexcept;
    void releaseAll() noexcept;

    std::size_t blockCount() const noexcept;

private:
    // 32 bytes, so the space after it keeps malloc's alignment.
    struct Header {
        Header* next;
        std::size_t used;
        std::size_t capacity;
        std::size_t unused;
    };
    static unsigned char* spaceOf(Header* h) noexcept {
        return reinterpret_cast<unsigned char*>(h + 1);
    }

    Header* head_ = nullptr;
};

}  // namespace rigging
