#pragma once
// A fixed-length array of filter sections, made once and never resized: the sections sit next to
// each other so a cascade walks them without chasing pointers.

#include <cstddef>
#include <new>

#include "rigging/core/nogc.h"

namespace audiofx {

template <typename Section>
class SectionArray {
public:
    // Every section is constructed with the same arguments.
    template <typename... Args>
    explicit SectionArray(int count, const Args&... args) noexcept : count_(count > 0 ? count : 0) {
        if (count_ == 0) return;
        void* mem = rigging::checkedMalloc(
            rigging::checkedArrayBytes(static_cast<std::size_t>(count_), sizeof(Section)));
        data_ = static_cast<Section*>(mem);
        for (int i = 0; i < count_; ++i) ::new (&data_[i]) Section(args...);
    }

    SectionArray(const SectionArray&) = delete;
    SectionArray& operator=(const SectionArray&) = delete;

    ~SectionArray() {
        for (int i = 0; i < count_; ++i) data_[i].~Section();
        std::free(data_);
    }

    int size() const noexcept { return count_; }
    Section& operator[](int i) noexcept { return data_[i]; }
    const Section& operator[](int i) const noexcept { return data_[i]; }
    Section* begin() noexcept { return data_; }
    Section* end() noexcept { return data_ + count_; }

    // x through every section in order: the walk of every cascade. The sections' getNextSample
    // is final, so each call binds statically and inlines.
    float run(float x) noexcept {
        for (int i = 0; i < count_; ++i) x = data_[i].getNextSample(x);
        return x;
    }

private:
    Section* data_ = nullptr;
    int count_;
};

}  // namespace audiofx
