#pragma once
// Messages between a plug-in's component and its separate controller: the connection points
// the host joins, and the messages and attribute lists it makes for them on request (through
// the host application's createInstance).

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "host_objects.h"

namespace vst3host {

class IAttributeList : public FUnknown {
public:
    virtual tresult setInt(const char* id, int64 value) = 0;
    virtual tresult getInt(const char* id, int64& value) = 0;
    virtual tresult setFloat(const char* id, double value) = 0;
    virtual tresult getFloat(const char* id, double& value) = 0;
    virtual tresult setString(const char* id, const char16* string) = 0;
    virtual tresult getString(const char* id, char16* string, uint32 sizeInBytes) = 0;
    virtual tresult setBinary(const char* id, const void* data, uint32 sizeInBytes) = 0;
    virtual tresult getBinary(const char* id, const void*& data, uint32& sizeInBytes) = 0;
    static constexpr UID iid = INLINE_UID(0x1E5F0AEB, 0xCC7F4533, 0xA2544011, 0x38AD5EE4);

protected:
    ~IAttributeList() = default;
};

class IMessage : public FUnknown {
public:
    virtual const char* getMessageID() = 0;
    virtual void setMessageID(const char* id) = 0;
    virtual IAttributeList* getAttributes() = 0;
    static constexpr UID iid = INLINE_UID(0x936F033B, 0xC6C047DB, 0xBB0882F8, 0x13C1E613);

protected:
    ~IMessage() = default;
};

class IConnectionPoint : public FUnknown {
public:
    virtual tresult connect(IConnectionPoint* other) = 0;
    virtual tresult disconnect(IConnectionPoint* other) = 0;
    virtual tresult notify(IMessage* message) = 0;
    static constexpr UID iid = INLINE_UID(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);

protected:
    ~IConnectionPoint() = default;
};

class HostAttributeList : public HostObject<IAttributeList> {
public:
    tresult setInt(const char* id, int64 value) override { return set(id, value); }
    tresult getInt(const char* id, int64& value) override { return get(id, value); }
    tresult setFloat(const char* id, double value) override { return set(id, value); }
    tresult getFloat(const char* id, double& value) override { return get(id, value); }
    tresult setString(const char* id, const char16* string) override;
    tresult getString(const char* id, char16* string, uint32 sizeInBytes) override;
    tresult setBinary(const char* id, const void* data, uint32 sizeInBytes) override;
    tresult getBinary(const char* id, const void*& data, uint32& sizeInBytes) override;

private:
    using Value = std::variant<int64, double, std::u16string, std::vector<std::uint8_t>>;
    template <typename T>
    tresult set(const char* id, T value);
    template <typename T>
    tresult get(const char* id, T& value);

    std::mutex mutex_;
    std::map<std::string, Value> values_;
};

// A message made on the plug-in's request; it goes when its last reference does.
class HostMessage final : public IMessage {
public:
    tresult queryInterface(const TUID iid, void** obj) override;
    uint32 addRef() override { return ++refs_; }
    uint32 release() override;
    const char* getMessageID() override { return id_.c_str(); }
    void setMessageID(const char* id) override { id_ = id ? id : ""; }
    IAttributeList* getAttributes() override { return &attributes_; }

    // Messages alive in this process now, and made since it started.
    static int live() { return live_.load(); }
    static int made() { return made_.load(); }

private:
    HostMessage() { ++live_, ++made_; }
    ~HostMessage() { --live_; }
    friend tresult createHostObject(TUID cid, TUID iid, void** obj);

    std::atomic<uint32> refs_{1};
    std::string id_;
    HostAttributeList attributes_;
    static std::atomic<int> live_, made_;
};

// What IHostApplication::createInstance makes: a message when both ids name IMessage.
tresult createHostObject(TUID cid, TUID iid, void** obj);

}  // namespace vst3host
