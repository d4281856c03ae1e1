#pragma once
// Host parameter: a normalized value in [0, 1] for hosts, a typed value for the plug-in.

#include <atomic>
#include <cmath>
#include <cstddef>

#include "rigging/client/parameterlistener.h"
#include "rigging/core/sync.h"
#include "rigging/core/vec.h"

namespace rigging {

class Client;

// min(max(x, 0), 1) with NaN mapped to 0.
constexpr double clamp01(double x) noexcept {
    if (!(x > 0.0)) return 0.0;
    return x < 1.0 ? x : 1.0;
}

// Half away from zero, then truncation toward zero.
inline double roundHalfAway(double x) noexcept {
    return std::trunc(x >= 0.0 ? x + 0.5 : x - 0.5);
}

class Parameter {
public:
    Parameter(const Parameter&) = delete;
    Parameter& operator=(const Parameter&) = delete;
    virtual ~Parameter();

    int index() const noexcept { return index_; }
    const char* name() const noexcept { return name_; }
    const char* label() const noexcept { return label_; }
    bool isAutomatable() const noexcept { return isAutomatable_; }
    // Clears the automatable flag; returns this for use in parameter tables.
    Parameter* nonAutomatable() noexcept;

    // Listeners are called in order of addition. Removal moves the last listener into the
    // removed one's place. The list is guarded by a lock of its own that is held only to read
    // or change the list, never while a callback runs, so a notification on the audio thread
    // never waits for a listener running elsewhere. A listener may be added or removed from
    // any thread at any time, from inside a callback too. Removal from outside a callback
    // returns once no thread is still inside a callback of this parameter, so the removed
    // listener may then be destroyed.
    void addListener(IParameterListener* listener) noexcept;
    void removeListener(IParameterListener* listener) noexcept;
    void notifyListeners() noexcept;

    // Host side: setNormalized, then the listeners, on the caller's thread.
    void setFromHost(double normalized) noexcept;
    double getForHost() const noexcept { return getNormalized(); }
    void toDisplayN(char* buffer, std::size_t size) const noexcept { toStringN(buffer, size); }

    // What the host receives of a normalized value: edits reach it in single precision, and a
    // host that hands them back to the processor sets the parameter from that.
    static float forHost(double normalized) noexcept { return static_cast<float>(normalized); }

    // Editor gestures: the host is told first, then the listeners.
    void beginParamEdit() noexcept;
    void endParamEdit() noexcept;

    virtual double getNormalized() const noexcept = 0;
    virtual double getNormalizedDefault() const noexcept = 0;
    // Every normalized value, NaN included, is first clamped to [0, 1] (NaN to 0).
    virtual void setNormalized(double normalized) noexcept = 0;
    virtual bool isDiscrete() const noexcept = 0;
    virtual void toStringN(char* buffer, std::size_t size) const noexcept = 0;
    virtual void stringFromNormalizedValue(double normalized, char* buffer,
                                           std::size_t size) const noexcept = 0;
    // False (with NaN out) for null text, text of 64 characters or more, text that does not
    // start with a number, and non-finite numbers or results.
    virtual bool normalizedValueFromString(const char* text, double& normalized) const noexcept = 0;

    void setClientReference(Client* client) noexcept { client_ = client; }
    Client* client() const noexcept { return client_; }

protected:
    Parameter(int index, const char* name, const char* label) noexcept;

    template <typename T>
    T readLocked(const std::atomic<T>& slot) const noexcept {
        MutexLock lock(valueLock_);
        return slot.load(std::memory_order_relaxed);
    }

    template <typename T>
    void storeLocked(std::atomic<T>& slot, T value) noexcept {
        MutexLock lock(valueLock_);
        slot.store(value, std::memory_order_seq_cst);
    }

    // The editor setters: store under the lock, then tell the host and the listeners.
    template <typename T>
    void storeFromGUI(std::atomic<T>& slot, T value) noexcept {
        double normalized;
        {
            MutexLock lock(valueLock_);
            slot.store(value, std::memory_order_seq_cst);
            normalized = getNormalized();
        }
        automateAndNotify(normalized);
    }

    // Copies text of at most 63 characters into buffer; false otherwise.
    static bool copyTextForScan(const char* text, char (&buffer)[64]) noexcept;

private:
    void automateAndNotify(double normalized) noexcept;
    template <typename Call>
    void forEachListener(Call call) noexcept;

    Client* client_ = nullptr;
    int index_;
    const char* name_;
    const char* label_;
    bool isAutomatable_ = true;
    Vec<IParameterListener*> listeners_;
    mutable UncheckedMutex valueLock_;
    UncheckedMutex listenersLock_;
    // Notifications in progress on every thread.
    std::atomic<int> notifying_{0};
};

}  // namespace rigging
