#pragma once
// Per-sample helpers must inline into their loops: a call per step costs more than the step.

#define BRINDLEWAVE_INLINE inline __attribute__((always_inline))
