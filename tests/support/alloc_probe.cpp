#include "alloc_probe.h"

#include <cstdlib>
#include <new>

extern "C" {
void* __real_malloc(std::size_t);
void __real_free(void*);
void* __real_realloc(void*, std::size_t);
void* __real_calloc(std::size_t, std::size_t);
int __real_posix_memalign(void**, std::size_t, std::size_t);
void* __real_aligned_alloc(std::size_t, std::size_t);
}

namespace {
thread_local bool g_armed = false;
thread_local std::size_t g_count = 0;
inline void note() {
    if (g_armed) ++g_count;
}
}  // namespace

namespace alloc_probe {
void arm() {
    g_count = 0;
    g_armed = true;
}
std::size_t disarm() {
    g_armed = false;
    return g_count;
}
std::size_t count() {
    return g_count;
}
}  // namespace alloc_probe

extern "C" {
void* __wrap_malloc(std::size_t n) {
    note();
    return __real_malloc(n);
}
void __wrap_free(void* p) {
    if (p) note();
    __real_free(p);
}
void* __wrap_realloc(void* p, std::size_t n) {
    note();
    return __real_realloc(p, n);
}
void* __wrap_calloc(std::size_t a, std::size_t b) {
    note();
    return __real_calloc(a, b);
}
int __wrap_posix_memalign(void** p, std::size_t a, std::size_t n) {
    note();
    return __real_posix_memalign(p, a, n);
}
void* __wrap_aligned_alloc(std::size_t a, std::size_t n) {
    note();
    return __real_aligned_alloc(a, n);
}
}
