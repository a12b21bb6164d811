#include "platform/clock.h"

namespace txr::clock {
namespace {

Clock* g_clock = nullptr;

}  // namespace

void SetClock(Clock* clock) { g_clock = clock; }

DWORD TickCount() { return g_clock ? g_clock->TickCount() : GetTickCount(); }

void Pause(DWORD milliseconds) {
    if (g_clock) {
        g_clock->Pause(milliseconds);
        return;
    }
    // The pauses of the wizard follow a progress line or bar that was just
    // painted, on the thread that owns the window.  Wine puts a thread's
    // painting on the screen only when the thread looks at its input queue
    // (or has been busy for a while), which a sleeping thread never does:
    // without this look the line stays invisible for the whole pause.  On
    // Windows painting is on the screen at once and the look costs nothing.
    GetInputState();
    Sleep(milliseconds);
}

}  // namespace txr::clock
