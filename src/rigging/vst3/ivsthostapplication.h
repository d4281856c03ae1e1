#pragma once
// The host application object handed to initialize.

#include "rigging/vst3/funknown.h"

namespace rigging::vst3 {

class IHostApplication : public FUnknown {
public:
    virtual tresult getName(String128 name) = 0;
    virtual tresult createInstance(TUID cid, TUID iid, void** obj) = 0;
    static constexpr UID iid = INLINE_UID(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);

protected:
    ~IHostApplication() = default;
};

}  // namespace rigging::vst3
