// The support tool takes its turn with setup runs on the workstation.
//
// A setup, uninstall or update holds the workstation's setup lock (the
// named mutex of setup/setup_lock.h) for its whole length.  The tool holds
// the same lock while it checks, repairs and writes its report, so that it
// never describes or repairs a half-done setup, and a setup that starts
// meanwhile waits for it.  It waits for a running setup as an unattended
// setup does, and gives up after the same ten minutes.  Windows 95's
// COMMAND.COM does not wait for a Windows program in a batch file, so the
// two lines of a login script can run at once.
#pragma once

#include <windows.h>

namespace txr::support_tool {

class SetupTurn {
public:
    // Takes the lock, waiting up to ten minutes while another run holds it
    // (onWait is called once when it has to wait).  A lock left by a run
    // that ended without releasing it counts as free; when no lock can be
    // made at all, the tool goes on without one, as setup does.
    explicit SetupTurn(void (*onWait)());
    ~SetupTurn();
    SetupTurn(const SetupTurn&) = delete;
    SetupTurn& operator=(const SetupTurn&) = delete;

    // False when a setup kept the lock for ten minutes: the tool must then
    // read and change nothing.
    bool mayGoOn() const { return mayGoOn_; }

private:
    HANDLE mutex_ = nullptr;
    bool held_ = false;
    bool mayGoOn_ = false;
};

}  // namespace txr::support_tool
