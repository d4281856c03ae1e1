#include "host_messages.h"

#include <algorithm>
#include <cstring>

namespace vst3host {

std::atomic<int> HostMessage::live_{0}, HostMessage::made_{0};

template <typename T>
tresult HostAttributeList::set(const char* id, T value) {
    if (id == nullptr) return kInvalidArgument;
    std::lock_guard<std::mutex> lock(mutex_);
    values_[id] = std::move(value);
    return kResultOk;
}

template <typename T>
tresult HostAttributeList::get(const char* id, T& value) {
    if (id == nullptr) return kInvalidArgument;
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = values_.find(id);
    if (found == values_.end() || !std::holds_alternative<T>(found->second)) return kResultFalse;
    value = std::get<T>(found->second);
    return kResultOk;
}

tresult HostAttributeList::setString(const char* id, const char16* string) {
    if (string == nullptr) return kInvalidArgument;
    return set(id, std::u16string(string));
}

tresult HostAttributeList::getString(const char* id, char16* string, uint32 sizeInBytes) {
    std::u16string text;
    if (string == nullptr || sizeInBytes < sizeof(char16)) return kInvalidArgument;
    const tresult r = get(id, text);
    if (r != kResultOk) return r;
    const std::size_t n = std::min<std::size_t>(text.size(), sizeInBytes / sizeof(char16) - 1);
    std::memcpy(string, text.data(), n * sizeof(char16));
    string[n] = 0;
    return kResultOk;
}

tresult HostAttributeList::setBinary(const char* id, const void* data, uint32 sizeInBytes) {
    if (data == nullptr && sizeInBytes > 0) return kInvalidArgument;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return set(id, std::vector<std::uint8_t>(bytes, bytes + sizeInBytes));
}

tresult HostAttributeList::getBinary(const char* id, const void*& data, uint32& sizeInBytes) {
    if (id == nullptr) return kInvalidArgument;
    // The bytes stay where they are until the key is set again, as the caller reads them in place.
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = values_.find(id);
    if (found == values_.end()) return kResultFalse;
    const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&found->second);
    if (bytes == nullptr) return kResultFalse;
    data = bytes->data();
    sizeInBytes = static_cast<uint32>(bytes->size());
    return kResultOk;
}

tresult HostMessage::queryInterface(const TUID iid, void** obj) {
    if (iidEqual(iid, FUnknown::iid) || iidEqual(iid, IMessage::iid)) {
        *obj = static_cast<IMessage*>(this);
        addRef();
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 HostMessage::release() {
    const uint32 left = --refs_;
    if (left == 0) delete this;
    return left;
}

tresult createHostObject(TUID cid, TUID iid, void** obj) {
    if (obj == nullptr) return kInvalidArgument;
    *obj = nullptr;
    if (!iidEqual(cid, IMessage::iid) || !iidEqual(iid, IMessage::iid)) return kResultFalse;
    *obj = static_cast<IMessage*>(new HostMessage);
    return kResultOk;
}

}  // namespace vst3host
