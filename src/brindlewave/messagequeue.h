#pragma once
// The editor's mailbox of what the user is touching: widgets post when the pointer enters
// them, when they are clicked or dragged; the information line reads one message per tick.
// Only the GUI threads use it, so it takes no lock.

#include <cstddef>

namespace brindlewave {

// Implemented by every widget that posts messages; it only identifies the poster.
class IMessageSender {
public:
    virtual ~IMessageSender() = default;
};

// Fixed-capacity text held inside a message, so that posting copies the text and never
// allocates. Longer texts are cut.
class MessageText {
public:
    static constexpr std::size_t kCapacity = 32;  // bytes, the terminator included

    MessageText() noexcept = default;
    MessageText(const char* text) noexcept { assign(text); }  // NOLINT: texts convert freely

    void assign(const char* text) noexcept;
    const char* c_str() const noexcept { return text_; }
    bool empty() const noexcept { return text_[0] == 0; }
    bool operator==(const MessageText& other) const noexcept;

private:
    char text_[kCapacity] = {};
};

struct Message {
    IMessageSender* sender = nullptr;
    MessageText kind;   // the message's category, e.g. "Knob"
    MessageText name;   // first line of the information line
    MessageText value;  // second line
};

class MessageQueue {
public:
    static constexpr unsigned kCapacity = 5;

    MessageQueue() noexcept = default;
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;
    virtual ~MessageQueue() = default;

    // The oldest message, or the one returned last when none is waiting (an empty message
    // before the first read).
    virtual Message readMessage() noexcept;
    // Never fails: when full, the oldest message is dropped.
    virtual void Append(const Message& m) noexcept;
    virtual void BeginDrag(IMessageSender* sender) noexcept;
    // Ends any drag; the sender is not compared.
    virtual void StopDrag(IMessageSender* sender) noexcept;

    unsigned count() const noexcept { return count_; }
    bool dragging() const noexcept { return dragging_; }
    IMessageSender* draggingSender() const noexcept { return draggingSender_; }

private:
    Message ring_[kCapacity];
    unsigned head_ = 0;
    unsigned count_ = 0;
    Message last_;
    bool dragging_ = false;
    IMessageSender* draggingSender_ = nullptr;
};

}  // namespace brindlewave
