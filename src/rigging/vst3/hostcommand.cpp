#include "rigging/vst3/hostcommand.h"

#include "rigging/vst3/client.h"

namespace rigging {

void VST3HostCommand::beginParamEdit(int paramIndex) {
    RIGGING_THREAD(owner_->client().threads(), editor);
    if (auto* h = owner_->acquireComponentHandler()) {
        h->beginEdit(static_cast<vst3::ParamID>(paramIndex));
        h->release();
    }
}

void VST3HostCommand::paramAutomate(int paramIndex, float normalizedValue) {
    RIGGING_THREAD(owner_->client().threads(), editor);
    if (auto* h = owner_->acquireComponentHandler()) {
        h->performEdit(static_cast<vst3::ParamID>(paramIndex), normalizedValue);
        h->release();
    }
}

void VST3HostCommand::endParamEdit(int paramIndex) {
    RIGGING_THREAD(owner_->client().threads(), editor);
    if (auto* h = owner_->acquireComponentHandler()) {
        h->endEdit(static_cast<vst3::ParamID>(paramIndex));
        h->release();
    }
}

bool VST3HostCommand::requestResize(int, int) {
    RIGGING_THREAD(owner_->client().threads(), editor);
    return false;
}

DAW VST3HostCommand::getDAW() {
    RIGGING_THREAD(owner_->client().threads(), main);
    return owner_->daw();
}

}  // namespace rigging
