#include "rigging/core/fatal.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace rigging {

void fatalOutOfMemory() noexcept {
    static const char msg[] = "Memory allocation failed\n";
    // write(2) allocates nothing, which matters when the heap is exhausted.
    ssize_t ignored = ::write(2, msg, sizeof(msg) - 1);
    (void)ignored;
    std::abort();
}

void fatalError(const char* message) noexcept {
    ssize_t ignored = ::write(2, message, std::strlen(message));
    ignored = ::write(2, "\n", 1);
    (void)ignored;
    std::abort();
}

}  // namespace rigging
