// One setup at a time on a workstation: a run of the setup (wizard,
// unattended setup, uninstall) or of the workstation update holds a named
// mutex for its whole length.  A second run that finds it held does not
// touch the workstation: an interactive one says so and ends, an unattended
// one waits for the first to end.
//
// Named kernel objects are per machine on Windows 95 and per session on
// Windows NT (per Wine server under Wine): one name for the workstation.
// The name has no backslash, since Windows 95 knows no "Global\" prefix.
#pragma once

#include <windows.h>

namespace txr {

constexpr char kSetupLockName[] = "Orbisel Workstation Setup";

// How long an unattended run waits for the running one, and how often it
// looks whether that run has ended (on the library's clock).
constexpr DWORD kSetupLockWaitMs = 10 * 60 * 1000;
constexpr DWORD kSetupLockPollMs = 250;

// Message told to an interactive run while another one is running.
constexpr int kMsgSetupAlreadyRunning = 166;
// The error log's record of an unattended run that gave up waiting: what
// failed, its effect, and the code.  The code is the installation record's
// 100, the one a setup logs when it could not run at all and wrote nothing
// (no access to the registry): this run did not run either.
constexpr int kMsgSetupLockGaveUp = 167;
constexpr int kMsgSetupLockGaveUpEffect = 168;
constexpr LONG kSetupLockGaveUpCode = 100;

// Holds the workstation's setup lock for as long as it lives.
class SetupLock {
public:
    enum Kind { kInteractive, kUnattended };

    // Takes the lock.  When another run holds it:
    // - interactive: shows message 166 (caption 152, OK) and gives up at
    //   once;
    // - unattended: looks again every 250 ms for up to ten minutes, then
    //   gives up and appends (167, 168, 100) to the error log of the
    //   product key after the records already there, and makes a status 1
    //   ("set up without errors") 2, so that status and log agree; only
    //   when that key exists (it is never created: a product key without
    //   an installation record would make the next decision see a local
    //   installation).
    // A lock left by a run that ended without releasing it (a killed
    // process) counts as free.  When no lock can be made at all (the name
    // taken by another kind of object, no resources), the run goes on
    // without one, as setup ran before there was a lock.
    explicit SetupLock(Kind kind);
    ~SetupLock();
    SetupLock(const SetupLock&) = delete;
    SetupLock& operator=(const SetupLock&) = delete;

    // True when the run may go on; false when it must end without touching
    // the workstation.
    bool mayGoOn() const { return mayGoOn_; }

private:
    enum class Attempt { Taken, Busy, NoLock };
    Attempt TryTake();

    HANDLE mutex_ = nullptr;
    bool held_ = false;
    bool mayGoOn_ = false;
};

}  // namespace txr
