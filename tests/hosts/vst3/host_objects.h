#pragma once
// Host-side objects a VST3 plug-in talks to: the host application, a component handler that
// records every call, in-memory streams with configurable misbehaviour, parameter-change
// queues and an event list. Each counts its references so tests can check the plug-in
// returns every one it took.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "rigging/vst3/ibstream.h"
#include "rigging/vst3/ivstaudioprocessor.h"
#include "rigging/vst3/ivsteditcontroller.h"
#include "rigging/vst3/ivsthostapplication.h"

namespace vst3host {

using namespace rigging::vst3;

// Reference counting shared by the host objects; they live on the host's stack or heap and
// are never destroyed through release.
template <typename Interface>
class HostObject : public Interface {
public:
    tresult queryInterface(const TUID iid, void** obj) override {
        if (iidEqual(iid, FUnknown::iid) || iidEqual(iid, Interface::iid)) {
            *obj = static_cast<Interface*>(this);
            addRef();
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 addRef() override { return ++refs_; }
    uint32 release() override { return --refs_; }
    // References held beyond the host's own one.
    int extraRefs() const { return refs_.load() - 1; }

private:
    std::atomic<int> refs_{1};
};

class HostApplication : public HostObject<IHostApplication> {
public:
    explicit HostApplication(std::u16string name = u"vst3 test host") : name_(std::move(name)) {}
    tresult getName(String128 name) override;
    tresult createInstance(TUID, TUID, void** obj) override {
        *obj = nullptr;
        return kResultFalse;
    }

private:
    std::u16string name_;
};

struct HandlerCall {
    enum Kind { kBegin, kPerform, kEnd, kRestart } kind;
    uint32 idOrFlags;
    double value;
};

class RecordingComponentHandler : public HostObject<IComponentHandler> {
public:
    tresult beginEdit(ParamID id) override { return add({HandlerCall::kBegin, id, 0}); }
    tresult performEdit(ParamID id, ParamValue v) override;
    tresult endEdit(ParamID id) override { return add({HandlerCall::kEnd, id, 0}); }
    tresult restartComponent(int32 flags) override {
        return add({HandlerCall::kRestart, static_cast<uint32>(flags), 0});
    }
    std::vector<HandlerCall> calls();
    int countRestarts(int32 flags);
    void clear();

    // Keeps each performEdit for the processor too, as DAWs pass the edits on.
    std::atomic<bool> keepEditsForProcessor{false};
    // The edits kept since the last call, oldest first.
    std::vector<std::pair<ParamID, double>> takeKeptEdits();

private:
    tresult add(HandlerCall c);
    std::mutex mutex_;
    std::vector<HandlerCall> calls_;
    std::vector<std::pair<ParamID, double>> keptEdits_;
};

// A stream over a byte vector. The switches make it behave like the awkward streams hosts
// hand out: unable to seek, returning short reads, or refusing writes past a limit.
class MemoryStream : public HostObject<IBStream> {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<std::uint8_t> bytes) : data_(std::move(bytes)) {}

    tresult read(void* buffer, int32 numBytes, int32* numBytesRead) override;
    tresult write(void* buffer, int32 numBytes, int32* numBytesWritten) override;
    tresult seek(int64 pos, int32 mode, int64* result) override;
    tresult tell(int64* pos) override;

    std::vector<std::uint8_t>& bytes() { return data_; }
    void rewind() { pos_ = 0; }

    bool seekable = true;
    int32 maxChunk = 0x7FFFFFFF;        // bytes handed out per read call
    std::size_t writeLimit = SIZE_MAX;  // total bytes accepted; a write past it is cut short
    bool shortWriteReportsOk = true;    // a cut-short write still answers kResultOk
    int reads = 0;

private:
    std::vector<std::uint8_t> data_;
    std::size_t pos_ = 0;
};

class ParamValueQueue final : public HostObject<IParamValueQueue> {
public:
    explicit ParamValueQueue(ParamID id) : id_(id) {}
    ParamID getParameterId() override { return id_; }
    int32 getPointCount() override { return static_cast<int32>(points_.size()); }
    tresult getPoint(int32 index, int32& sampleOffset, ParamValue& value) override;
    tresult addPoint(int32 sampleOffset, ParamValue value, int32& index) override;

    bool failReads = false;  // every getPoint fails

private:
    ParamID id_;
    std::vector<std::pair<int32, double>> points_;
};

class ParameterChanges : public HostObject<IParameterChanges> {
public:
    ParameterChanges();
    ~ParameterChanges();
    int32 getParameterCount() override { return static_cast<int32>(queues_.size()); }
    IParamValueQueue* getParameterData(int32 index) override;
    IParamValueQueue* addParameterData(const ParamID& id, int32& index) override;

    // Appends a point to the queue of id (created when new).
    void add(ParamID id, int32 offset, double value);
    ParamValueQueue* queue(ParamID id);
    void clear();

private:
    std::vector<ParamValueQueue*> queues_;
};

class EventList : public HostObject<IEventList> {
public:
    int32 getEventCount() override { return static_cast<int32>(events_.size()); }
    tresult getEvent(int32 index, Event& e) override;
    tresult addEvent(Event& e) override {
        events_.push_back(e);
        return kResultOk;
    }

private:
    std::vector<Event> events_;
};

}  // namespace vst3host
