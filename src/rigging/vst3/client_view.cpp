// The plug-in view: the host's window handle in, the client's editor out.

#include <cstring>

#include "rigging/core/fpcontrol.h"
#include "rigging/core/nogc.h"
#include "rigging/vst3/client.h"
#include "rigging/vst3/ftypes.h"

namespace rigging {

using namespace vst3;

RiggingView::RiggingView(VST3Client* owner) noexcept : owner_(owner) {
    owner_->addRef();
}

RiggingView::~RiggingView() {
    owner_->release();
}

tresult RiggingView::queryInterface(const TUID iid, void** obj) {
    RIGGING_THREAD(owner_->client().threads(), any);
    if (obj == nullptr) return kInvalidArgument;
    if (iid != nullptr && (iidEqual(iid, IPlugView::iid) || iidEqual(iid, FUnknown::iid))) {
        *obj = static_cast<IPlugView*>(this);
        addRef();
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 RiggingView::addRef() {
    RIGGING_THREAD(owner_->client().threads(), any);
    return static_cast<uint32>(refCount_.fetch_add(1) + 1);
}

uint32 RiggingView::release() {
    RIGGING_THREAD(owner_->client().threads(), any);
    const int left = refCount_.fetch_sub(1) - 1;
    if (left == 0) destroyFree(this);
    return static_cast<uint32>(left > 0 ? left : 0);
}

tresult RiggingView::isPlatformTypeSupported(FIDString type) {
    RIGGING_THREAD(owner_->client().threads(), main);
    if (type != nullptr && std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0) return kResultOk;
    return kResultFalse;
}

tresult RiggingView::attached(void* parent, FIDString type) {
    RIGGING_THREAD(owner_->client().threads(), main);
    if (!owner_->client().hasGUI() || isPlatformTypeSupported(type) != kResultOk)
        return kResultFalse;
    FPScope fp;
    MutexLock lock(owner_->viewMutex());
    void* window = owner_->client().openGUI(parent, nullptr, GraphicsBackend::x11EmbedWindowID);
    return window != nullptr ? kResultOk : kResultFalse;
}

tresult RiggingView::removed() {
    RIGGING_THREAD(owner_->client().threads(), main);
    if (!owner_->client().hasGUI()) return kResultFalse;
    FPScope fp;
    MutexLock lock(owner_->viewMutex());
    owner_->client().closeGUI();
    return kResultOk;
}

tresult RiggingView::getSize(ViewRect* size) {
    RIGGING_THREAD(owner_->client().threads(), main);
    if (!owner_->client().hasGUI() || size == nullptr) return kResultFalse;
    FPScope fp;
    MutexLock lock(owner_->viewMutex());
    int width = 0, height = 0;
    if (!owner_->client().getGUISize(&width, &height)) return kResultFalse;
    *size = ViewRect{0, 0, width, height};
    return kResultOk;
}

tresult RiggingView::setFrame(IPlugFrame* frame) {
    RIGGING_THREAD(owner_->client().threads(), main);
    frame_ = frame;
    return kResultOk;
}

// Input reaches the editor's own window; the size is fixed.

tresult RiggingView::onWheel(float) {
    RIGGING_THREAD(owner_->client().threads(), main);
    return kResultFalse;
}

tresult RiggingView::onKeyDown(char16, int16, int16) {
    RIGGING_THREAD(owner_->client().threads(), main);
    return kResultFalse;
}

tresult RiggingView::onKeyUp(char16, int16, int16) {
    RIGGING_THREAD(owner_->client().threads(), main);
    return kResultFalse;
}

tresult RiggingView::onSize(ViewRect*) {
    RIGGING_THREAD(owner_->client().threads(), main);
    return kResultOk;
}

tresult RiggingView::onFocus(TBool) {
    RIGGING_THREAD(owner_->client().threads(), main);
    return kResultOk;
}

tresult RiggingView::canResize() {
    RIGGING_THREAD(owner_->client().threads(), main);
    return kResultFalse;
}

tresult RiggingView::checkSizeConstraint(ViewRect*) {
    RIGGING_THREAD(owner_->client().threads(), main);
    return kResultOk;
}

}  // namespace rigging
