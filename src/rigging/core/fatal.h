#pragma once
// Unrecoverable failures of the foundation: they end the process, nothing is unwound.

namespace rigging {

// Prints "Memory allocation failed" and aborts.
[[noreturn]] void fatalOutOfMemory() noexcept;

// Prints the message and a newline to standard error, then aborts: a broken precondition that
// no caller can recover from.
[[noreturn]] void fatalError(const char* message) noexcept;

// Ends the process at once with an illegal-instruction trap (failed pthread calls).
[[noreturn]] inline void fatalTrap() noexcept {
    __builtin_trap();
}

}  // namespace rigging
