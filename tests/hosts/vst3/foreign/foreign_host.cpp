// Built twice (FOREIGN_HOST_API names the entry point): with -frtti under this file's own
// names, and with -fno-rtti. Nothing here comes from the plug-in side but the slot order.

#include "foreign_host.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace elsewhere {

using Result = std::int32_t;
constexpr Result kOk = 0, kFalse = 1, kBadArgument = 2, kNoSuchInterface = -1;

struct Id {
    unsigned char b[16];
};

// The interface identifiers, byte for byte as hosts and plug-ins exchange them.
constexpr Id idOf(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    Id id{};
    const std::uint32_t w[4] = {a, b, c, d};
    for (int i = 0; i < 16; ++i)
        id.b[i] = static_cast<unsigned char>(w[i / 4] >> (24 - 8 * (i % 4)));
    return id;
}
constexpr Id kUnknownId = idOf(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
constexpr Id kApplicationId = idOf(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);

class Base {
public:
    virtual Result queryInterface(const char* iid, void** obj) {
        if (std::memcmp(iid, kUnknownId.b, 16) == 0 ||
            (ownId_ != nullptr && std::memcmp(iid, ownId_->b, 16) == 0)) {
            *obj = this;
            addRef();
            return kOk;
        }
        *obj = nullptr;
        return kNoSuchInterface;
    }
    virtual std::uint32_t addRef() { return static_cast<std::uint32_t>(++refs_); }
    virtual std::uint32_t release() { return static_cast<std::uint32_t>(--refs_); }
    int extraRefs() const { return refs_ - 1; }

protected:
    explicit Base(const Id* ownId) : ownId_(ownId) {}
    ~Base() = default;

private:
    const Id* ownId_;
    int refs_ = 1;  // the host's own; never destroyed through release
};

class Application final : public Base {
public:
    Application() : Base(&kApplicationId) {}
    virtual Result getName(char16_t* name) {
        const char16_t text[] = u"a host from elsewhere";
        std::memcpy(name, text, sizeof text);
        return kOk;
    }
    virtual Result createInstance(char*, char*, void** obj) {
        *obj = nullptr;
        return kFalse;
    }
};

class Handler final : public Base {
public:
    Handler() : Base(nullptr) {}
    virtual Result beginEdit(std::uint32_t) { return kOk; }
    virtual Result performEdit(std::uint32_t, double) { return kOk; }
    virtual Result endEdit(std::uint32_t) { return kOk; }
    virtual Result restartComponent(std::int32_t) {
        ++restarts;
        return kOk;
    }
    int restarts = 0;
};

class Stream final : public Base {
public:
    Stream() : Base(nullptr) {}
    virtual Result read(void* buffer, std::int32_t n, std::int32_t* got) {
        if (n < 0) return kBadArgument;
        std::size_t k = std::min(static_cast<std::size_t>(n), bytes.size() - pos);
        if (k) std::memcpy(buffer, bytes.data() + pos, k);
        pos += k;
        if (got) *got = static_cast<std::int32_t>(k);
        return k == 0 && n > 0 ? kFalse : kOk;
    }
    virtual Result write(void* buffer, std::int32_t n, std::int32_t* wrote) {
        if (n < 0) return kBadArgument;
        if (pos + static_cast<std::size_t>(n) > bytes.size()) bytes.resize(pos + n);
        if (n) std::memcpy(bytes.data() + pos, buffer, static_cast<std::size_t>(n));
        pos += static_cast<std::size_t>(n);
        if (wrote) *wrote = n;
        return kOk;
    }
    virtual Result seek(std::int64_t to, std::int32_t mode, std::int64_t* result) {
        std::int64_t base = mode == 0   ? 0
                            : mode == 1 ? static_cast<std::int64_t>(pos)
                                        : static_cast<std::int64_t>(bytes.size());
        if (mode < 0 || mode > 2 || base + to < 0) return kBadArgument;
        pos = static_cast<std::size_t>(base + to);
        if (result) *result = static_cast<std::int64_t>(pos);
        return kOk;
    }
    virtual Result tell(std::int64_t* at) {
        if (at == nullptr) return kBadArgument;
        *at = static_cast<std::int64_t>(pos);
        return kOk;
    }
    std::vector<unsigned char> bytes;
    std::size_t pos = 0;
};

class Queue final : public Base {
public:
    Queue(std::uint32_t id, double value) : Base(nullptr), id_(id), value_(value) {}
    virtual std::uint32_t getParameterId() { return id_; }
    virtual std::int32_t getPointCount() { return 1; }
    virtual Result getPoint(std::int32_t index, std::int32_t& offset, double& value) {
        if (index != 0) return kFalse;
        offset = 0;
        value = value_;
        return kOk;
    }
    virtual Result addPoint(std::int32_t, double, std::int32_t&) { return kFalse; }

private:
    std::uint32_t id_;
    double value_;
};

class Changes final : public Base {
public:
    explicit Changes(Queue* queue) : Base(nullptr), queue_(queue) {}
    virtual std::int32_t getParameterCount() { return 1; }
    virtual Queue* getParameterData(std::int32_t index) { return index == 0 ? queue_ : nullptr; }
    virtual Queue* addParameterData(const std::uint32_t&, std::int32_t&) { return nullptr; }

private:
    Queue* queue_;
};

// The event record's layout: 48 bytes, the note-on's fields from byte 24.
struct NoteOnEvent {
    std::int32_t bus, sampleOffset;
    double ppqPosition;
    std::uint16_t flags, type;
    std::int32_t pad;
    std::int16_t channel, pitch;
    float tuning, velocity;
    std::int32_t length, noteId;
    std::int32_t pad2;
};
static_assert(sizeof(NoteOnEvent) == 48);

class Events final : public Base {
public:
    Events() : Base(nullptr) {}
    virtual std::int32_t getEventCount() { return 1; }
    virtual Result getEvent(std::int32_t index, NoteOnEvent& e) {
        if (index != 0) return kFalse;
        e = NoteOnEvent{};
        e.type = 0;  // note on
        e.pitch = 60;
        e.velocity = 0.5f;
        return kOk;
    }
    virtual Result addEvent(NoteOnEvent&) { return kFalse; }
};

}  // namespace elsewhere

struct ForeignHost {
    elsewhere::Application application;
    elsewhere::Handler handler;
    elsewhere::Stream stream;
    elsewhere::Queue queue;
    elsewhere::Changes changes{&queue};
    elsewhere::Events events;
    ForeignHost(std::uint32_t id, double value) : queue(id, value) {}
};

namespace {

ForeignHost* create(std::uint32_t paramId, double value) {
    return new ForeignHost(paramId, value);
}

ForeignHostObjects objectsOf(ForeignHost* h) {
    return {&h->application, &h->handler, &h->stream, &h->changes, &h->events};
}

int restarts(ForeignHost* h) {
    return h->handler.restarts;
}

int extraRefs(ForeignHost* h) {
    return h->application.extraRefs() + h->handler.extraRefs() + h->stream.extraRefs() +
           h->queue.extraRefs() + h->changes.extraRefs() + h->events.extraRefs();
}

void rewind(ForeignHost* h) {
    h->stream.pos = 0;
}

void destroy(ForeignHost* h) {
    delete h;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) ForeignHostApi FOREIGN_HOST_API() {
    return {create, objectsOf, restarts, extraRefs, rewind, destroy};
}
