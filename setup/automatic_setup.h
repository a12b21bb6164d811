// Setting a workstation up without the wizard.
#pragma once

namespace txr {

// The unattended setup; optionsFileFound is nonzero when the command line
// named an options file (its path is in the library state).  Returns 1 when
// the install succeeded, else 0.
int RunAutomaticSetup(int optionsFileFound);

}  // namespace txr
