// Where the install sequence and the uninstall go from one phase to the
// next, for a profiler.  By default nothing listens and a phase costs one
// test of an empty function; a benchmark installs a hook to count the
// registry calls of each phase (with the registry seam's fault hook) and to
// time it.
#pragma once

#include <functional>

namespace txr {

// Called with the name of each phase as it begins, and with null once the
// sequence has ended.  The names are static texts.
using PhaseHook = std::function<void(const char* phase)>;

// Installs the hook, or removes it with an empty function.
void SetPhaseHook(PhaseHook hook);

// Tells the hook, if any, that the named phase begins (null: the sequence
// has ended).
void BeginPhase(const char* phase);

}  // namespace txr
