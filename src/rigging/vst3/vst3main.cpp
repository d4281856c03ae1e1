#include "rigging/vst3/vst3main.h"

#include "rigging/core/fpcontrol.h"
#include "rigging/core/nogc.h"
#include "rigging/core/threadcontract.h"
#include "rigging/vst3/client.h"
#include "rigging/vst3/pluginfactory.h"

namespace rigging::vst3 {

namespace {
constexpr const char* kPlaceholderURL = "https://example.invalid/";
constexpr const char* kPlaceholderEmail = "support@example.invalid";
}  // namespace

UID pluginClassId(const PluginInfo& info) noexcept {
    return INLINE_UID(0x0B20BA92, 0x0CE0B145, info.vendorUniqueID.littleEndian(),
                      info.pluginUniqueID.littleEndian());
}

const char* subCategoryOf(PluginCategory category) noexcept {
    static const char* const names[] = {
        "Fx|Analyzer",     "Fx|Delay",           "Fx|Distortion",    "Fx|Dynamics",     "Fx|EQ",
        "Fx|Spatial",      "Fx|Modulation",      "Fx|Pitch Shift",   "Fx|Reverb",       "Fx",
        "Instrument|Drum", "Instrument|Sampler", "Instrument|Synth", "Instrument|Synth"};
    unsigned i = static_cast<unsigned>(category);
    return i < sizeof names / sizeof names[0] ? names[i] : "";
}

IPluginFactory* getPluginFactory(ClientMaker makeClient, Reallocate reallocate) noexcept {
    RIGGING_THREAD(moduleThreads(), main);
    FPScope fp;
    if (gPluginFactory != nullptr) {
        gPluginFactory->addRef();
        return gPluginFactory;
    }
    Client* client = makeClient();
    const PluginInfo& info = client->pluginInfo();
    const char* url =
        info.pluginHomepage && *info.pluginHomepage ? info.pluginHomepage : kPlaceholderURL;
    const char* email = info.vendorSupportEmail && *info.vendorSupportEmail
                            ? info.vendorSupportEmail
                            : kPlaceholderEmail;
    auto* factory =
        mallocNew<CPluginFactory>(info.vendorName, url, email, PFactoryInfo::kUnicode, reallocate);

    PClassInfo2 ci;
    std::memset(&ci, 0, sizeof ci);
    UID cid = pluginClassId(info);
    std::memcpy(ci.cid, cid.bytes, sizeof ci.cid);
    ci.cardinality = kManyInstances;
    strncpy8(ci.category, "Audio Module Class", sizeof ci.category);
    strncpy8(ci.name, info.pluginName, sizeof ci.name);
    ci.classFlags = kSimpleModeSupported;
    strncpy8(ci.subCategories, subCategoryOf(info.category), sizeof ci.subCategories);
    strncpy8(ci.vendor, info.vendorName, sizeof ci.vendor);
    info.publicVersion.toVST3VersionString(ci.version, sizeof ci.version);
    strncpy8(ci.sdkVersion, "VST 3.6.11", sizeof ci.sdkVersion);
    const bool registered =
        factory->registerClass(&ci, createVST3Client, reinterpret_cast<void*>(makeClient));
    destroyFree(client);
    if (!registered) {
        factory->release();
        return nullptr;
    }
    gPluginFactory = factory;
    return factory;
}

FUnknown* createVST3Client(void* context) noexcept {
    RIGGING_THREAD(moduleThreads(), main);
    FPScope fp;
    auto makeClient = reinterpret_cast<ClientMaker>(context);
    VST3Client* wrapper = mallocNew<VST3Client>(makeClient());
    return static_cast<IAudioProcessor*>(wrapper);
}

}  // namespace rigging::vst3
