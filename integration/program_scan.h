// The program scan: every folder of every local fixed drive is looked
// through for the identifying files of the applications of location kind 3,
// and each application's location is settled from the folders found.
#pragma once

#include "integration/app_table.h"
#include "resources/resource_ids.h"

#include <windows.h>

#include <vector>

namespace txr {

// Controls of the window a scan reports to.
constexpr int kScanProgressBar = IDC_SCAN_PROGRESS;       // 1009, also on the General page
constexpr int kScanStatusAllApps = IDC_SCAN_STATUS;       // 1010: Program Scan page, all applications
constexpr int kScanStatusOneApp = IDC_GENERAL_LOCATION;   // 1014: General page, one application
// "Scanning drive %s..."
constexpr int kMsgScanningDrive = 62;

// The Choose Application dialog and its controls.
constexpr int kChooseApplicationDialog = IDD_CHOOSE_APPLICATION;  // 114
constexpr int kChooseApplicationText = IDC_CHOOSE_TEXT;            // 1033
constexpr int kChooseApplicationList = IDC_CHOOSE_LIST;            // 1032
// "There is more than one copy of %s on this system. ..."
constexpr int kMsgMoreThanOneCopy = 4014;

// A folder, with its trailing backslash, that holds all identifying files
// of an application.
struct FoundCopy {
    char Path[260];
};

// The folders found for one searched application, in discovery order.
struct FoundListHead {
    char Name[260];  // the application's DisplayName
    std::vector<FoundCopy> Copies;
};

// One list per table slot; a scan of one application uses the first only.
using FoundLists = FoundListHead[kAppTableCapacity];

// Scans the fixed drives for record (or, with null, for every application
// of kind 3 that has no location yet) and settles the locations found: one
// folder becomes AppPath (PathKnown 1); of several, the user chooses in the
// Choose Application dialog when window is given (no choice: PathKnown 0),
// else the first found is taken; none leaves the record as it was.  With a
// window, its progress bar 1009 counts the top-level folders of each drive
// and its status text (1010 for all applications, 1014 for one) names the
// drive.
void ScanForApps(HWND window, AppRecord* record);

// The walk alone: fills heads with every qualifying folder of the fixed
// drives, without settling anything.  With record, only heads[0] is used;
// otherwise heads[i] belongs to table record i.
void FindAppCopies(HWND window, AppRecord* record, FoundLists& heads);

// Walks folder (ending with a backslash) and everything below it, adding
// every folder that holds all identifying files of a searched application
// to its list.  Folders whose path would not fit 260 characters, links
// (reparse points) and names beginning with "." are not entered.  With a
// window, its progress bar advances once per sub-folder of folder.
void ScanFolder(const char* folder, HWND window, AppRecord* record, FoundLists& heads);

// The Choose Application dialog for head, owned by owner.  Returns the
// index in head.Copies of the folder chosen, or -1 for no choice (Cancel,
// OK without a selection, or the dialog could not be shown).
int ChooseApplication(HWND owner, const FoundListHead& head);

}  // namespace txr
