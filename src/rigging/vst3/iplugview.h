#pragma once
// The editor view a controller hands to the host, and the host's frame around it.

#include "rigging/vst3/funknown.h"

namespace rigging::vst3 {

struct ViewRect {
    int32 left;
    int32 top;
    int32 right;
    int32 bottom;
};
static_assert(sizeof(ViewRect) == 16);

constexpr FIDString kPlatformTypeHWND = "HWND";
constexpr FIDString kPlatformTypeNSView = "NSView";
constexpr FIDString kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";

class IPlugFrame;

class IPlugView : public FUnknown {
public:
    virtual tresult isPlatformTypeSupported(FIDString type) = 0;
    // On Linux `parent` is the X11 Window id itself.
    virtual tresult attached(void* parent, FIDString type) = 0;
    virtual tresult removed() = 0;
    virtual tresult onWheel(float distance) = 0;
    virtual tresult onKeyDown(char16 key, int16 keyCode, int16 modifiers) = 0;
    virtual tresult onKeyUp(char16 key, int16 keyCode, int16 modifiers) = 0;
    virtual tresult getSize(ViewRect* size) = 0;
    virtual tresult onSize(ViewRect* newSize) = 0;
    virtual tresult onFocus(TBool state) = 0;
    virtual tresult setFrame(IPlugFrame* frame) = 0;
    virtual tresult canResize() = 0;
    virtual tresult checkSizeConstraint(ViewRect* rect) = 0;
    static constexpr UID iid = INLINE_UID(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);

protected:
    ~IPlugView() = default;
};

class IPlugFrame : public FUnknown {
public:
    virtual tresult resizeView(IPlugView* view, ViewRect* newSize) = 0;
    static constexpr UID iid = INLINE_UID(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);

protected:
    ~IPlugFrame() = default;
};

}  // namespace rigging::vst3
