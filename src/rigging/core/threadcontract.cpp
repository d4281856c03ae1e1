#include "rigging/core/threadcontract.h"

#include <pthread.h>

#include <cstdio>

#include "rigging/core/fatal.h"

namespace rigging {

#if RIGGING_THREAD_CHECKS

const char* threadRoleName(ThreadRole role) noexcept {
    switch (role) {
        case ThreadRole::audio:
            return "audio";
        case ThreadRole::main:
            return "main";
        case ThreadRole::editor:
            return "editor";
        case ThreadRole::any:
            return "any";
    }
    return "?";
}

namespace {

// The thread's control block address: read from a register, no call into the kernel.
std::uintptr_t currentThread() noexcept {
    return static_cast<std::uintptr_t>(pthread_self());
}

// Zero-initialised, so nothing runs when a module is loaded.
constinit ThreadContract gModuleThreads;

// The threads inside a process call of any instance of the module, one a slot (0: free). Past
// as many overlapping calls as slots, a call goes unrecorded: a check may then miss, never
// fail wrongly.
constexpr int kCallSlots = 32;
constinit std::atomic<std::uintptr_t> gInCall[kCallSlots];

int enterModule(std::uintptr_t self) noexcept {
    for (int i = 0; i < kCallSlots; ++i) {
        std::uintptr_t expected = 0;
        if (gInCall[i].compare_exchange_strong(expected, self, std::memory_order_relaxed)) return i;
    }
    return -1;
}

bool insideAnyCall(std::uintptr_t self) noexcept {
    for (const std::atomic<std::uintptr_t>& slot : gInCall)
        if (slot.load(std::memory_order_relaxed) == self) return true;
    return false;
}

[[noreturn]] void broken(ThreadRole role, const char* where, int detail, const char* why) noexcept {
    char number[16] = "";
    if (detail >= 0) std::snprintf(number, sizeof number, " %d", detail);
    char message[256];
    std::snprintf(message, sizeof message, "Thread contract broken: %s%s (%s thread) %s", where,
                  number, threadRoleName(role), why);
    fatalError(message);
}

}  // namespace

ThreadContract& moduleThreads() noexcept {
    return gModuleThreads;
}

void ThreadContract::expect(ThreadRole role, const char* where, int detail) const noexcept {
    const std::uintptr_t self = currentThread();
    switch (role) {
        case ThreadRole::audio: {
            const std::uintptr_t last = last_.load(std::memory_order_relaxed);
            if (last != 0 && last != self)
                broken(role, where, detail, "called off the audio thread");
            break;
        }
        case ThreadRole::main:
        case ThreadRole::editor:
            if (inCall_.load(std::memory_order_relaxed) == self || insideAnyCall(self))
                broken(role, where, detail, "called inside a process call");
            break;
        case ThreadRole::any:
            break;
    }
}

AudioCall::AudioCall(ThreadContract& instance) noexcept
    : instance_(instance), self_(currentThread()), slot_(enterModule(self_)) {
    instance_.last_.store(self_, std::memory_order_relaxed);
    instance_.inCall_.store(self_, std::memory_order_relaxed);
}

AudioCall::~AudioCall() {
    // Only our own mark is cleared: a host calling one instance from two threads at once keeps
    // the other's.
    std::uintptr_t self = self_;
    instance_.inCall_.compare_exchange_strong(self, 0, std::memory_order_relaxed);
    if (slot_ >= 0) gInCall[slot_].store(0, std::memory_order_relaxed);
}

#endif

}  // namespace rigging
