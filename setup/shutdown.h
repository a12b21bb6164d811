// Closing running viewer instances before a setup run.
#pragma once

#include <windows.h>

namespace txr {

// Window class of a running viewer's main window.
constexpr const char* kViewerWindowClass = "TxrManWnd";
// How long a setup run gives a viewer to end.
constexpr DWORD kShutdownWaitMs = 5000;

}  // namespace txr

// Posts WM_CLOSE to a top-level window of the class TxrManWnd, if there is
// one, and then waits 5 seconds (tick differences taken unsigned, so the
// wait survives the counter's wrap).  Returns 0 at once when no viewer runs;
// always returns 0.  The argument is ignored.
extern "C" int WINAPI TXRShutdown(int unused);
