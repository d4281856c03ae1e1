#include "host_editor.h"

#include <poll.h>

#include <algorithm>

namespace vst3host {

namespace {

// A pass this close before a timer's time still fires it: passes timed to the timer's own
// period would otherwise skip every other one on a few microseconds of lateness.
constexpr std::chrono::milliseconds kEarly{2};

// Takes every registration of `handler` out of `list` under `mutex` and releases them
// outside it: the last release may run the plug-in's destructor, which may call back in.
template <class Entry, class Handler>
tresult unregisterAll(std::mutex& mutex, std::vector<Entry>& list, Handler* handler) {
    std::vector<Handler*> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto gone = std::remove_if(list.begin(), list.end(), [&](const Entry& e) {
            if (e.handler != handler) return false;
            dropped.push_back(e.handler);
            return true;
        });
        list.erase(gone, list.end());
    }
    for (Handler* h : dropped) h->release();
    return dropped.empty() ? kInvalidArgument : kResultOk;
}

}  // namespace

tresult HostRunLoop::registerEventHandler(IEventHandler* handler, int fd) {
    if (handler == nullptr || fd < 0) return kInvalidArgument;
    handler->addRef();
    std::lock_guard<std::mutex> lock(mutex_);
    watches_.push_back({++serial_, handler, fd});
    return kResultOk;
}

tresult HostRunLoop::unregisterEventHandler(IEventHandler* handler) {
    return unregisterAll(mutex_, watches_, handler);
}

tresult HostRunLoop::registerTimer(ITimerHandler* handler, uint64 milliseconds) {
    if (handler == nullptr) return kInvalidArgument;
    handler->addRef();
    const uint64 ms = std::max<uint64>(1, milliseconds);
    std::lock_guard<std::mutex> lock(mutex_);
    timers_.push_back({++serial_, handler, ms, Clock::now() + std::chrono::milliseconds(ms)});
    return kResultOk;
}

tresult HostRunLoop::unregisterTimer(ITimerHandler* handler) {
    return unregisterAll(mutex_, timers_, handler);
}

void HostRunLoop::run() {
    const auto now = Clock::now();
    std::vector<Watch> watches;
    std::vector<long> dueTimers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        watches = watches_;
        for (Timer& t : timers_) {
            if (now + kEarly < t.due) continue;
            dueTimers.push_back(t.serial);
            const auto period = std::chrono::milliseconds(t.milliseconds);
            t.due += period;
            if (t.due <= now) t.due = now + period;  // fell behind: no burst of catch-up calls
        }
    }
    std::vector<pollfd> fds;
    for (const Watch& w : watches) fds.push_back({w.fd, POLLIN, 0});
    if (!fds.empty() && poll(fds.data(), fds.size(), 0) <= 0) fds.clear();

    // Each call is made only if its registration still stands (an earlier call may have
    // dropped it), with a reference held across the call.
    auto still = [&](long serial, auto& list) -> decltype(list.front().handler) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& entry : list)
            if (entry.serial == serial) {
                entry.handler->addRef();
                return entry.handler;
            }
        return nullptr;
    };
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
        if (IEventHandler* h = still(watches[i].serial, watches_)) {
            h->onFDIsSet(watches[i].fd);
            h->release();
            ++eventCalls_;
        }
    }
    for (long serial : dueTimers) {
        if (ITimerHandler* h = still(serial, timers_)) {
            h->onTimer();
            h->release();
            ++timerCalls_;
        }
    }
}

void HostRunLoop::clear() {
    std::vector<Timer> timers;
    std::vector<Watch> watches;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        timers.swap(timers_);
        watches.swap(watches_);
    }
    for (const Timer& t : timers) t.handler->release();
    for (const Watch& w : watches) w.handler->release();
}

int HostRunLoop::timers() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(timers_.size());
}

int HostRunLoop::eventHandlers() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(watches_.size());
}

std::vector<uint64> HostRunLoop::timerIntervals() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<uint64> out;
    for (const Timer& t : timers_) out.push_back(t.milliseconds);
    return out;
}

tresult HostPlugFrame::queryInterface(const TUID iid, void** obj) {
    if (runLoop_ != nullptr && iidEqual(iid, IRunLoop::iid)) {
        runLoop_->addRef();
        *obj = runLoop_;
        return kResultOk;
    }
    return HostObject<IPlugFrame>::queryInterface(iid, obj);
}

tresult HostPlugFrame::resizeView(IPlugView* view, ViewRect* newSize) {
    if (view == nullptr || newSize == nullptr) return kInvalidArgument;
    ++resizes;
    size = *newSize;
    return view->onSize(newSize);
}

tresult EditorHostApplication::queryInterface(const TUID iid, void** obj) {
    if (runLoop_ != nullptr && iidEqual(iid, IRunLoop::iid)) {
        runLoop_->addRef();
        *obj = runLoop_;
        return kResultOk;
    }
    return HostApplication::queryInterface(iid, obj);
}

}  // namespace vst3host
