#include "host_instance.h"

#include <algorithm>
#include <cstring>

namespace vst3host {

int findClass(IPluginFactory* factory, const char* category, PClassInfo* out) {
    int n = factory->countClasses();
    for (int i = 0; i < n; ++i) {
        PClassInfo info{};
        if (factory->getClassInfo(i, &info) != kResultOk) continue;
        if (std::strncmp(info.category, category, sizeof info.category) == 0) {
            if (out) *out = info;
            return i;
        }
    }
    return -1;
}

std::string narrow(const char16* s) {
    std::string r;
    for (; *s; ++s) r += *s < 128 ? static_cast<char>(*s) : '?';
    return r;
}

bool PluginInstance::create(IPluginFactory* factory, const char* cid) {
    testhost::FpGuard w(fpViolations);
    void* obj = nullptr;
    if (factory->createInstance(cid, IComponent::iid, &obj) != kResultOk || !obj) return false;
    component = static_cast<IComponent*>(obj);
    if (component->queryInterface(IAudioProcessor::iid, &obj) == kResultOk)
        processor = static_cast<IAudioProcessor*>(obj);
    if (component->queryInterface(IEditController::iid, &obj) == kResultOk) {
        controller = static_cast<IEditController*>(obj);
    } else {
        TUID controllerCid;
        if (component->getControllerClassId(controllerCid) == kResultOk &&
            factory->createInstance(controllerCid, IEditController::iid, &obj) == kResultOk) {
            controller = static_cast<IEditController*>(obj);
            separateController = true;
        }
    }
    if (controller) {
        if (controller->queryInterface(IEditController2::iid, &obj) == kResultOk)
            controller2 = static_cast<IEditController2*>(obj);
        if (controller->queryInterface(IUnitInfo::iid, &obj) == kResultOk)
            units = static_cast<IUnitInfo*>(obj);
    }
    return processor != nullptr;
}

bool PluginInstance::initialize(FUnknown* hostContext, IComponentHandler* handler) {
    testhost::FpGuard w(fpViolations);
    if (component->initialize(hostContext) != kResultOk) return false;
    initialized_ = true;
    if (controller && separateController && controller->initialize(hostContext) != kResultOk)
        return false;
    if (controller && handler) controller->setComponentHandler(handler);
    return true;
}

bool PluginInstance::connect() {
    testhost::FpGuard w(fpViolations);
    if (!separateController || componentPoint_ != nullptr) return false;
    void* a = nullptr;
    void* b = nullptr;
    if (component->queryInterface(IConnectionPoint::iid, &a) != kResultOk || a == nullptr)
        return false;
    if (controller->queryInterface(IConnectionPoint::iid, &b) != kResultOk || b == nullptr) {
        static_cast<IConnectionPoint*>(a)->release();
        return false;
    }
    componentPoint_ = static_cast<IConnectionPoint*>(a);
    controllerPoint_ = static_cast<IConnectionPoint*>(b);
    componentPoint_->connect(controllerPoint_);
    controllerPoint_->connect(componentPoint_);
    return true;
}

std::vector<BusInfo> PluginInstance::buses(MediaType type, BusDirection dir) {
    testhost::FpGuard w(fpViolations);
    std::vector<BusInfo> r;
    int n = component->getBusCount(type, dir);
    for (int i = 0; i < n; ++i) {
        BusInfo info{};
        if (component->getBusInfo(type, dir, i, info) == kResultOk) r.push_back(info);
    }
    return r;
}

tresult PluginInstance::setArrangement(int inputs, int outputs) {
    testhost::FpGuard w(fpViolations);
    SpeakerArrangement in = getSpeakerArrangement(inputs);
    SpeakerArrangement out = getSpeakerArrangement(outputs);
    return processor->setBusArrangements(&in, inputs > 0 ? 1 : 0, &out, outputs > 0 ? 1 : 0);
}

int PluginInstance::channels(BusDirection dir) {
    testhost::FpGuard w(fpViolations);
    SpeakerArrangement arr = 0;
    if (processor->getBusArrangement(dir, 0, arr) != kResultOk) return 0;
    return getChannelCount(arr);
}

tresult PluginInstance::setup(double sampleRate, int maxBlock, int32 sampleSize) {
    testhost::FpGuard w(fpViolations);
    ProcessSetup s{kRealtime, sampleSize, maxBlock, sampleRate};
    return processor->setupProcessing(s);
}

void PluginInstance::start() {
    testhost::FpGuard w(fpViolations);
    component->setActive(1);
    processor->setProcessing(1);
    started_ = true;
}

void PluginInstance::stop() {
    testhost::FpGuard w(fpViolations);
    if (!started_) return;
    processor->setProcessing(0);
    component->setActive(0);
    started_ = false;
}

tresult PluginInstance::process(std::vector<float*> inputs, std::vector<float*> outputs, int frames,
                                IParameterChanges* changes, ProcessContext* context) {
    testhost::FpGuard w(fpViolations);
    AudioBusBuffers in{}, out{};
    in.numChannels = static_cast<int32>(inputs.size());
    in.channelBuffers32 = inputs.data();
    out.numChannels = static_cast<int32>(outputs.size());
    out.channelBuffers32 = outputs.data();
    ProcessData d{};
    d.processMode = kRealtime;
    d.symbolicSampleSize = kSample32;
    d.numSamples = frames;
    d.numInputs = inputs.empty() ? 0 : 1;
    d.numOutputs = outputs.empty() ? 0 : 1;
    d.inputs = inputs.empty() ? nullptr : &in;
    d.outputs = outputs.empty() ? nullptr : &out;
    if (changes == nullptr && editsFrom != nullptr) {
        editChanges_.clear();
        for (const auto& [id, value] : editsFrom->takeKeptEdits()) editChanges_.add(id, 0, value);
        changes = &editChanges_;
    }
    d.inputParameterChanges = changes;
    d.processContext = context;
    outputChanges_.clear();
    d.outputParameterChanges = &outputChanges_;
    d.outputEvents = &outputEvents_;
    const tresult r = processor->process(d);
    if (keepOutputChanges) keepOutputs();
    return r;
}

void PluginInstance::keepOutputs() {
    std::lock_guard<std::mutex> lock(outputMutex_);
    for (int32 i = 0; i < outputChanges_.getParameterCount(); ++i) {
        IParamValueQueue* q = outputChanges_.getParameterData(i);
        int32 offset = 0;
        double value = 0;
        if (q == nullptr || q->getPointCount() <= 0 ||
            q->getPoint(q->getPointCount() - 1, offset, value) != kResultOk)
            continue;
        const ParamID id = q->getParameterId();
        auto same = std::find_if(outputValues_.begin(), outputValues_.end(),
                                 [&](const auto& kept) { return kept.first == id; });
        if (same != outputValues_.end())
            same->second = value;
        else
            outputValues_.push_back({id, value});
    }
}

int PluginInstance::forwardOutputChanges() {
    std::vector<std::pair<ParamID, double>> values;
    {
        std::lock_guard<std::mutex> lock(outputMutex_);
        values.swap(outputValues_);
    }
    testhost::FpGuard w(fpViolations);
    for (const auto& [id, value] : values) controller->setParamNormalized(id, value);
    return static_cast<int>(values.size());
}

tresult PluginInstance::flush(IParameterChanges* changes) {
    return process({}, {}, 0, changes, nullptr);
}

tresult PluginInstance::getState(std::vector<std::uint8_t>& out) {
    testhost::FpGuard w(fpViolations);
    MemoryStream s;
    tresult r = component->getState(&s);
    out = s.bytes();
    return r;
}

tresult PluginInstance::setState(const std::vector<std::uint8_t>& bytes) {
    MemoryStream s(bytes);
    return setState(s);
}

tresult PluginInstance::setState(MemoryStream& stream) {
    testhost::FpGuard w(fpViolations);
    tresult r = component->setState(&stream);
    if (r != kResultOk || controller == nullptr) return r;
    // Hosts hand the controller the component's state whether or not it is a separate object.
    stream.rewind();
    return controller->setComponentState(&stream);
}

bool PluginInstance::teardown() {
    if (!component) return true;
    testhost::FpGuard w(fpViolations);
    stop();
    if (componentPoint_) {
        componentPoint_->disconnect(controllerPoint_);
        controllerPoint_->disconnect(componentPoint_);
        componentPoint_->release();
        controllerPoint_->release();
        componentPoint_ = controllerPoint_ = nullptr;
    }
    if (controller) controller->setComponentHandler(nullptr);
    if (initialized_) {
        if (separateController) controller->terminate();
        component->terminate();
    }
    initialized_ = false;
    bool ok = true;
    if (units) units->release();
    if (controller2) controller2->release();
    if (controller && separateController)
        ok = controller->release() == 0 && ok;
    else if (controller)
        controller->release();
    if (processor) processor->release();
    ok = component->release() == 0 && ok;
    component = nullptr;
    processor = nullptr;
    controller = nullptr;
    controller2 = nullptr;
    units = nullptr;
    return ok;
}

}  // namespace vst3host
