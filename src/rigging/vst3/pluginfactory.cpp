#include "rigging/vst3/pluginfactory.h"

#include <cstdlib>
#include <cstring>
#include <span>

#include "rigging/core/fpcontrol.h"
#include "rigging/core/nogc.h"
#include "rigging/core/threadcontract.h"

namespace rigging::vst3 {

namespace {

// The 16-bit form of the class information; category and sub-categories stay 8-bit.
void widenClassInfo(const PClassInfo2& in, PClassInfoW& out) noexcept {
    std::memset(&out, 0, sizeof out);
    std::memcpy(out.cid, in.cid, sizeof out.cid);
    out.cardinality = in.cardinality;
    std::memcpy(out.category, in.category, sizeof out.category);
    str8ToStr16(out.name, std::span<const char>(in.name, sizeof in.name), 64);
    out.classFlags = in.classFlags;
    std::memcpy(out.subCategories, in.subCategories, sizeof out.subCategories);
    str8ToStr16(out.vendor, std::span<const char>(in.vendor, sizeof in.vendor), 64);
    str8ToStr16(out.version, std::span<const char>(in.version, sizeof in.version), 64);
    str8ToStr16(out.sdkVersion, std::span<const char>(in.sdkVersion, sizeof in.sdkVersion), 64);
}

void* heapRealloc(void* block, std::size_t bytes) noexcept {
    return std::realloc(block, bytes);
}

}  // namespace

CPluginFactory* gPluginFactory = nullptr;

CPluginFactory::CPluginFactory(const char* vendor, const char* url, const char* email, int32 flags,
                               Reallocate reallocate) noexcept
    : reallocate_(reallocate ? reallocate : heapRealloc) {
    strncpy8(factoryInfo_.vendor, vendor, sizeof factoryInfo_.vendor);
    strncpy8(factoryInfo_.url, url, sizeof factoryInfo_.url);
    strncpy8(factoryInfo_.email, email, sizeof factoryInfo_.email);
    factoryInfo_.flags = flags | PFactoryInfo::kUnicode;
}

CPluginFactory::~CPluginFactory() {
    std::free(classes_);
}

bool CPluginFactory::add(const ClassEntry& e) noexcept {
    if (count_ == capacity_) {
        const std::size_t capacity = capacity_ ? 2 * capacity_ : 4;
        void* grown = reallocate_(classes_, capacity * sizeof(ClassEntry));
        if (grown == nullptr) return false;  // the old block and its entries stay
        classes_ = static_cast<ClassEntry*>(grown);
        capacity_ = capacity;
    }
    classes_[count_++] = e;
    return true;
}

bool CPluginFactory::registerClass(const PClassInfo* info, CreateFunction create,
                                   void* context) noexcept {
    RIGGING_THREAD(moduleThreads(), main);
    if (info == nullptr) return false;
    PClassInfo2 full;
    std::memset(&full, 0, sizeof full);
    std::memcpy(&full, info, sizeof *info);  // the plain record is the extended one's head
    return registerClass(&full, create, context);
}

bool CPluginFactory::registerClass(const PClassInfo2* info, CreateFunction create,
                                   void* context) noexcept {
    RIGGING_THREAD(moduleThreads(), main);
    if (info == nullptr || create == nullptr) return false;
    ClassEntry e{};
    e.info8 = *info;
    widenClassInfo(*info, e.info16);
    e.create = create;
    e.context = context;
    e.isUnicode = false;
    return add(e);
}

bool CPluginFactory::registerClass(const PClassInfoW* info, CreateFunction create,
                                   void* context) noexcept {
    RIGGING_THREAD(moduleThreads(), main);
    if (info == nullptr || create == nullptr) return false;
    ClassEntry e{};
    std::memcpy(e.info8.cid, info->cid, sizeof e.info8.cid);
    e.info16 = *info;
    e.create = create;
    e.context = context;
    e.isUnicode = true;
    return add(e);
}

tresult CPluginFactory::queryInterface(const TUID iid, void** obj) {
    RIGGING_THREAD(moduleThreads(), any);
    if (obj == nullptr) return kInvalidArgument;
    if (iid != nullptr &&
        (iidEqual(iid, FUnknown::iid) || iidEqual(iid, IPluginFactory::iid) ||
         iidEqual(iid, IPluginFactory2::iid) || iidEqual(iid, IPluginFactory3::iid))) {
        addRef();
        *obj = static_cast<IPluginFactory3*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 CPluginFactory::addRef() {
    RIGGING_THREAD(moduleThreads(), any);
    return static_cast<uint32>(refCount_.fetch_add(1) + 1);
}

uint32 CPluginFactory::release() {
    RIGGING_THREAD(moduleThreads(), any);
    int left = refCount_.fetch_sub(1) - 1;
    if (left == 0) {
        if (gPluginFactory == this) gPluginFactory = nullptr;
        destroyFree(this);
    }
    return static_cast<uint32>(left);
}

tresult CPluginFactory::getFactoryInfo(PFactoryInfo* info) {
    RIGGING_THREAD(moduleThreads(), main);
    if (info) *info = factoryInfo_;
    return kResultOk;
}

int32 CPluginFactory::countClasses() {
    RIGGING_THREAD(moduleThreads(), main);
    return static_cast<int32>(count_);
}

const CPluginFactory::ClassEntry* CPluginFactory::entry(int32 index) const noexcept {
    if (static_cast<uint32>(index) >= count_) return nullptr;
    return &classes_[static_cast<std::size_t>(index)];
}

tresult CPluginFactory::getClassInfo(int32 index, PClassInfo* info) {
    RIGGING_THREAD(moduleThreads(), main);
    const ClassEntry* e = entry(index);
    if (e == nullptr || info == nullptr) return kInvalidArgument;
    // An entry registered as UTF-16 has no 8-bit description to give.
    if (e->isUnicode) {
        std::memset(info, 0, sizeof *info);
        return kResultFalse;
    }
    std::memcpy(info, &e->info8, sizeof *info);  // the plain record is the extended one's head
    return kResultOk;
}

tresult CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
    RIGGING_THREAD(moduleThreads(), main);
    const ClassEntry* e = entry(index);
    if (e == nullptr || info == nullptr) return kInvalidArgument;
    if (e->isUnicode) {
        std::memset(info, 0, sizeof *info);
        return kResultFalse;
    }
    *info = e->info8;
    return kResultOk;
}

tresult CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
    RIGGING_THREAD(moduleThreads(), main);
    const ClassEntry* e = entry(index);
    if (e == nullptr || info == nullptr) return kInvalidArgument;
    *info = e->info16;
    return kResultOk;
}

tresult CPluginFactory::createInstance(FIDString cid, FIDString iid, void** obj) {
    RIGGING_THREAD(moduleThreads(), main);
    if (obj == nullptr) return kInvalidArgument;
    *obj = nullptr;
    if (cid == nullptr || iid == nullptr) return kInvalidArgument;
    FPScope fp;
    for (const ClassEntry& e : std::span<const ClassEntry>(classes_, count_)) {
        if (!iidEqual(e.info8.cid, cid)) continue;
        FUnknown* instance = e.create(e.context);
        if (instance == nullptr) return kNoInterface;
        // The query takes the caller's reference; the creation reference is dropped.
        tresult r = instance->queryInterface(iid, obj);
        instance->release();
        if (r != kResultOk) {
            *obj = nullptr;
            return kNoInterface;
        }
        return kResultOk;
    }
    return kNoInterface;
}

tresult CPluginFactory::setHostContext(FUnknown*) {
    RIGGING_THREAD(moduleThreads(), main);
    return kNotImplemented;
}

}  // namespace rigging::vst3
