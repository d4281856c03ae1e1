#include "rigging/client/parameter.h"

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

void Parameter::removeListener(IParameterListener* listener) noexcept {
    MutexLock lock(listenersLock_);
    int i = listeners_.indexOf(listener);
    if (i >= 0) listeners_.removeAndReplaceByLastElement(static_cast<std::size_t>(i));
}

// By index with the length re-read, so a callback may add or remove listeners (the lock is
// recursive) without the loop reading freed storage.
template <typename Call>
void Parameter::forEachListener(Call call) noexcept {
    MutexLock lock(listenersLock_);
    for (std::size_t i = 0; i < listeners_.length(); ++i) call(listeners_[i]);
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
        host->paramAutomate(index_, static_cast<float>(normalized));
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
