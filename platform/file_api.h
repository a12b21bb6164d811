// The one door through which setup changes the files it saves and restores:
// the Quick View programs of the system's VIEWERS folder and the plug-in
// step's XCVSETUP.INI.
//
// By default each wrapper forwards to the matching Win32 call unchanged.  A
// test may install a fault hook that sees every call before the platform
// does and may answer it with an error instead (the call then does nothing,
// returns FALSE and leaves that error as the thread's last error), so that
// a failed move, or a run stopped at any file step, can be tried.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace txr::file {

enum class Op {
    Copy,    // CopyFileA
    Move,    // MoveFileA
    Delete,  // DeleteFileA
};

// What a hook is told about one call; destination is empty for Delete.
struct Call {
    Op op;
    std::string source;
    std::string destination;
};

// Returns ERROR_SUCCESS to let the call through, or the error to report
// instead of making the call.
using FaultHook = std::function<DWORD(const Call&)>;

// Installs (or, with an empty function, removes) the fault hook.
void SetFaultHook(FaultHook hook);

// CopyFileA: copies source over destination, replacing it unless
// failIfExists.  Non-zero on success.
BOOL Copy(const char* source, const char* destination, BOOL failIfExists);
// MoveFileA: renames source to destination (which must not exist).
BOOL Move(const char* source, const char* destination);
// DeleteFileA.
BOOL Delete(const char* path);

}  // namespace txr::file
