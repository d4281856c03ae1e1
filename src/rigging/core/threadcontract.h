#pragma once
// Which thread may call what. Every host entry point and every Client method a binding calls
// begins with a tag from ThreadRole:
//
//     RIGGING_AUDIO_ENTRY(contract);        the host's process call: records its thread
//     RIGGING_THREAD(contract, audio);      runs only on the thread of the process calls
//     RIGGING_THREAD(contract, main);       the host's UI (main) thread
//     RIGGING_THREAD(contract, editor);     the editor's own event and timer threads
//     RIGGING_THREAD(contract, any);        any thread, also while audio runs elsewhere
//
// With RIGGING_THREAD_CHECKS (debug and sanitizer builds) the tags are checked; otherwise they
// compile to nothing, argument included. A check only compares thread identities held in
// atomics: it never allocates, waits or locks, so it may run on the audio thread.
//
// Hosts that render offline run their process calls and their UI calls on one thread in turn,
// which is legal; what is never legal is a main or editor entry running inside a process call
// (re-entered from a host callback, or called by the audio path itself), or an audio-only
// method running on another thread than the process calls.

#include <atomic>
#include <cstdint>

#ifndef RIGGING_THREAD_CHECKS
#define RIGGING_THREAD_CHECKS 0
#endif

namespace rigging {

enum class ThreadRole : std::uint8_t {
    // The host's audio thread: inside a process call, or a method only a process call uses.
    audio,
    // The host's UI (main) thread; never inside a process call.
    main,
    // The editor's own event and timer threads; never inside a process call.
    editor,
    // Any thread, concurrently with everything else.
    any,
};

#if RIGGING_THREAD_CHECKS

const char* threadRoleName(ThreadRole role) noexcept;

// One plug-in instance's record of its audio thread.
class ThreadContract {
public:
    constexpr ThreadContract() noexcept = default;
    ThreadContract(const ThreadContract&) = delete;
    ThreadContract& operator=(const ThreadContract&) = delete;

    // Ends the process with a message naming `where` (and `detail`, an opcode say, when not
    // negative) when this thread may not be in `role`: audio, when process calls were made on
    // another thread last; main and editor, when this thread is inside a process call of any
    // instance of the module.
    void expect(ThreadRole role, const char* where, int detail = -1) const noexcept;

private:
    friend class AudioCall;
    // The thread inside a process call now (0 between calls), and that of the last call.
    std::atomic<std::uintptr_t> inCall_{0};
    std::atomic<std::uintptr_t> last_{0};
};

// The contract of the calls that belong to no instance (the module's exports and factory).
// Every process call of every instance is recorded module-wide as well, so that no main or
// editor entry of any instance runs inside one.
ThreadContract& moduleThreads() noexcept;

// The span of one host process call on the calling thread.
class AudioCall {
public:
    explicit AudioCall(ThreadContract& instance) noexcept;
    ~AudioCall();
    AudioCall(const AudioCall&) = delete;
    AudioCall& operator=(const AudioCall&) = delete;

private:
    ThreadContract& instance_;
    std::uintptr_t self_;
    int slot_;  // of the module's record, -1 when it was full
};

#define RIGGING_AUDIO_ENTRY(contract) const ::rigging::AudioCall riggingAudioCall_(contract)
#define RIGGING_THREAD(contract, role) (contract).expect(::rigging::ThreadRole::role, __func__)

#else

// Takes no room and does nothing: every tag compiles away.
class ThreadContract {};

#define RIGGING_AUDIO_ENTRY(contract) static_cast<void>(0)
#define RIGGING_THREAD(contract, role) static_cast<void>(::rigging::ThreadRole::role)

#endif

}  // namespace rigging
