#include "brindlewave/dsp/vecdecibels.h"

#include <cmath>

namespace brindlewave::lanes {

namespace {

DecibelTables makeTables() noexcept {
    DecibelTables t;
    for (int i = -19; i <= 27; ++i) {
        const float inv = static_cast<float>(1.0L / (1.0L + i / 64.0L));
        t.inverse[i + 19] = inv;
        t.logOfCentre[i + 19] = static_cast<double>(-std::log(static_cast<long double>(inv)));
    }
    for (int j = 0; j < 16; ++j)
        t.fractionPower[j] = static_cast<double>(std::exp2(static_cast<long double>(j) / 16.0L));
    return t;
}

}  // namespace

const DecibelTables& decibelTables() noexcept {
    static const DecibelTables tables = makeTables();
    return tables;
}

}  // namespace brindlewave::lanes
