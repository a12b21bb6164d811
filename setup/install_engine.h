// Setting a workstation up from the server copy and removing it again:
// every registration in its order, the installation record, the uninstall
// entry, and the product's own Quick View program in place of the
// system's.
#pragma once

namespace txr {

// Engine results.
constexpr int kEngineSetUp = 0;
constexpr int kEngineFailed = -1;

// What a failure around Quick View means for the user (the effect message).
constexpr int kMsgQuickViewEffect = 14;
// The system's Quick View program could not be moved aside: "Could not
// save the system's Quick View program", logged with the Quick View effect.
constexpr int kMsgViewerProgramNotSaved = 170;
constexpr long kCodeViewerProgramNotSaved = 1033;

// The installation record's InstallStatus values.
constexpr unsigned kInstallStatusClean = 1;
constexpr unsigned kInstallStatusWithErrors = 2;
constexpr unsigned kInstallStatusFailed = 3;

// The install sequence.  installPath is a writable 260-character text (a
// missing trailing backslash is added in place); sourcePath is recorded as
// given.  Returns 0 when set up (InstallStatus 1 or 2), -1 when a fatal
// registration failed (InstallStatus 3; the record's other values, Network
// among them, as they were before) or the product key could not be
// created at all (fatal box, nothing written).  Every failure is logged
// under the product key.
int WriteInstallation(char* installPath, const char* sourcePath);

// Puts the product's SUPPORT\QUIKVIEW.EXE (below installPath) in place of
// the system's VIEWERS\QUIKVIEW.EXE, keeping the system's program as
// QUIKVIEW.ORG (a saved program is never replaced).  Returns nonzero when
// the final copy succeeded, or when the system's program could not be
// saved (then left in place, and logged under the product key with the
// status made 2).
int ReplaceQuickView(const char* installPath);

// How ReplaceQuickView's steps went.
enum class ViewerOutcome {
    InPlace,         // the product's program was copied into place
    SystemNotSaved,  // the system's program could not be moved aside: it stays
    NotCopied,       // no system folder, no installation path, or the copy failed
                     // (a system program saved just now is put back in place)
};

// ReplaceQuickView's steps without its logging, for callers that report
// the outcome themselves.
ViewerOutcome PutProductViewerInPlace(const char* installPath);

// True when VIEWERS\QUIKVIEW.EXE holds the same bytes as SUPPORT\QUIKVIEW.EXE
// below installPath; false when either is missing or unreadable, or the
// path is null or empty.
bool ProductViewerInPlace(const char* installPath);

// Puts the saved QUIKVIEW.ORG back as QUIKVIEW.EXE.  The saved program is
// deleted only once it has been copied back.
void RestoreQuickView();

// WriteInstallation and ReplaceQuickView from the setup directory.
// Returns 1 when both succeeded, else 0.
int InstallFromServer();

// Removes the product from the workstation: integrations, the Quick View
// replacement, every registration and the product's keys.  An integration
// that could not be undone keeps its application's record and gets an
// error-log record (RecordUndoneIntegrations), so the product key then
// holds those alone.  Returns 0.
int UninstallWorkstation();

// Removes every registration and the product's keys; results are ignored.
// Returns 0.
int RemoveAllRegistrations();

// Deletes the SharedDLLs entries whose names begin with the installation
// path (ignoring case).  Nothing is deleted while the path is empty.
void PurgeSharedDlls();

}  // namespace txr
