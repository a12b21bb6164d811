#include "platform/clock.h"

namespace txr::clock {
namespace {

Clock* g_clock = nullptr;

}  // namespace

void SetClock(Clock* clock) { g_clock = clock; }

DWORD TickCount() { return g_clock ? g_clock->TickCount() : GetTickCount(); }

void Pause(DWORD milliseconds) {
    if (g_clock) g_clock->Pause(milliseconds);
    else Sleep(milliseconds);
}

}  // namespace txr::clock
