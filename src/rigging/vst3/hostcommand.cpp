#include "rigging/vst3/hostcommand.h"

#include "rigging/vst3/client.h"

namespace rigging {

void VST3HostCommand::beginParamEdit(int paramIndex) {
    if (auto* h = owner_->acquireComponentHandler()) {
        h->beginEdit(static_cast<vst3::ParamID>(paramIndex));
        h->release();
    }
}

void VST3HostCommand::paramAutomate(int paramIndex, float normalizedValue) {
    if (auto* h = owner_->acquireComponentHandler()) {
        h->performEdit(static_cast<vst3::ParamID>(paramIndex), normalizedValue);
        h->release();
    }
}

void VST3HostCommand::endParamEdit(int paramIndex) {
    if (auto* h = owner_->acquireComponentHandler()) {
        h->endEdit(static_cast<vst3::ParamID>(paramIndex));
        h->release();
    }
}

bool VST3HostCommand::requestResize(int, int) {
    return false;
}

DAW VST3HostCommand::getDAW() {
    return owner_->daw();
}

}  // namespace rigging
