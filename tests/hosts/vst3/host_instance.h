#pragma once
// One plug-in instance driven as a DAW drives it: creation through the factory, the
// interfaces of the component and its controller, initialisation, buses, set-up, processing,
// state, and teardown that checks every reference came back.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "fpguard.h"
#include "host_messages.h"
#include "host_objects.h"
#include "rigging/vst3/ivstaudioprocessor.h"
#include "rigging/vst3/ivstcomponent.h"
#include "rigging/vst3/ivsteditcontroller.h"
#include "rigging/vst3/ivstunit.h"

namespace vst3host {

// Index of the first class of the given category, -1 if none.
int findClass(IPluginFactory* factory, const char* category, PClassInfo* out);

class PluginInstance {
public:
    PluginInstance() = default;
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;
    ~PluginInstance() { teardown(); }

    // Creates the component, then finds the controller on the same object or, failing that,
    // creates the class getControllerClassId names.
    bool create(IPluginFactory* factory, const char* cid);
    // initialize on the component (and a separate controller), then the component handler.
    bool initialize(FUnknown* hostContext, IComponentHandler* handler);
    // Joins the connection points of the component and a separate controller both ways, so
    // that their messages pass (undone in teardown). False when there is nothing to join.
    bool connect();

    std::vector<BusInfo> buses(MediaType type, BusDirection dir);
    tresult setArrangement(int inputs, int outputs);
    // Channel count of the first audio bus in a direction, as the processor now reports it.
    int channels(BusDirection dir);
    tresult setup(double sampleRate, int maxBlock, int32 sampleSize = kSample32);
    // setActive and setProcessing in the order hosts use.
    void start();
    void stop();

    // Planar 32-bit processing of one block; a null channel pointer is passed on as it is.
    // Without changes of its own, a call hands the processor the edits `editsFrom` kept.
    tresult process(std::vector<float*> inputs, std::vector<float*> outputs, int frames,
                    IParameterChanges* changes = nullptr, ProcessContext* context = nullptr);
    // A call without buses or audio, as hosts send to flush parameter changes.
    tresult flush(IParameterChanges* changes);

    // Hands the controller the last value of each output parameter that process reported
    // since the previous call (with keepOutputChanges set), as a host does on its interface
    // thread. Returns how many it handed over.
    int forwardOutputChanges();

    tresult getState(std::vector<std::uint8_t>& out);
    // The component's setState, then the controller's setComponentState with the same bytes,
    // as a host loads a preset or a project: the first answer that is not kResultOk, if any.
    tresult setState(const std::vector<std::uint8_t>& bytes);
    tresult setState(MemoryStream& stream);

    // terminate and release everything. True when each object's last release answered 0.
    bool teardown();

    IComponent* component = nullptr;
    IAudioProcessor* processor = nullptr;
    IEditController* controller = nullptr;
    IEditController2* controller2 = nullptr;
    IUnitInfo* units = nullptr;
    bool separateController = false;
    // process keeps what the plug-in reports on its output parameters for forwardOutputChanges.
    bool keepOutputChanges = false;
    // A handler whose kept edits process passes on, as a DAW does in its next block.
    RecordingComponentHandler* editsFrom = nullptr;
    // Calls after which the host's MXCSR or x87 control word differed from before.
    std::atomic<int> fpViolations{0};

private:
    void keepOutputs();

    ParameterChanges outputChanges_;
    ParameterChanges editChanges_;
    EventList outputEvents_;
    std::mutex outputMutex_;
    std::vector<std::pair<ParamID, double>> outputValues_;
    IConnectionPoint* componentPoint_ = nullptr;
    IConnectionPoint* controllerPoint_ = nullptr;
    bool initialized_ = false;
    bool started_ = false;
};

// Converts UTF-16 text of a record field to 8 bits for assertions and printing.
std::string narrow(const char16* s);

}  // namespace vst3host
