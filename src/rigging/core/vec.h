#pragma once
// Aligned heap blocks and the growable array Vec.

#include <cstddef>
#include <cstring>
#include <span>
#include <type_traits>

#include "rigging/core/fatal.h"

namespace rigging {

// Blocks with alignment > 1 carry a two-word header just below the returned pointer:
// word -1 is the raw malloc pointer, word -2 the size asked for when the block was made.
void* alignedMalloc(std::size_t size, std::size_t alignment) noexcept;
void alignedFree(void* ptr, std::size_t alignment) noexcept;
// Keeps the block when the new request fits and is more than a quarter of the recorded size.
void* alignedRealloc(void* ptr, std::size_t size, std::size_t alignment) noexcept;
void* alignedReallocDiscard(void* ptr, std::size_t size, std::size_t alignment) noexcept;

// Header access, for code that must know what a block recorded.
inline std::size_t alignedRecordedSize(const void* ptr) noexcept {
    return reinterpret_cast<const std::size_t*>(ptr)[-2];
}
inline void* alignedRawPointer(const void* ptr) noexcept {
    return reinterpret_cast<void* const*>(ptr)[-1];
}

template <typename T>
concept BitCopyable = std::is_trivially_copyable_v<T> || std::is_pointer_v<T>;

// Growable array: elements are bit-copied, never constructed or destroyed; moves, never copies.
template <BitCopyable T>
class Vec {
public:
    Vec() noexcept = default;

    explicit Vec(std::size_t initialLength, std::size_t alignment = 1) noexcept
        : alignment_(alignment) {
        if (initialLength > 0) {
            std::size_t n = doubled(initialLength);
            data_ = static_cast<T*>(alignedRealloc(nullptr, bytesOf(n), alignment_));
            allocated_ = n;
        }
        length_ = initialLength;
    }

    Vec(const Vec&) = delete;
    Vec& operator=(const Vec&) = delete;

    Vec(Vec&& other) noexcept { takeFrom(other); }

    Vec& operator=(Vec&& other) noexcept {
        if (this != &other) {
            if (data_) alignedFree(data_, alignment_);
            takeFrom(other);
        }
        return *this;
    }

    ~Vec() {
        if (data_ != nullptr) {
            alignedFree(data_, alignment_);
            data_ = nullptr;
            allocated_ = 0;
        }
    }

    void pushBack(const T& x) noexcept {
        T copy = x;  // x may live inside our own buffer
        growFor(length_ + 1);
        std::memcpy(static_cast<void*>(&data_[length_]), &copy, sizeof(T));
        ++length_;
    }

    void pushBack(std::span<const T> items) noexcept {
        if (items.empty()) return;
        std::size_t n;
        if (__builtin_add_overflow(length_, items.size(), &n)) fatalOutOfMemory();
        growFor(n);
        std::memmove(static_cast<void*>(&data_[length_]), items.data(), items.size() * sizeof(T));
        length_ = n;
    }

    void pushBack(const Vec& other) noexcept { pushBack(other.slice()); }

    void resize(std::size_t n) noexcept {
        growFor(n);
        length_ = n;
    }

    T popBack() noexcept { return data_[--length_]; }

    T& operator[](std::size_t i) noexcept { return data_[i]; }
    const T& operator[](std::size_t i) const noexcept { return data_[i]; }

    std::span<T> slice() noexcept { return {data_, length_}; }
    std::span<const T> slice() const noexcept { return {data_, length_}; }

    T* begin() noexcept { return data_; }
    T* end() noexcept { return data_ + length_; }
    const T* begin() const noexcept { return data_; }
    const T* end() const noexcept { return data_ + length_; }

    std::size_t length() const noexcept { return length_; }
    std::size_t capacity() const noexcept { return allocated_; }
    std::size_t alignment() const noexcept { return alignment_; }
    T* ptr() noexcept { return data_; }
    const T* ptr() const noexcept { return data_; }

    void clearContents() noexcept { length_ = 0; }

    // Index of the first element bitwise identical to x, -1 if none.
    int indexOf(const T& x) const noexcept {
        if (static_cast<int>(length_) < 1) return -1;
        for (std::size_t i = 0; i < length_; ++i)
            if (std::memcmp(&data_[i], &x, sizeof(T)) == 0) return static_cast<int>(i);
        return -1;
    }

    // Removes element i, moving the last element into its place (order is not kept).
    void removeAndReplaceByLastElement(std::size_t i) noexcept {
        --length_;
        if (i != length_) data_[i] = data_[length_];
    }

    // Hands the buffer to the caller (free with alignedFree and the old alignment).
    std::span<T> releaseData() noexcept {
        std::span<T> s{data_, length_};
        data_ = nullptr;
        length_ = allocated_ = alignment_ = 0;
        return s;
    }

private:
    static std::size_t doubled(std::size_t n) noexcept {
        std::size_t r;
        if (__builtin_mul_overflow(n, std::size_t{2}, &r)) fatalOutOfMemory();
        return r;
    }
    static std::size_t bytesOf(std::size_t n) noexcept {
        std::size_t r;
        if (__builtin_mul_overflow(n, sizeof(T), &r)) fatalOutOfMemory();
        return r;
    }

    void growFor(std::size_t n) noexcept {
        if (allocated_ >= n) return;
        std::size_t cap = doubled(n);
        void* p = alignedRealloc(data_, bytesOf(cap), alignment_);
        if (p == nullptr) fatalOutOfMemory();
        data_ = static_cast<T*>(p);
        allocated_ = cap;
    }

    void takeFrom(Vec& other) noexcept {
        length_ = other.length_;
        data_ = other.data_;
        allocated_ = other.allocated_;
        alignment_ = other.alignment_;
        other.length_ = other.allocated_ = 0;
        other.data_ = nullptr;
        other.alignment_ = 1;
    }

    std::size_t length_ = 0;
    T* data_ = nullptr;
    std::size_t allocated_ = 0;
    std::size_t alignment_ = 1;
};

template <BitCopyable T>
Vec<T> makeVec(std::size_t initialLength = 0, std::size_t alignment = 1) noexcept {
    return Vec<T>(initialLength, alignment);
}

// Resizes a plain buffer; newLength 0 frees it. A failed allocation leaves an empty slice.
template <BitCopyable T>
void reallocBuffer(std::span<T>& buf, std::size_t newLength, std::size_t alignment = 1) noexcept {
    if (newLength > 0) {
        std::size_t bytes;
        if (__builtin_mul_overflow(newLength, sizeof(T), &bytes)) fatalOutOfMemory();
        void* p = alignedRealloc(buf.data(), bytes, alignment);
        if (p != nullptr) {
            buf = std::span<T>(static_cast<T*>(p), newLength);
            return;
        }
    } else {
        alignedFree(buf.data(), alignment);
    }
    buf = std::span<T>();
}

}  // namespace rigging
