#pragma once
// A host's side of an editor window for tests: a connection of the host's own, a parent
// window at the screen's top-left corner standing in for the host's, and what a host can see
// of the child a plug-in makes in it (place, size, properties, pixels), plus synthetic input
// through the X test extension. X errors on this connection are counted, not fatal.

#include <cstdint>
#include <string>
#include <vector>

namespace testhost {

class X11Parent {
public:
    // Connects to $DISPLAY and maps a width x height parent; ok() is false without a display.
    explicit X11Parent(int width = 1100, int height = 800);
    ~X11Parent();
    X11Parent(const X11Parent&) = delete;
    X11Parent& operator=(const X11Parent&) = delete;

    bool ok() const { return display_ != nullptr; }
    // The parent's window id, as a host passes it to a plug-in.
    unsigned long window() const { return parent_; }
    void* handle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent_)); }

    std::vector<unsigned long> children() const;
    // The one child, or 0.
    unsigned long child() const;
    bool geometry(unsigned long w, int& x, int& y, int& width, int& height) const;
    bool hasProperty(unsigned long w, const char* atom) const;
    // The values of a 32-bit property of any type (empty when missing), and the name of that
    // type when asked for.
    std::vector<long> values32(unsigned long w, const char* atom,
                               std::string* type = nullptr) const;
    // Pixels of w as 0xRRGGBB, row by row; empty on failure.
    std::vector<std::uint32_t> grab(unsigned long w, int width, int height) const;

    // Pointer and buttons, in root coordinates (the parent sits at the origin).
    void movePointer(int x, int y) const;
    void button(int number, bool press) const;
    // The left Alt key, which knobs read as "back to the default".
    void altKey(bool press) const;
    // The server keeps a synthetic press until its release: a test that stops between the two
    // would leave the button (or Alt) down for every later client. Done on opening and closing.
    void releaseButtons() const;
    void sync() const;

    // Errors this connection received since it opened.
    int errors() const;

private:
    void* display_ = nullptr;  // Display*, kept out of this header
    unsigned long parent_ = 0;
};

// Polls `done` every 5 ms for up to `ms` milliseconds (sanitized builds are slow to draw).
template <typename F>
bool waitFor(F&& done, int ms = 15000);

// Threads of this process now.
int threadCount();

// Channels differing by more than `tolerance` between two 0xRRGGBB images, and the largest
// difference seen.
struct ImageDifference {
    long pixels = 0;
    int largest = 0;
};
ImageDifference compareImages(const std::vector<std::uint32_t>& a,
                              const std::vector<std::uint32_t>& b, int tolerance);

}  // namespace testhost

#include <chrono>
#include <thread>

template <typename F>
bool testhost::waitFor(F&& done, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
