#pragma once
// Module entry logic: the factory of a plug-in's one class, and the three exports.

#include "rigging/client/client.h"
#include "rigging/core/threadcontract.h"
#include "rigging/vst3/ipluginbase.h"
#include "rigging/vst3/pluginfactory.h"

namespace rigging {

// Makes a new client of the plug-in's own class.
using ClientMaker = Client* (*)();

namespace vst3 {

// The class id of a plug-in: two fixed words, then the vendor and plug-in identifiers each
// read as a little-endian word, every word stored most significant byte first.
UID pluginClassId(const PluginInfo& info) noexcept;

// The sub-category text hosts show for a category; empty for categories without one.
const char* subCategoryOf(PluginCategory category) noexcept;

// GetPluginFactory: the existing factory with one more reference, or a new one built from a
// temporary client's identity. Null when the class cannot be registered, so that the host
// reports a module that failed to load; nothing is kept and a later call tries again.
// `reallocate` grows the class list (the heap when null).
IPluginFactory* getPluginFactory(ClientMaker makeClient, Reallocate reallocate = nullptr) noexcept;

// The class's creation function; the context is the ClientMaker.
FUnknown* createVST3Client(void* context) noexcept;

}  // namespace vst3
}  // namespace rigging

// Defines the module's three exports for a client class. Use once, in the module's own source.
// Main thread, all three.
#define RIGGING_VST3_ENTRY_POINTS(ClientClass)                                                 \
    extern "C" {                                                                               \
    __attribute__((visibility("default"))) bool ModuleEntry(void*) {                           \
        RIGGING_THREAD(::rigging::moduleThreads(), main);                                      \
        return true;                                                                           \
    }                                                                                          \
    __attribute__((visibility("default"))) bool ModuleExit() {                                 \
        RIGGING_THREAD(::rigging::moduleThreads(), main);                                      \
        return true;                                                                           \
    }                                                                                          \
    __attribute__((visibility("default"))) rigging::vst3::IPluginFactory* GetPluginFactory() { \
        return rigging::vst3::getPluginFactory(                                                \
            []() -> rigging::Client* { return rigging::createClient<ClientClass>(); });        \
    }                                                                                          \
    }
