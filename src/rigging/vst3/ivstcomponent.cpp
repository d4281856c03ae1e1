#include "rigging/vst3/ivstcomponent.h"

namespace rigging::vst3 {

void BusInfo::setName(const char16* newName) noexcept {
    int i = 0;
    if (newName != nullptr)
        for (; i < 127 && newName[i] != 0; ++i) name[i] = newName[i];
    for (; i < 128; ++i) name[i] = 0;
}

}  // namespace rigging::vst3
