#include "rigging/core/nogc.h"

#include <cstring>

namespace rigging {

std::span<char> stringDup(const char* cstr) noexcept {
    std::size_t n = std::strlen(cstr);
    char* p = ::strdup(cstr);
    if (p == nullptr) fatalOutOfMemory();
    return {p, n};
}

}  // namespace rigging
