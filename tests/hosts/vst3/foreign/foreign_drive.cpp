#include "foreign_drive.h"

#include <cmath>
#include <sstream>
#include <vector>

#include "host_instance.h"

namespace vst3host {

std::string driveWithForeignHost(IPluginFactory* factory, const char* cid,
                                 const ForeignHostApi& api, ParamID param, double value) {
    std::ostringstream findings;
    ForeignHost* host = api.create(param, value);
    const ForeignHostObjects o = api.objects(host);
    {
        PluginInstance plugin;
        if (!plugin.create(factory, cid)) {
            api.destroy(host);
            return "no instance";
        }
        // A host's objects reach the plug-in as bare interface pointers, whatever their type.
        if (!plugin.initialize(static_cast<FUnknown*>(o.application),
                               static_cast<IComponentHandler*>(o.handler)))
            findings << "initialize failed; ";
        if (plugin.setArrangement(2, 2) != kResultOk) findings << "stereo refused; ";
        if (plugin.setup(48000, 256) != kResultOk) findings << "set-up refused; ";
        if (api.restarts(host) != 1) findings << api.restarts(host) << " restarts; ";
        plugin.start();

        std::vector<float> in(256, 0.25f), out(256);
        std::vector<float*> channels = {in.data(), in.data()}, outs = {out.data(), out.data()};
        AudioBusBuffers inBus{2, 0, {channels.data()}}, outBus{2, 0, {outs.data()}};
        ProcessData d{};
        d.processMode = kRealtime;
        d.symbolicSampleSize = kSample32;
        d.numSamples = 256;
        d.numInputs = d.numOutputs = 1;
        d.inputs = &inBus;
        d.outputs = &outBus;
        d.inputParameterChanges = static_cast<IParameterChanges*>(o.changes);
        d.inputEvents = static_cast<IEventList*>(o.events);
        if (plugin.processor->process(d) != kResultOk) findings << "process failed; ";
        if (std::fabs(plugin.controller->getParamNormalized(param) - value) > 1e-6)
            findings << "parameter " << param << " not taken; ";

        auto* stream = static_cast<IBStream*>(o.stream);
        if (plugin.component->getState(stream) != kResultOk) findings << "state not written; ";
        api.rewind(host);
        if (plugin.component->setState(stream) != kResultOk) findings << "state not read; ";

        plugin.stop();
        if (!plugin.teardown()) findings << "instance outlived its last release; ";
    }
    if (api.extraRefs(host) != 0) findings << api.extraRefs(host) << " host references kept; ";
    api.destroy(host);
    return findings.str();
}

}  // namespace vst3host
