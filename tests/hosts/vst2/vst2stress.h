#pragma once
// The shared rough host as a careless VST 2.4 host runs it: the three processing callbacks at
// random, stream changes from a second thread while processing, parameters set and read from a
// third, and first a flood of events while nothing is processing.

#include "stressharness.h"
#include "vst2host.h"

namespace vst2host {

stress::Report stressWrapper(Host& host, int numParams, int blocks, unsigned seed);

}  // namespace vst2host
