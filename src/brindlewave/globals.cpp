#include "brindlewave/globals.h"

namespace brindlewave {

void GlobalState::beginPanelMove(int band) noexcept {
    if (valid(band)) store(panelMoving_[band], true);
}

void GlobalState::endPanelMove(int band) noexcept {
    if (valid(band)) store(panelMoving_[band], false);
}

bool GlobalState::isPanelBeingMoved(int band) const noexcept {
    return valid(band) && load(panelMoving_[band]);
}

void GlobalState::flagMeterToUpdate(int band, bool needsUpdate) noexcept {
    if (valid(band)) store(meterNeedsUpdate_[band], needsUpdate);
}

bool GlobalState::doesMeterNeedUpdate(int band) const noexcept {
    return valid(band) && load(meterNeedsUpdate_[band]);
}

}  // namespace brindlewave
