#pragma once
// Units side by side in the four lanes of an SSE vector: a value of each lane's unit gathered into
// a vector, a vector's lanes handed back to their units, and lane masks.

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

}  // namespace brindlewave::lanes
