// The parameter callbacks. Hosts call them from any thread, the audio thread included, while
// processing runs elsewhere: values cross threads by the parameters' own atomic storage.

#include "rigging/client/client.h"
#include "rigging/core/fpcontrol.h"
#include "rigging/vst/callbacks.h"
#include "rigging/vst/vstclient.h"

namespace rigging::vst {

void setParameterCallback(AEffect* effect, VstInt32 index, float value) {
    VSTClient* wrapper = VSTClient::fromEffect(effect);
    RIGGING_THREAD(wrapper->client()->threads(), any);
    FPScope fp;
    wrapper->setParameter(index, value);
}

float getParameterCallback(AEffect* effect, VstInt32 index) {
    VSTClient* wrapper = VSTClient::fromEffect(effect);
    RIGGING_THREAD(wrapper->client()->threads(), any);
    FPScope fp;
    return wrapper->getParameter(index);
}

void VSTClient::setParameter(VstInt32 index, float value) noexcept {
    if (index >= 0 && index < numParams_) client_->setParameterFromHost(index, value);
}

float VSTClient::getParameter(VstInt32 index) noexcept {
    if (index < 0 || index >= numParams_) return 0.0f;
    return static_cast<float>(client_->param(index)->getForHost());
}

}  // namespace rigging::vst
