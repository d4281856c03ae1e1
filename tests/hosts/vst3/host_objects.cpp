#include "host_objects.h"

#include <algorithm>
#include <cstring>

namespace vst3host {

tresult HostApplication::getName(String128 name) {
    if (name == nullptr) return kInvalidArgument;
    std::size_t n = std::min<std::size_t>(name_.size(), 127);
    std::memcpy(name, name_.data(), n * sizeof(char16));
    name[n] = 0;
    return kResultOk;
}

tresult RecordingComponentHandler::add(HandlerCall c) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(c);
    return kResultOk;
}

tresult RecordingComponentHandler::performEdit(ParamID id, ParamValue v) {
    if (keepEditsForProcessor.load()) {
        std::lock_guard<std::mutex> lock(mutex_);
        keptEdits_.push_back({id, v});
    }
    return add({HandlerCall::kPerform, id, v});
}

std::vector<std::pair<ParamID, double>> RecordingComponentHandler::takeKeptEdits() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::pair<ParamID, double>> taken;
    taken.swap(keptEdits_);
    return taken;
}

std::vector<HandlerCall> RecordingComponentHandler::calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

int RecordingComponentHandler::countRestarts(int32 flags) {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(std::count_if(calls_.begin(), calls_.end(), [&](const HandlerCall& c) {
        return c.kind == HandlerCall::kRestart && c.idOrFlags == static_cast<uint32>(flags);
    }));
}

void RecordingComponentHandler::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
}

tresult MemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead) {
    ++reads;
    if (numBytesRead) *numBytesRead = 0;
    if (numBytes < 0 || (buffer == nullptr && numBytes > 0)) return kInvalidArgument;
    std::size_t avail = pos_ < data_.size() ? data_.size() - pos_ : 0;
    std::size_t n = std::min<std::size_t>(
        {static_cast<std::size_t>(numBytes), avail, static_cast<std::size_t>(maxChunk)});
    if (n) std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    if (numBytesRead) *numBytesRead = static_cast<int32>(n);
    // Like most host streams, reading at the end answers false.
    return n == 0 && numBytes > 0 ? kResultFalse : kResultOk;
}

tresult MemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten) {
    if (numBytesWritten) *numBytesWritten = 0;
    if (numBytes < 0 || (buffer == nullptr && numBytes > 0)) return kInvalidArgument;
    std::size_t room = pos_ < writeLimit ? writeLimit - pos_ : 0;
    std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(numBytes), room);
    if (pos_ + n > data_.size()) data_.resize(pos_ + n);
    if (n) std::memcpy(data_.data() + pos_, buffer, n);
    pos_ += n;
    if (numBytesWritten) *numBytesWritten = static_cast<int32>(n);
    if (n < static_cast<std::size_t>(numBytes) && !shortWriteReportsOk) return kResultFalse;
    return kResultOk;
}

tresult MemoryStream::seek(int64 pos, int32 mode, int64* result) {
    if (!seekable) return kNotImplemented;
    int64 base = mode == kIBSeekSet   ? 0
                 : mode == kIBSeekCur ? static_cast<int64>(pos_)
                 : mode == kIBSeekEnd ? static_cast<int64>(data_.size())
                                      : -1;
    if (base < 0 || base + pos < 0) return kInvalidArgument;
    pos_ = static_cast<std::size_t>(base + pos);
    if (result) *result = static_cast<int64>(pos_);
    return kResultOk;
}

tresult MemoryStream::tell(int64* pos) {
    if (!seekable) return kNotImplemented;
    if (pos == nullptr) return kInvalidArgument;
    *pos = static_cast<int64>(pos_);
    return kResultOk;
}

tresult ParamValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value) {
    if (failReads || index < 0 || index >= getPointCount()) return kResultFalse;
    sampleOffset = points_[static_cast<std::size_t>(index)].first;
    value = points_[static_cast<std::size_t>(index)].second;
    return kResultOk;
}

tresult ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index) {
    points_.emplace_back(sampleOffset, value);
    index = getPointCount() - 1;
    return kResultOk;
}

ParameterChanges::ParameterChanges() = default;

ParameterChanges::~ParameterChanges() {
    clear();
}

IParamValueQueue* ParameterChanges::getParameterData(int32 index) {
    if (index < 0 || index >= getParameterCount()) return nullptr;
    return queues_[static_cast<std::size_t>(index)];
}

IParamValueQueue* ParameterChanges::addParameterData(const ParamID& id, int32& index) {
    for (std::size_t i = 0; i < queues_.size(); ++i)
        if (queues_[i]->getParameterId() == id) {
            index = static_cast<int32>(i);
            return queues_[i];
        }
    queues_.push_back(new ParamValueQueue(id));
    index = getParameterCount() - 1;
    return queues_.back();
}

void ParameterChanges::add(ParamID id, int32 offset, double value) {
    int32 index, pointIndex;
    addParameterData(id, index)->addPoint(offset, value, pointIndex);
}

ParamValueQueue* ParameterChanges::queue(ParamID id) {
    for (ParamValueQueue* q : queues_)
        if (q->getParameterId() == id) return q;
    return nullptr;
}

void ParameterChanges::clear() {
    for (ParamValueQueue* q : queues_) delete q;
    queues_.clear();
}

tresult EventList::getEvent(int32 index, Event& e) {
    if (index < 0 || index >= getEventCount()) return kResultFalse;
    e = events_[static_cast<std::size_t>(index)];
    return kResultOk;
}

}  // namespace vst3host
