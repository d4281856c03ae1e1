#pragma once
// Units side by side in the four lanes of an SSE vector: a value of each lane's unit gathered into
// a vector, lane masks, and the state of four-lane sections taken from their units, handed back,
// cleared and restored lane by lane.

#include <emmintrin.h>

namespace brindlewave::lanes {

// field(unit) for each lane's unit; 0 in a lane without one.
template <class Unit, class Field>
__m128 gather(Unit* const (&lane)[4], Field field) noexcept {
    alignas(16) float v[4];
    for (int i = 0; i < 4; ++i) v[i] = lane[i] ? field(*lane[i]) : 0.0f;
    return _mm_load_ps(v);
}

// All bits set in the lanes whose bit (1 << lane) is set in `bits`.
inline __m128 laneMask(int bits) noexcept {
    return _mm_castsi128_ps(
        _mm_set_epi32(bits & 8 ? -1 : 0, bits & 4 ? -1 : 0, bits & 2 ? -1 : 0, bits & 1 ? -1 : 0));
}

// a in the lanes of `mask`, b in the others.
inline __m128 select(__m128 mask, __m128 a, __m128 b) noexcept {
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

// A kind of four-lane section L (Section4, StateVariable4) says, next to its arithmetic, which of
// its vectors hold state and how a unit's state maps onto them: its Unit type, kStateVectors,
// stateVector(i), and the static unitState(unit, i) and setUnitState(unit, values).
template <class L>
using UnitMap = typename L::Unit* [4];  // the unit of each lane; null for an idle lane

// The units' state into the lanes (idle lanes: zeros).
template <class L>
void loadState(L& s, const UnitMap<L>& lane) noexcept {
    for (int i = 0; i < L::kStateVectors; ++i)
        s.stateVector(i) =
            gather(lane, [i](const typename L::Unit& q) { return L::unitState(q, i); });
}

// The lanes' state back into their units.
template <class L>
void storeState(const L& s, const UnitMap<L>& lane) noexcept {
    alignas(16) float v[L::kStateVectors][4];
    for (int i = 0; i < L::kStateVectors; ++i) _mm_store_ps(v[i], s.stateVector(i));
    for (int l = 0; l < 4; ++l) {
        if (!lane[l]) continue;
        float unit[L::kStateVectors];
        for (int i = 0; i < L::kStateVectors; ++i) unit[i] = v[i][l];
        L::setUnitState(*lane[l], unit);
    }
}

// Zeros the state of the lanes whose bit is set.
template <class L>
void clearLanes(L& s, int lanes) noexcept {
    const __m128 m = laneMask(lanes);
    for (int i = 0; i < L::kStateVectors; ++i)
        s.stateVector(i) = _mm_andnot_ps(m, s.stateVector(i));
}

// The state of the lanes whose bit is set back to what `before` holds.
template <class L>
void restoreLanes(L& s, const L& before, int lanes) noexcept {
    const __m128 m = laneMask(lanes);
    for (int i = 0; i < L::kStateVectors; ++i)
        s.stateVector(i) = select(m, before.stateVector(i), s.stateVector(i));
}

}  // namespace brindlewave::lanes
