// The front door of the library: the command line of the launcher becomes
// one run (uninstall, unattended setup, or the wizard).
#pragma once

#include <windows.h>

#include <cstddef>

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

// Room for the longest command line a process can get (32,767 characters)
// and its terminator.
constexpr std::size_t kCommandLineSize = 32768;

// One run: reads the switches (the command line may be upper-cased in
// place), takes the workstation's setup lock (setup/setup_lock.h; a run
// that does not get it ends here), shuts viewers down, then uninstalls,
// runs unattended, or opens the wizard as the switches and the
// server-version decision say.
void RunSetup(char* commandLine, const SetupRoutes& routes);

}  // namespace txr

// The export the launcher calls with its command-line tail: RunSetup with
// the library's own routines, on a copy of the text (the caller's text is
// not changed).  A command line that cannot be read, or that is longer than
// 32,767 characters, ends the call at once.  Always returns 0.
extern "C" int WINAPI TXRSetup(LPSTR commandLine);
