#include "setup/setup_entry.h"

#include "platform/bounded_text.h"
#include "platform/fault_guard.h"
#include "platform/prompt.h"
#include "registration/message_text.h"
#include "setup/automatic_setup.h"
#include "setup/command_line.h"
#include "setup/decision.h"
#include "setup/install_engine.h"
#include "setup/library_state.h"
#include "setup/setup_lock.h"
#include "setup/shutdown.h"
#include "setup/wizard.h"

#include <vector>

namespace txr {

SetupRoutes DefaultSetupRoutes() {
    return SetupRoutes{&UninstallWorkstation, &RunAutomaticSetup, &RunSetupWizard};
}

void RunSetup(char* commandLine, const SetupRoutes& routes) {
    char empty[] = "";
    CommandLineSwitches switches =
        ParseCommandLine(commandLine ? commandLine : empty, Library().setupDirectory);

    // The lock comes before the viewers are asked to close: a run that may
    // not go on leaves the user's viewers alone too, and a run that waited
    // closes the viewers started in the meantime.
    SetupLock lock(switches.automatic ? SetupLock::kUnattended : SetupLock::kInteractive);
    if (!lock.mayGoOn()) return;
    TXRShutdown(0);
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
    using namespace txr;
    // No C++ exception may reach the launcher: a run that could not get the
    // memory it needed ends as if it had finished.
    try {
        // The run works on its own copy of the caller's text, taken under the
        // fault guard: a command line that cannot be read (or is longer than
        // any process's) ends the run before it has done anything.
        std::vector<char> line(kCommandLineSize);
        switch (guard::CopyTextIn(commandLine, line.data(), line.size())) {
        case guard::TextIn::Copied: RunSetup(line.data(), DefaultSetupRoutes()); break;
        case guard::TextIn::Absent: RunSetup(nullptr, DefaultSetupRoutes()); break;
        case guard::TextIn::TooLong:
        case guard::TextIn::Unreadable: break;
        }
    } catch (...) {
    }
    return 0;
}
