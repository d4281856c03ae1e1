#pragma once
// The root of every VST3 interface: identity and reference counting.
// Interfaces are abstract classes with pure virtual methods only, in the published slot order;
// none has a virtual destructor, which would shift every later slot.

#include "rigging/vst3/ftypes.h"

namespace rigging::vst3 {

class FUnknown {
public:
    virtual tresult queryInterface(const TUID iid, void** obj) = 0;
    virtual uint32 addRef() = 0;
    virtual uint32 release() = 0;
    static constexpr UID iid = INLINE_UID(0x00000000, 0x00000000, 0xC0000000, 0x00000046);

protected:
    ~FUnknown() = default;
};

}  // namespace rigging::vst3
