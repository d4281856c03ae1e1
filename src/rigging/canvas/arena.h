#pragma once
// Slots for many small records of one kind, taken in order and given back all at once.

#include <cstddef>
#include <new>
#include <type_traits>

#include "rigging/core/nogc.h"

namespace rigging {

// Blocks of N slots, each block one malloc with a link word in front, chained. reset() rewinds
// to the first block and keeps every block for reuse; only the destructor frees them.
template <typename T, std::size_t N = 100>
class ArenaAllocator {
    static_assert(std::is_trivially_destructible_v<T>, "slots are never destroyed");

public:
    ArenaAllocator() noexcept = default;
    ArenaAllocator(const ArenaAllocator&) = delete;
    ArenaAllocator& operator=(const ArenaAllocator&) = delete;

    ~ArenaAllocator() {
        Block* b = first_;
        while (b != nullptr) {
            Block* next = b->next;
            std::free(b);
            b = next;
        }
    }

    // Uninitialised storage for one T, valid until the next reset().
    T* allocate() noexcept {
        if (current_ == nullptr || used_ == N) {
            Block* next = current_ == nullptr ? first_ : current_->next;
            if (next == nullptr) {
                next = static_cast<Block*>(checkedMalloc(sizeof(Block)));
                next->next = nullptr;
                if (current_ == nullptr)
                    first_ = next;
                else
                    current_->next = next;
            }
            current_ = next;
            used_ = 0;
        }
        return reinterpret_cast<T*>(&current_->slots[used_++ * sizeof(T)]);
    }

    void reset() noexcept {
        current_ = nullptr;
        used_ = N;
    }

    // Blocks held, used or not.
    std::size_t blockCount() const noexcept {
        std::size_t n = 0;
        for (Block* b = first_; b != nullptr; b = b->next) ++n;
        return n;
    }

private:
    struct Block {
        Block* next;
        alignas(T) unsigned char slots[N * sizeof(T)];
    };

    Block* first_ = nullptr;
    Block* current_ = nullptr;
    std::size_t used_ = N;
};

}  // namespace rigging
