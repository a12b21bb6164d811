#include "support_tool/setup_turn.h"

#include "setup/setup_lock.h"

namespace txr::support_tool {

SetupTurn::SetupTurn(void (*onWait)()) {
    const DWORD start = GetTickCount();
    bool told = false;
    for (;;) {
        mutex_ = CreateMutexA(nullptr, FALSE, kSetupLockName);
        if (mutex_) break;
        // Made by a run under another account with rights that do not
        // admit this one: that run holds it or is about to.  Anything else:
        // no lock at all.
        if (GetLastError() != ERROR_ACCESS_DENIED) {
            mayGoOn_ = true;
            return;
        }
        if (!told) onWait();
        told = true;
        if (GetTickCount() - start >= kSetupLockWaitMs) return;
        Sleep(kSetupLockPollMs);
    }
    DWORD result = WaitForSingleObject(mutex_, 0);
    if (result == WAIT_TIMEOUT) {
        if (!told) onWait();
        const DWORD waited = GetTickCount() - start;
        result = WaitForSingleObject(mutex_, waited < kSetupLockWaitMs ? kSetupLockWaitMs - waited : 0);
    }
    switch (result) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:  // its holder ended without releasing it
        held_ = true;
        mayGoOn_ = true;
        break;
    case WAIT_TIMEOUT: break;
    default: mayGoOn_ = true; break;  // not a lock that can be waited for
    }
}

SetupTurn::~SetupTurn() {
    if (held_) ReleaseMutex(mutex_);
    if (mutex_) CloseHandle(mutex_);
}

}  // namespace txr::support_tool
