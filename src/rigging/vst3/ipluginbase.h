#pragma once
// IPluginBase and the plug-in factory interfaces with their class-information records.

#include <cstddef>

#include "rigging/vst3/funknown.h"

namespace rigging::vst3 {

class IPluginBase : public FUnknown {
public:
    virtual tresult initialize(FUnknown* context) = 0;
    virtual tresult terminate() = 0;
    static constexpr UID iid = INLINE_UID(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);

protected:
    ~IPluginBase() = default;
};

struct PFactoryInfo {
    enum : int32 {
        kNoFlags = 0,
        kClassesDiscardable = 1,
        kLicenseCheck = 2,
        kComponentNonDiscardable = 8,
        kUnicode = 16,
    };
    char8 vendor[64];
    char8 url[256];
    char8 email[128];
    int32 flags;
};
static_assert(sizeof(PFactoryInfo) == 452 && alignof(PFactoryInfo) == 4);
static_assert(offsetof(PFactoryInfo, url) == 64 && offsetof(PFactoryInfo, email) == 320);
static_assert(offsetof(PFactoryInfo, flags) == 448);

constexpr int32 kManyInstances = 0x7FFFFFFF;

struct PClassInfo {
    char cid[16];
    int32 cardinality;
    char8 category[32];
    char8 name[64];
};
static_assert(sizeof(PClassInfo) == 116 && alignof(PClassInfo) == 4);
static_assert(offsetof(PClassInfo, cardinality) == 16 && offsetof(PClassInfo, category) == 20);
static_assert(offsetof(PClassInfo, name) == 52);

enum : uint32 { kDistributable = 1, kSimpleModeSupported = 2 };

struct PClassInfo2 {
    char cid[16];
    int32 cardinality;
    char8 category[32];
    char8 name[64];
    uint32 classFlags;
    char8 subCategories[128];
    char8 vendor[64];
    char8 version[64];
    char8 sdkVersion[64];
};
static_assert(sizeof(PClassInfo2) == 440 && alignof(PClassInfo2) == 4);
static_assert(offsetof(PClassInfo2, classFlags) == 116);
static_assert(offsetof(PClassInfo2, subCategories) == 120);
static_assert(offsetof(PClassInfo2, vendor) == 248 && offsetof(PClassInfo2, version) == 312);
static_assert(offsetof(PClassInfo2, sdkVersion) == 376);

struct PClassInfoW {
    char cid[16];
    int32 cardinality;
    char8 category[32];
    char16 name[64];
    uint32 classFlags;
    char8 subCategories[128];
    char16 vendor[64];
    char16 version[64];
    char16 sdkVersion[64];
};
static_assert(sizeof(PClassInfoW) == 696 && alignof(PClassInfoW) == 4);
static_assert(offsetof(PClassInfoW, name) == 52 && offsetof(PClassInfoW, classFlags) == 180);
static_assert(offsetof(PClassInfoW, subCategories) == 184);
static_assert(offsetof(PClassInfoW, vendor) == 312 && offsetof(PClassInfoW, version) == 440);
static_assert(offsetof(PClassInfoW, sdkVersion) == 568);

class IPluginFactory : public FUnknown {
public:
    virtual tresult getFactoryInfo(PFactoryInfo* info) = 0;
    virtual int32 countClasses() = 0;
    virtual tresult getClassInfo(int32 index, PClassInfo* info) = 0;
    // cid and iid point to 16-byte binary ids.
    virtual tresult createInstance(FIDString cid, FIDString iid, void** obj) = 0;
    static constexpr UID iid = INLINE_UID(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);

protected:
    ~IPluginFactory() = default;
};

class IPluginFactory2 : public IPluginFactory {
public:
    virtual tresult getClassInfo2(int32 index, PClassInfo2* info) = 0;
    static constexpr UID iid = INLINE_UID(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);

protected:
    ~IPluginFactory2() = default;
};

class IPluginFactory3 : public IPluginFactory2 {
public:
    virtual tresult getClassInfoUnicode(int32 index, PClassInfoW* info) = 0;
    virtual tresult setHostContext(FUnknown* context) = 0;
    static constexpr UID iid = INLINE_UID(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);

protected:
    ~IPluginFactory3() = default;
};

}  // namespace rigging::vst3
