#pragma once
// Loads a VST3 bundle the way a host does: dlopen, the exports by symbol version, ModuleEntry,
// GetPluginFactory; ModuleExit and dlclose when done.

#include <string>

#include "rigging/vst3/ipluginbase.h"
#include "sharedlibrary.h"

namespace vst3host {

using namespace rigging::vst3;

// Path of the shared object inside a bundle folder ("X.vst3/Contents/x86_64-linux/X.so").
std::string bundleBinaryPath(const std::string& bundle);

class HostModule {
public:
    HostModule() = default;
    HostModule(const HostModule&) = delete;
    HostModule& operator=(const HostModule&) = delete;
    ~HostModule() { unload(); }

    // False with error() set when the module cannot be opened, lacks an export or refuses entry.
    bool load(const std::string& bundle);
    void unload();

    // A new factory reference owned by the caller.
    IPluginFactory* getFactory();

    // True when all three exports were found under the version VST3ABI_1.0.
    bool versionedExports() const { return versioned_; }
    const std::string& error() const { return error_; }
    void* handle() const { return library_.handle(); }

private:
    using EntryFn = bool (*)(void*);
    using ExitFn = bool (*)();
    using FactoryFn = IPluginFactory* (*)();

    testhost::SharedLibrary library_;
    EntryFn entry_ = nullptr;
    ExitFn exit_ = nullptr;
    FactoryFn factory_ = nullptr;
    bool versioned_ = false;
    bool entered_ = false;
    std::string error_;
};

}  // namespace vst3host
