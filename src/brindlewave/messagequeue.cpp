#include "brindlewave/messagequeue.h"

#include <cstring>

namespace brindlewave {

void MessageText::assign(const char* text) noexcept {
    std::size_t n = text ? strnlen(text, kCapacity - 1) : 0;
    std::memcpy(text_, text ? text : "", n);
    std::memset(text_ + n, 0, kCapacity - n);
}

bool MessageText::operator==(const MessageText& other) const noexcept {
    return std::strcmp(text_, other.text_) == 0;
}

Message MessageQueue::readMessage() noexcept {
    if (count_ == 0) return last_;
    last_ = ring_[head_];
    head_ = (head_ + 1) % kCapacity;
    --count_;
    return last_;
}

void MessageQueue::Append(const Message& m) noexcept {
    if (count_ == kCapacity) {
        head_ = (head_ + 1) % kCapacity;
        count_ = kCapacity - 1;
    }
    ring_[(head_ + count_) % kCapacity] = m;
    ++count_;
}

void MessageQueue::BeginDrag(IMessageSender* sender) noexcept {
    draggingSender_ = sender;
    dragging_ = true;
}

void MessageQueue::StopDrag(IMessageSender*) noexcept {
    draggingSender_ = nullptr;
    dragging_ = false;
}

}  // namespace brindlewave
