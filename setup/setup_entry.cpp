#include "setup/setup_entry.h"

#include "platform/bounded_text.h"
#include "platform/prompt.h"
#include "registration/message_text.h"
#include "setup/automatic_setup.h"
#include "setup/command_line.h"
#include "setup/decision.h"
#include "setup/install_engine.h"
#include "setup/library_state.h"
#include "setup/shutdown.h"
#include "setup/wizard.h"

namespace txr {

SetupRoutes DefaultSetupRoutes() {
    return SetupRoutes{&UninstallWorkstation, &RunAutomaticSetup, &RunSetupWizard};
}

void RunSetup(char* commandLine, const SetupRoutes& routes) {
    TXRShutdown(0);

    char empty[] = "";
    CommandLineSwitches switches =
        ParseCommandLine(commandLine ? commandLine : empty, Library().setupDirectory);
    text::Copy(Library().optionsFilePath, switches.optionsFilePath);

    if (switches.uninstall) {
        if (switches.automatic) {
            routes.uninstall();
            return;
        }
        // The caption's buffer must outlive the question's: copy it.
        char caption[kMessageTextMax + 1];
        text::Copy(caption, LoadMessageText(kMsgSetupCaption));
        if (prompt::ShowMessageBox(nullptr, LoadMessageText(kMsgConfirmRemove), caption,
                                   MB_YESNO) == IDYES) {
            routes.uninstall();
            prompt::ShowMessageBox(nullptr, LoadMessageText(kMsgRemoved), caption, MB_OK);
        }
        return;
    }

    SetupDecision decision = DecideSetup(Library().setupDirectory);
    if (switches.automatic) {
        if (AllowsAutomaticSetup(decision)) routes.automaticSetup(switches.optionsFile ? 1 : 0);
        return;
    }
    routes.wizard(decision.message, decision.advice);
}

}  // namespace txr

extern "C" int WINAPI TXRSetup(LPSTR commandLine) {
    // No C++ exception may reach the launcher: a run that could not get the
    // memory it needed ends as if it had finished.
    try {
        txr::RunSetup(commandLine, txr::DefaultSetupRoutes());
    } catch (...) {
    }
    return 0;
}
