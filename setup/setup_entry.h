// The front door of the library: the command line of the launcher becomes
// one run (uninstall, unattended setup, or the wizard).
#pragma once

#include <windows.h>

namespace txr {

// Messages of the uninstall confirmation.
constexpr int kMsgSetupCaption = 152;
constexpr int kMsgConfirmRemove = 154;
constexpr int kMsgRemoved = 155;

// Where a run goes.  The setup entry uses the real routines; a test may
// hand in routines of its own to see which one a command line leads to.
struct SetupRoutes {
    int (*uninstall)();
    int (*automaticSetup)(int optionsFileFound);
    int (*wizard)(int message, int advice);
};

// The routines of the library itself.
SetupRoutes DefaultSetupRoutes();

// One run: shuts viewers down, reads the switches (the command line may be
// upper-cased in place), then uninstalls, runs unattended, or opens the
// wizard as the switches and the server-version decision say.
void RunSetup(char* commandLine, const SetupRoutes& routes);

}  // namespace txr

// The export the launcher calls with its command-line tail: RunSetup with
// the library's own routines.  Always returns 0.
extern "C" int WINAPI TXRSetup(LPSTR commandLine);
