#pragma once
// The host's side of an editor on Linux: the frame around a view, the run loop a plug-in
// reaches through it (or through the host context), since there is no event loop common to
// every process here, and a host application that makes the messages an editor may send. The run
// loop keeps the timers and descriptor handlers a plug-in registers and calls them from whichever
// thread the host chooses as its interface thread, when that thread calls run().

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "host_messages.h"
#include "host_objects.h"
#include "rigging/vst3/iplugview.h"

namespace vst3host {

class IEventHandler : public FUnknown {
public:
    virtual void onFDIsSet(int fd) = 0;
    static constexpr UID iid = INLINE_UID(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);

protected:
    ~IEventHandler() = default;
};

class ITimerHandler : public FUnknown {
public:
    virtual void onTimer() = 0;
    static constexpr UID iid = INLINE_UID(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);

protected:
    ~ITimerHandler() = default;
};

class IRunLoop : public FUnknown {
public:
    virtual tresult registerEventHandler(IEventHandler* handler, int fd) = 0;
    virtual tresult unregisterEventHandler(IEventHandler* handler) = 0;
    virtual tresult registerTimer(ITimerHandler* handler, uint64 milliseconds) = 0;
    virtual tresult unregisterTimer(ITimerHandler* handler) = 0;
    static constexpr UID iid = INLINE_UID(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);

protected:
    ~IRunLoop() = default;
};

class HostRunLoop : public HostObject<IRunLoop> {
public:
    HostRunLoop() = default;
    HostRunLoop(const HostRunLoop&) = delete;
    HostRunLoop& operator=(const HostRunLoop&) = delete;
    ~HostRunLoop() { clear(); }

    tresult registerEventHandler(IEventHandler* handler, int fd) override;
    tresult unregisterEventHandler(IEventHandler* handler) override;
    tresult registerTimer(ITimerHandler* handler, uint64 milliseconds) override;
    tresult unregisterTimer(ITimerHandler* handler) override;

    // One pass on the calling thread: each handler whose descriptor is readable now, then each
    // timer whose interval has passed since it last fired (so a timer never fires more often
    // than the passes come). Handlers may register and unregister from inside their calls.
    void run();
    // Drops every registration, returning the references taken for them.
    void clear();

    int timers() const;
    int eventHandlers() const;
    // The intervals the registered timers asked for, in milliseconds.
    std::vector<uint64> timerIntervals() const;
    long long timerCalls() const { return timerCalls_; }
    long long eventCalls() const { return eventCalls_; }

private:
    using Clock = std::chrono::steady_clock;
    struct Timer {
        long serial;
        ITimerHandler* handler;
        uint64 milliseconds;
        Clock::time_point due;
    };
    struct Watch {
        long serial;
        IEventHandler* handler;
        int fd;
    };

    mutable std::mutex mutex_;
    std::vector<Timer> timers_;
    std::vector<Watch> watches_;
    long serial_ = 0;
    std::atomic<long long> timerCalls_{0}, eventCalls_{0};
};

// The frame a host gives a view: it grants every resize (the view is told through onSize in
// the same call) and hands out the run loop when it has one.
class HostPlugFrame : public HostObject<IPlugFrame> {
public:
    explicit HostPlugFrame(IRunLoop* runLoop = nullptr) : runLoop_(runLoop) {}
    tresult queryInterface(const TUID iid, void** obj) override;
    tresult resizeView(IPlugView* view, ViewRect* newSize) override;

    int resizes = 0;
    ViewRect size{};

private:
    IRunLoop* runLoop_;
};

// A host application that also answers for the run loop, as a host context (initialize and
// the factory's setHostContext) may be asked for it, and makes messages.
class EditorHostApplication : public HostApplication {
public:
    explicit EditorHostApplication(IRunLoop* runLoop) : runLoop_(runLoop) {}
    tresult queryInterface(const TUID iid, void** obj) override;
    tresult createInstance(TUID cid, TUID iid, void** obj) override {
        return createHostObject(cid, iid, obj);
    }

private:
    IRunLoop* runLoop_;
};

}  // namespace vst3host
