#include "setup/setup_lock.h"

#include "platform/bounded_text.h"
#include "platform/clock.h"
#include "platform/prompt.h"
#include "platform/registry_api.h"
#include "registration/error_log.h"
#include "registration/message_text.h"
#include "registration/registry_primitives.h"
#include "setup/install_engine.h"
#include "setup/install_record.h"
#include "setup/setup_entry.h"

namespace txr {
namespace {

void TellSetupIsRunning() {
    char caption[kMessageTextMax + 1];
    text::Copy(caption, LoadMessageText(kMsgSetupCaption));
    prompt::ShowMessageBox(nullptr, LoadMessageText(kMsgSetupAlreadyRunning), caption, MB_OK);
}

// This run has logged nothing: numbered from this loading's counter, its
// record would take the place of the last setup's first one.  It goes
// after them, and a status that says "no errors" would then disagree with
// the log, so it says "with errors", as after a Quick View program that
// could not be saved.  A missing status is left missing: the run that holds
// the lock may be writing the record right now.
void RecordGaveUp() {
    reg::Key product;
    if (reg::Open(HKEY_LOCAL_MACHINE, kProductKeyPath, kFullAccess, product.receive()) !=
            ERROR_SUCCESS ||
        !AppendErrorRecord(product.get(), kMsgSetupLockGaveUp, kMsgSetupLockGaveUpEffect,
                           kSetupLockGaveUpCode)) {
        return;
    }
    DWORD status = 0;
    if (QueryRegistryDword(product.get(), "InstallStatus", &status) == ERROR_SUCCESS &&
        status == kInstallStatusClean) {
        reg::SetDword(product.get(), "InstallStatus", kInstallStatusWithErrors);
    }
}

}  // namespace

SetupLock::SetupLock(Kind kind) {
    DWORD start = clock::TickCount();
    for (;;) {
        Attempt attempt = TryTake();
        if (attempt != Attempt::Busy) {
            mayGoOn_ = true;
            return;
        }
        if (kind == kInteractive) {
            TellSetupIsRunning();
            return;
        }
        // Tick differences taken unsigned survive the counter's wrap.
        if (clock::TickCount() - start >= kSetupLockWaitMs) {
            RecordGaveUp();
            return;
        }
        clock::Pause(kSetupLockPollMs);
    }
}

SetupLock::~SetupLock() {
    if (held_) ReleaseMutex(mutex_);
    if (mutex_) CloseHandle(mutex_);
}

SetupLock::Attempt SetupLock::TryTake() {
    if (!mutex_) {
        mutex_ = CreateMutexA(nullptr, FALSE, kSetupLockName);
        if (!mutex_) {
            // A run under another account (a login script as a service, an
            // administrator) made it with rights that do not admit us: it is
            // there, so that run holds it or is about to.
            return GetLastError() == ERROR_ACCESS_DENIED ? Attempt::Busy : Attempt::NoLock;
        }
    }
    switch (WaitForSingleObject(mutex_, 0)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:  // its holder ended without releasing it
        held_ = true;
        return Attempt::Taken;
    case WAIT_TIMEOUT: return Attempt::Busy;
    default: return Attempt::NoLock;
    }
}

}  // namespace txr
