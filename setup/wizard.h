// The interactive setup wizard.
#pragma once

namespace txr {

// Opens the wizard with the outcome of the server-version decision and
// shows the closing message.  Returns 1.
int RunSetupWizard(int message, int advice);

}  // namespace txr
