#include "rigging/client/parameter.h"

#include <sched.h>

#include <cstdio>
#include <cstring>

#include "rigging/client/client.h"
#include "rigging/client/hostcommand.h"

namespace rigging {

Parameter::Parameter(int index, const char* name, const char* label) noexcept
    : index_(index),
      name_(name),
      label_(label),
      valueLock_(makeMutex()),
      listenersLock_(makeMutex()) {}

Parameter::~Parameter() = default;

Parameter* Parameter::nonAutomatable() noexcept {
    isAutomatable_ = false;
    return this;
}

void Parameter::addListener(IParameterListener* listener) noexcept {
    MutexLock lock(listenersLock_);
    listeners_.pushBack(listener);
}

namespace {

// The parameters whose callbacks this thread is inside, innermost last: a removal from inside
// a callback must not wait for notifications.
constexpr int kMaxNesting = 32;
thread_local const Parameter* tNotifying[kMaxNesting];
thread_local int tDepth = 0;

int notificationsOnThisThread(const Parameter* p) noexcept {
    int n = 0;
    for (int i = 0; i < tDepth && i < kMaxNesting; ++i) n += tNotifying[i] == p;
    return n;
}

}  // namespace

void Parameter::removeListener(IParameterListener* listener) noexcept {
    {
        MutexLock lock(listenersLock_);
        int i = listeners_.indexOf(listener);
        if (i < 0) return;
        listeners_.removeAndReplaceByLastElement(static_cast<std::size_t>(i));
    }
    // A notification that read the listener before it went may still be calling it. From
    // inside a callback of this parameter nothing is awaited: two threads removing from
    // inside callbacks would otherwise wait for each other.
    if (notificationsOnThisThread(this) > 0) return;
    while (notifying_.load(std::memory_order_seq_cst) > 0) sched_yield();
}

// The list is read one entry at a time under the lock and each callback runs without it. The
// length is read again each time, so a callback may add or remove listeners; a listener
// moved by a removal meanwhile may be skipped or called twice in this round.
template <typename Call>
void Parameter::forEachListener(Call call) noexcept {
    notifying_.fetch_add(1, std::memory_order_seq_cst);
    if (tDepth < kMaxNesting) tNotifying[tDepth] = this;
    ++tDepth;
    for (std::size_t i = 0;; ++i) {
        IParameterListener* l;
        {
            MutexLock lock(listenersLock_);
            if (i >= listeners_.length()) break;
            l = listeners_[i];
        }
        call(l);
    }
    --tDepth;
    notifying_.fetch_sub(1, std::memory_order_seq_cst);
}

void Parameter::notifyListeners() noexcept {
    forEachListener([this](IParameterListener* l) { l->onParameterChanged(this); });
}

void Parameter::setFromHost(double normalized) noexcept {
    setNormalized(normalized);
    notifyListeners();
}

void Parameter::beginParamEdit() noexcept {
    if (IHostCommand* host = client_ ? client_->hostCommand() : nullptr)
        host->beginParamEdit(index_);
    forEachListener([this](IParameterListener* l) { l->onBeginParameterEdit(this); });
}

void Parameter::endParamEdit() noexcept {
    if (IHostCommand* host = client_ ? client_->hostCommand() : nullptr) host->endParamEdit(index_);
    forEachListener([this](IParameterListener* l) { l->onEndParameterEdit(this); });
}

void Parameter::automateAndNotify(double normalized) noexcept {
    if (IHostCommand* host = client_ ? client_->hostCommand() : nullptr)
        host->paramAutomate(index_, forHost(normalized));
    notifyListeners();
}

bool Parameter::copyTextForScan(const char* text, char (&buffer)[64]) noexcept {
    if (text == nullptr) return false;
    std::size_t n = strnlen(text, sizeof buffer);
    if (n >= sizeof buffer) return false;
    std::snprintf(buffer, sizeof buffer, "%.*s", static_cast<int>(n), text);
    return true;
}

}  // namespace rigging
