#include "host_module.h"

namespace vst3host {

std::string bundleBinaryPath(const std::string& bundle) {
    std::string dir = bundle;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    std::string name = dir.substr(dir.find_last_of('/') + 1);
    if (name.size() > 5 && name.compare(name.size() - 5, 5, ".vst3") == 0)
        name.resize(name.size() - 5);
    return dir + "/Contents/x86_64-linux/" + name + ".so";
}

bool HostModule::load(const std::string& bundle) {
    unload();
    if (!library_.open(bundleBinaryPath(bundle))) {
        error_ = library_.error();
        return false;
    }
    // Prefer the versioned symbols; hosts that use plain dlsym must find them too.
    void* entry = library_.versionedSymbol("ModuleEntry", "VST3ABI_1.0");
    void* exit = library_.versionedSymbol("ModuleExit", "VST3ABI_1.0");
    void* factory = library_.versionedSymbol("GetPluginFactory", "VST3ABI_1.0");
    versioned_ = entry && exit && factory;
    if (!entry) entry = library_.symbol("ModuleEntry");
    if (!exit) exit = library_.symbol("ModuleExit");
    if (!factory) factory = library_.symbol("GetPluginFactory");
    if (!entry || !exit || !factory) {
        error_ = "missing export";
        unload();
        return false;
    }
    entry_ = reinterpret_cast<EntryFn>(entry);
    exit_ = reinterpret_cast<ExitFn>(exit);
    factory_ = reinterpret_cast<FactoryFn>(factory);
    if (!entry_(library_.handle())) {
        error_ = "ModuleEntry refused";
        unload();
        return false;
    }
    entered_ = true;
    return true;
}

void HostModule::unload() {
    if (entered_ && exit_) exit_();
    entered_ = false;
    library_.close();
    entry_ = nullptr;
    exit_ = nullptr;
    factory_ = nullptr;
}

IPluginFactory* HostModule::getFactory() {
    return factory_ ? factory_() : nullptr;
}

}  // namespace vst3host
