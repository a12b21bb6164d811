// The in-place update of a set-up workstation (export TXRUpdate).
#include "setup/automatic_setup.h"

#include "platform/bounded_text.h"
#include "platform/prompt.h"
#include "registration/message_text.h"
#include "registration/registry_primitives.h"
#include "setup/install_engine.h"
#include "setup/install_record.h"
#include "setup/library_state.h"
#include "setup/setup_entry.h"
#include "setup/setup_lock.h"

namespace {

constexpr int kMsgUpdateQuestion = 180;
constexpr int kMsgUpdated = 181;

int UpdateWorkstation() {
    using namespace txr;
    // The update asks its question: an interactive run, which another run
    // holding the workstation turns away.
    SetupLock lock(SetupLock::kInteractive);
    if (!lock.mayGoOn()) return 0;

    char question[kMessageTextMax + 32];
    text::FormatTo(question, sizeof question, LoadMessageText(kMsgUpdateQuestion),
                   static_cast<int>(kReleaseMajor), static_cast<int>(kReleaseMinor),
                   static_cast<int>(kReleaseSub));

    DWORD flags = 0, major = 0, minor = 0, sub = 0;
    char installPath[kPathSize] = "";
    TXRGetRegInfo(&flags, &major, &minor, &sub, installPath);
    // Without a recorded installation path the update would write an empty
    // path into every registration and into the record: there is nothing
    // to update.
    if (installPath[0] == '\0' || !AppendBackslash(installPath)) return 0;

    char caption[kMessageTextMax + 1];
    text::Copy(caption, LoadMessageText(kMsgSetupCaption));
    if (prompt::ShowMessageBox(nullptr, question, caption, MB_YESNO) != IDYES) return 0;

    if (WriteInstallation(installPath, installPath) == kEngineSetUp) {
        ReplaceQuickView(installPath);
        char done[kMessageTextMax + 32];
        text::FormatTo(done, sizeof done, LoadMessageText(kMsgUpdated),
                       static_cast<int>(kReleaseMajor), static_cast<int>(kReleaseMinor),
                       static_cast<int>(kReleaseSub));
        prompt::ShowMessageBox(nullptr, done, caption, MB_OK);
    }
    return 1;
}

}  // namespace

extern "C" int WINAPI TXRUpdate(void) {
    // No C++ exception may reach the calling program.
    try {
        return UpdateWorkstation();
    } catch (...) {
        return 0;
    }
}
