// Setting a workstation up from the server copy and removing it again:
// every registration in its order, the installation record, the uninstall
// entry, and the product's own Quick View program in place of the
// system's.
#pragma once

namespace txr {

// Engine results.
constexpr int kEngineSetUp = 0;
constexpr int kEngineFailed = -1;

// The installation record's InstallStatus values.
constexpr unsigned kInstallStatusClean = 1;
constexpr unsigned kInstallStatusWithErrors = 2;
constexpr unsigned kInstallStatusFailed = 3;

// The install sequence.  installPath is a writable 260-character text (a
// missing trailing backslash is added in place); sourcePath is recorded as
// given.  Returns 0 when set up (InstallStatus 1 or 2), -1 when a fatal
// registration failed (InstallStatus 3) or the product key could not be
// created at all (fatal box, nothing written).  Every failure is logged
// under the product key.
int WriteInstallation(char* installPath, const char* sourcePath);

// Puts the product's SUPPORT\QUIKVIEW.EXE (below installPath) in place of
// the system's VIEWERS\QUIKVIEW.EXE, keeping the system's program as
// QUIKVIEW.ORG (a saved program is never replaced).  Returns nonzero when
// the final copy succeeded.
int ReplaceQuickView(const char* installPath);

// Puts the saved QUIKVIEW.ORG back as QUIKVIEW.EXE.  The saved program is
// deleted only once it has been copied back.
void RestoreQuickView();

// WriteInstallation and ReplaceQuickView from the setup directory.
// Returns 1 when both succeeded, else 0.
int InstallFromServer();

// Removes the product from the workstation: integrations, the Quick View
// replacement, every registration and the product's keys.  Returns 0.
int UninstallWorkstation();

// Removes every registration and the product's keys; results are ignored.
// Returns 0.
int RemoveAllRegistrations();

// Deletes the SharedDLLs entries whose names begin with the installation
// path (ignoring case).  Nothing is deleted while the path is empty.
void PurgeSharedDlls();

}  // namespace txr
