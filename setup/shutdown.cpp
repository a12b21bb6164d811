#include "setup/shutdown.h"

#include "platform/clock.h"

extern "C" int WINAPI TXRShutdown(int /*unused*/) {
    using namespace txr;
    HWND viewer = FindWindowA(kViewerWindowClass, nullptr);
    if (!viewer) return 0;
    PostMessageA(viewer, WM_CLOSE, 0, 0);

    // The viewer gets the whole wait whether or not its window goes away
    // earlier; polling in short pauses keeps the processor free meanwhile.
    constexpr DWORD kPollMs = 50;
    DWORD start = clock::TickCount();
    for (;;) {
        DWORD elapsed = clock::TickCount() - start;
        if (elapsed >= kShutdownWaitMs) break;
        DWORD left = kShutdownWaitMs - elapsed;
        clock::Pause(left < kPollMs ? left : kPollMs);
    }
    return 0;
}
