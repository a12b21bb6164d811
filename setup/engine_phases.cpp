#include "setup/engine_phases.h"

#include <utility>

namespace txr {
namespace {

PhaseHook& Hook() {
    static PhaseHook hook;
    return hook;
}

}  // namespace

void SetPhaseHook(PhaseHook hook) { Hook() = std::move(hook); }

void BeginPhase(const char* phase) {
    if (Hook()) Hook()(phase);
}

}  // namespace txr
