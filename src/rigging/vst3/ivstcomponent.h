#pragma once
// IComponent and its bus records.

#include <cstddef>

#include "rigging/vst3/ibstream.h"
#include "rigging/vst3/ipluginbase.h"

namespace rigging::vst3 {

enum : MediaType { kAudio = 0, kEvent = 1 };
enum : BusDirection { kInput = 0, kOutput = 1 };
enum : BusType { kMain = 0, kAux = 1 };
enum : IoMode { kSimple = 0, kAdvanced = 1, kOfflineProcessing = 2 };

struct BusInfo {
    enum BusFlags : uint32 { kDefaultActive = 1, kIsControlVoltage = 2 };
    MediaType mediaType;
    BusDirection direction;
    int32 channelCount;
    String128 name;
    BusType busType;
    uint32 flags;

    // At most 127 units, always terminated.
    void setName(const char16* newName) noexcept;
};
static_assert(sizeof(BusInfo) == 276 && alignof(BusInfo) == 4);
static_assert(offsetof(BusInfo, channelCount) == 8 && offsetof(BusInfo, name) == 12);
static_assert(offsetof(BusInfo, busType) == 268 && offsetof(BusInfo, flags) == 272);

struct RoutingInfo {
    MediaType mediaType;
    int32 busIndex;
    int32 channel;
};
static_assert(sizeof(RoutingInfo) == 12);

class IComponent : public IPluginBase {
public:
    virtual tresult getControllerClassId(TUID classId) = 0;
    virtual tresult setIoMode(IoMode mode) = 0;
    virtual int32 getBusCount(MediaType type, BusDirection dir) = 0;
    virtual tresult getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus) = 0;
    virtual tresult getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) = 0;
    virtual tresult activateBus(MediaType type, BusDirection dir, int32 index, TBool state) = 0;
    virtual tresult setActive(TBool state) = 0;
    virtual tresult setState(IBStream* state) = 0;
    virtual tresult getState(IBStream* state) = 0;
    static constexpr UID iid = INLINE_UID(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);

protected:
    ~IComponent() = default;
};

}  // namespace rigging::vst3
