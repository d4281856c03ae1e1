#include "rigging/client/daw.h"

#include <cstring>

namespace rigging {

namespace {

struct DAWKey {
    const char* substring;
    DAW daw;
};

// Order matters: a name holding several keys takes the first one listed.
constexpr DAWKey kKeys[] = {
    {"reaper", DAW::reaper},
    {"cubase", DAW::cubase},
    {"nuendo", DAW::nuendo},
    {"cakewalk", DAW::cakewalk},
    {"samplitude", DAW::samplitude},
    {"fruity", DAW::fruity},
    {"live", DAW::live},
    {"melodyne", DAW::melodyne},
    {"vstmanlib", DAW::vstmanlib},
    {"aulab", DAW::aulab},
    {"garageband", DAW::garageband},
    {"forte", DAW::forte},
    {"chainer", DAW::chainer},
    {"audition", DAW::audition},
    {"orion", DAW::orion},
    {"sawstudio", DAW::sawstudio},
    {"logic", DAW::logic},
    {"digital", DAW::digital},
    {"audiomulch", DAW::audiomulch},
    {"presonus", DAW::presonus},
    {"vst3plugintesthost", DAW::vst3plugintesthost},
    {"protools", DAW::protools},
    {"ardour", DAW::ardour},
    {"standalone", DAW::standalone},
};

}  // namespace

DAW identifyDAW(const char* productName) noexcept {
    if (productName == nullptr) return DAW::unknown;
    for (const DAWKey& key : kKeys)
        if (std::strstr(productName, key.substring) != nullptr) return key.daw;
    return DAW::unknown;
}

}  // namespace rigging
