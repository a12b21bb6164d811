// Process-wide state of the setup library, set when the library is loaded
// and by each run of the setup before anything else uses it.
#pragma once

#include <windows.h>

namespace txr {

constexpr int kPathSize = 260;

// Version of the library itself; the install records it and the update
// announces it.
constexpr DWORD kReleaseMajor = 4;
constexpr DWORD kReleaseMinor = 5;
constexpr DWORD kReleaseSub = 0;

struct LibraryState {
    // The library's own module: dialogs, bitmaps and message texts.
    HMODULE module = nullptr;
    // Folder the library was loaded from, with its trailing separator: the
    // product root on the server (TXRNET.INI, PROGRAM\, SUPPORT\).
    char setupDirectory[kPathSize] = "";
    // The setup directory followed by "..\Help".
    char helpFilePath[kPathSize] = "";
    // Product root that the current run installs from (trailing backslash).
    char installPath[kPathSize] = "";
    // Options file named on the command line of an unattended run.
    char optionsFilePath[kPathSize] = "";
};

// The one instance, owned by the setup entry.
LibraryState& Library();

// What happens when the library is attached to a process: records the
// module, the setup directory (the module's file name cut after its last
// backslash or colon) and the help file path.  The test programs call it
// with their own module, which carries the same resources.
void OnLibraryAttach(HMODULE module);

// Sets the installation path to the setup directory, as every run does
// before anything else.
void ResetInstallPathToSetupDirectory();

}  // namespace txr
