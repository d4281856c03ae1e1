#pragma once
// Value texts as users read them.

namespace rigging {

// Removes the sign from a formatted number that shows as zero ("-0.00" becomes "0.00"): a value
// a hair below zero, such as a knob turned fully up to 0 dB through a float, must not read as
// negative. The number ends at the first character that is neither a digit nor a point.
inline void dropNegativeZero(char* text) noexcept {
    if (text[0] != '-') return;
    const char* p = text + 1;
    bool digits = false;
    for (; (*p >= '0' && *p <= '9') || *p == '.'; ++p) {
        if (*p != '0' && *p != '.') return;
        digits = digits || *p == '0';
    }
    if (!digits) return;
    for (char* q = text; (*q = q[1]) != '\0'; ++q) {
    }
}

}  // namespace rigging
