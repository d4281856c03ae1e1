#pragma once
// Objects, slices and strings on the process heap without a collector.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <span>
#include <type_traits>
#include <utility>

#include "rigging/core/fatal.h"

namespace rigging {

// malloc that ends the process on exhaustion; a zero-byte request may yield null.
inline void* checkedMalloc(std::size_t size) noexcept {
    void* p = std::malloc(size);
    if (p == nullptr && size != 0) fatalOutOfMemory();
    return p;
}

// Byte count of n elements of `elem` bytes, ending the process when it does not fit a word.
inline std::size_t checkedArrayBytes(std::size_t n, std::size_t elem) noexcept {
    std::size_t bytes;
    if (__builtin_mul_overflow(n, elem, &bytes)) fatalOutOfMemory();
    return bytes;
}

// Placement construction over malloc; the object is released with destroyFree.
template <typename T, typename... Args>
T* mallocNew(Args&&... args) {
    void* mem = checkedMalloc(sizeof(T) > 0 ? sizeof(T) : 1);
    return ::new (mem) T(std::forward<Args>(args)...);
}

// Runs the destructor chain; the memory stays.
template <typename T>
void destroyNoGC(T* obj) noexcept {
    if (obj) obj->~T();
}

// Runs the destructor chain and frees the memory. Polymorphic objects are freed from their
// most-derived address, so an interface pointer may be passed.
template <typename T>
void destroyFree(T* obj) noexcept {
    if (obj == nullptr) return;
    void* base;
    if constexpr (std::is_polymorphic_v<T>)
        base = dynamic_cast<void*>(obj);
    else
        base = obj;
    obj->~T();
    std::free(base);
}

// The value a freshly made slice element holds: NaN for floating point, value-initialised
// otherwise.
template <typename T>
constexpr T initialValue() noexcept {
    if constexpr (std::is_floating_point_v<T>)
        return std::numeric_limits<T>::quiet_NaN();
    else
        return T{};
}

template <typename T>
std::span<T> mallocSlice(std::size_t n) noexcept {
    static_assert(std::is_trivially_destructible_v<T>, "slices never destroy their elements");
    T* p = static_cast<T*>(checkedMalloc(checkedArrayBytes(n, sizeof(T))));
    for (std::size_t i = 0; i < n; ++i) ::new (&p[i]) T(initialValue<T>());
    return {p, n};
}

template <typename T>
void freeSlice(std::span<T> s) noexcept {
    std::free(s.data());
}

template <typename T>
std::span<std::remove_const_t<T>> mallocDup(std::span<T> s) noexcept {
    using U = std::remove_const_t<T>;
    static_assert(std::is_trivially_copyable_v<U>, "mallocDup copies bytes");
    std::size_t bytes = checkedArrayBytes(s.size(), sizeof(U));
    U* p = static_cast<U*>(checkedMalloc(bytes));
    if (bytes) std::memcpy(p, s.data(), bytes);
    return {p, s.size()};
}

// strdup; the terminator follows in memory but is not counted in the slice's length.
std::span<char> stringDup(const char* cstr) noexcept;

// Reinterprets an object reference with no run-time check; the caller knows the class.
template <typename T, typename U>
T* unsafeObjectCast(U* obj) noexcept {
    return static_cast<T*>(obj);
}

// A zero-terminated view of a slice of characters. It borrows the slice only when the caller
// guarantees that the element just past it is readable memory of its own; otherwise it copies.
template <typename Char>
class CStringImpl {
public:
    // Copies unless the slice is empty.
    CStringImpl(const Char* ptr, std::size_t n) noexcept { makeCopy(ptr, n); }

    // The caller guarantees ptr[n] is readable; a zero there at an address not divisible by 4
    // lets the view borrow the slice.
    CStringImpl(const Char* ptr, std::size_t n, bool terminatorReadable) noexcept {
        if (n != 0 && terminatorReadable) {
            const Char* past = ptr + n;
            if ((reinterpret_cast<std::uintptr_t>(past) & 3) != 0 && *past == 0) {
                storage_ = ptr;
                owned_ = false;
                return;
            }
        }
        makeCopy(ptr, n);
    }

    CStringImpl(const CStringImpl&) = delete;
    CStringImpl& operator=(const CStringImpl&) = delete;

    ~CStringImpl() {
        if (owned_) std::free(const_cast<Char*>(storage_));
    }

    const Char* storage() const noexcept { return storage_; }
    bool owned() const noexcept { return owned_; }

private:
    void makeCopy(const Char* ptr, std::size_t n) noexcept {
        static const Char empty[1] = {0};
        if (n == 0) {
            storage_ = empty;
            owned_ = false;
            return;
        }
        std::size_t count;
        if (__builtin_add_overflow(n, std::size_t{1}, &count)) fatalOutOfMemory();
        Char* copy = static_cast<Char*>(checkedMalloc(checkedArrayBytes(count, sizeof(Char))));
        std::memcpy(copy, ptr, n * sizeof(Char));
        copy[n] = 0;
        storage_ = copy;
        owned_ = true;
    }

    const Char* storage_ = nullptr;
    bool owned_ = false;
};

using CString = CStringImpl<char>;
using CString16 = CStringImpl<char16_t>;

}  // namespace rigging
