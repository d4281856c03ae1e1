#pragma once
// The module's class factory: describes the plug-in class and creates its instances.

#include <atomic>
#include <cstddef>

#include "rigging/vst3/ipluginbase.h"

namespace rigging::vst3 {

// Creates a new object for a registered class and returns it with one reference.
using CreateFunction = FUnknown* (*)(void* context);
// Grows a block as realloc does, null when it cannot; what it gives is freed with free.
using Reallocate = void* (*)(void* block, std::size_t bytes) noexcept;

// Main thread, but for the reference counting (any thread).
class CPluginFactory final : public IPluginFactory3 {
public:
    // Starts with one reference. The flags always gain kUnicode. The class list grows with
    // `reallocate` (the heap when null).
    CPluginFactory(const char* vendor, const char* url, const char* email, int32 flags,
                   Reallocate reallocate = nullptr) noexcept;
    CPluginFactory(const CPluginFactory&) = delete;
    CPluginFactory& operator=(const CPluginFactory&) = delete;
    ~CPluginFactory();

    // False for a null information record or function, and when the class list cannot grow: a
    // host out of memory is refused, not ended, and the factory stays as it was. A class registered
    // from 8-bit information is described by getClassInfo and getClassInfo2 (the plain form leaves
    // the extended fields empty); one registered as UTF-16 only by getClassInfoUnicode.
    bool registerClass(const PClassInfo* info, CreateFunction create, void* context) noexcept;
    bool registerClass(const PClassInfo2* info, CreateFunction create, void* context) noexcept;
    bool registerClass(const PClassInfoW* info, CreateFunction create, void* context) noexcept;

    tresult queryInterface(const TUID iid, void** obj) override;
    uint32 addRef() override;
    uint32 release() override;

    tresult getFactoryInfo(PFactoryInfo* info) override;
    int32 countClasses() override;
    tresult getClassInfo(int32 index, PClassInfo* info) override;
    tresult createInstance(FIDString cid, FIDString iid, void** obj) override;
    tresult getClassInfo2(int32 index, PClassInfo2* info) override;
    tresult getClassInfoUnicode(int32 index, PClassInfoW* info) override;
    tresult setHostContext(FUnknown* context) override;

private:
    struct ClassEntry {
        PClassInfo2 info8;  // of a UTF-16 entry only the class id is kept, to find it by
        PClassInfoW info16;
        CreateFunction create;
        void* context;
        bool isUnicode;
    };
    const ClassEntry* entry(int32 index) const noexcept;
    bool add(const ClassEntry& e) noexcept;

    std::atomic<int> refCount_{1};
    PFactoryInfo factoryInfo_;
    Reallocate reallocate_;
    ClassEntry* classes_ = nullptr;
    std::size_t count_ = 0, capacity_ = 0;
};

// The one factory of the process, null until the first GetPluginFactory and again after the
// host's last release. Zero-initialised: nothing runs when the module is loaded.
extern CPluginFactory* gPluginFactory;

}  // namespace rigging::vst3
