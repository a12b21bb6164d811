// Setting a workstation up without the wizard: the unattended setup, and
// the in-place update of a set-up workstation.
#pragma once

#include <windows.h>

namespace txr {

// The unattended setup: install, find and integrate the applications (all
// eligible ones, or as the options file's Integrations section says), and
// configure the plug-ins through XCVSETUP.INI in the Windows directory.
// optionsFileFound is nonzero when the command line named an options file
// (its path is in the library state).  Returns 1 when the install
// succeeded, else 0 (then nothing else is done).
int RunAutomaticSetup(int optionsFileFound);

}  // namespace txr

// The workstation update, called by another program after the server copy
// was upgraded: asks once (Yes/No) and rewrites the registrations and the
// record in place with the recorded installation path.  Returns 1 when the
// user chose to update (whether or not it succeeded), 0 when the user
// declined, when the workstation has no installation record to update, and
// when another setup run holds the workstation (message 166 is shown then,
// setup/setup_lock.h).
extern "C" int WINAPI TXRUpdate(void);
