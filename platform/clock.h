// The one door through which the library reads time and waits.
//
// By default these are GetTickCount and Sleep.  A test installs a clock of
// its own so that waits of seconds take no time and tick arithmetic can be
// tried across the wrap of the 32-bit counter.
#pragma once

#include <windows.h>

namespace txr::clock {

struct Clock {
    virtual ~Clock() = default;
    virtual DWORD TickCount() = 0;
    virtual void Pause(DWORD milliseconds) = 0;
};

// Installs a clock (not owned), or the platform's again with null.
void SetClock(Clock* clock);

// Milliseconds since the system started; wraps after 49.7 days.
DWORD TickCount();
// Waits the given number of milliseconds.  What the calling thread has
// painted is on the screen before the wait begins.
void Pause(DWORD milliseconds);

}  // namespace txr::clock
