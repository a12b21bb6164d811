// The switches of the setup command line.
#pragma once

#include "setup/library_state.h"

namespace txr {

struct CommandLineSwitches {
    bool automatic = false;    // unattended run (-s, /S, AUTO, or an options file)
    bool uninstall = false;    // -u, -U, /u, /U
    bool optionsFile = false;  // an options file was found: its path below
    char optionsFilePath[kPathSize] = "";
};

// Reads the switches from the launcher's command-line tail.  When none of
// the automatic switches is present the text is upper-cased in place.  An
// options file is looked for only when neither uninstall nor automatic mode
// was selected: first along the current directory, the launcher's
// directory, the system and Windows directories and the PATH, then in
// setupDirectory.  A folder of that name is no options file, and a name
// that does not fit a 260-character path is not found.
CommandLineSwitches ParseCommandLine(char* commandLine, const char* setupDirectory);

}  // namespace txr
