#include "integration/program_scan.h"

#include "platform/bounded_text.h"
#include "platform/file_find.h"
#include "registration/message_text.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace txr {
namespace {

// Every path of the walk is built in a buffer of the platform's path length:
// the folder, then "*.*" or a sub-folder's name and "\".
constexpr std::size_t kScanPathSize = MAX_PATH;

template <std::size_t N, std::size_t M>
void CopyField(char (&destination)[N], const char (&field)[M]) {
    std::size_t length = std::min(strnlen(field, M), N - 1);
    std::memcpy(destination, field, length);
    destination[length] = '\0';
}

std::uint32_t NameCount(const AppRecord& record) {
    return std::min<std::uint32_t>(record.FileNameCount, kAiFileNameMax);
}

// Step 2 of every folder: which applications are looked for in it, and how
// many of their names are still to be seen.  In a scan of all applications
// only those of kind 3 without a location are.
void ArmCounters(AppRecord* record) {
    if (record) {
        record->ScanRemaining = NameCount(*record);
        return;
    }
    AppTable& table = Apps();
    for (std::uint32_t i = 0; i < table.AppCount; ++i) {
        AppRecord& candidate = table.Records[i];
        bool searched = LocationKind(candidate) == kKindFoundByScan && !candidate.PathKnown;
        candidate.ScanRemaining = searched ? NameCount(candidate) : 0;
    }
}

bool IsCandidate(const AppRecord& record) {
    return record.ScanRemaining != 0 && record.FileNameCount > 0;
}

void AddCopy(FoundListHead& head, const char* folder) {
    FoundCopy copy;
    text::Copy(copy.Path, folder);
    head.Copies.push_back(copy);
}

// Compares one file name (length characters) with candidate's identifying
// names.  seen keeps, per folder, which of the names have shown up: a name
// counts once however many entries match it (a case-sensitive file system
// may hold both "app.exe" and "APP.EXE").
void MatchName(AppRecord& candidate, std::uint8_t& seen, const char* name, std::size_t length,
               FoundListHead& head, const char* folder) {
    const std::uint32_t count = NameCount(candidate);
    for (std::uint32_t j = 0; j < count; ++j) {
        const std::uint8_t bit = static_cast<std::uint8_t>(1u << j);
        if (seen & bit) continue;
        const char* wanted = candidate.FileNames[j];
        // Equal length first: cheap, and an unterminated name never passes.
        if (strnlen(wanted, kAiFileNameSize) != length) continue;
        if (lstrcmpiA(name, wanted) != 0) continue;
        seen |= bit;
        if (--candidate.ScanRemaining == 0) {
            AddCopy(head, folder);
            return;
        }
    }
}

void MatchFile(const char* name, const char* folder, AppRecord* record, FoundLists& heads,
               std::uint8_t (&seen)[kAppTableCapacity]) {
    const std::size_t length = strnlen(name, MAX_PATH);
    if (length >= kAiFileNameSize) return;  // longer than any identifying name
    if (record) {
        if (IsCandidate(*record)) MatchName(*record, seen[0], name, length, heads[0], folder);
        return;
    }
    AppTable& table = Apps();
    for (std::uint32_t i = 0; i < table.AppCount; ++i) {
        AppRecord& candidate = table.Records[i];
        if (IsCandidate(candidate)) MatchName(candidate, seen[i], name, length, heads[i], folder);
    }
}

// Folders the walk enters.  Names beginning with "." are passed over (also
// "." and ".." themselves).  So are links: a junction, or under Wine a
// symbolic link of the host's file system, may lead back to an ancestor and
// would otherwise be walked round until the path no longer fits.
bool IsWalkedFolder(const WIN32_FIND_DATAA& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && entry.cFileName[0] != '.' &&
           !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

unsigned CountWalkedFolders(const char* root) {
    char pattern[kScanPathSize];
    if (!text::FormatTo(pattern, sizeof pattern, "%s*.*", root)) return 0;
    unsigned count = 0;
    FileFind listing(pattern);
    if (!listing.ok()) return 0;
    do {
        if (IsWalkedFolder(listing.entry())) ++count;
    } while (listing.Next());
    return count;
}

void ShowScanStatus(HWND window, int control, const char* root) {
    char status[512];
    text::FormatTo(status, sizeof status, LoadMessageText(kMsgScanningDrive), root);
    SetDlgItemTextA(window, control, status);
    // The walk pumps no messages: paint the line and the bar as they change.
    if (HWND item = GetDlgItem(window, control)) UpdateWindow(item);
}

void AdvanceProgress(HWND window) {
    SendDlgItemMessageA(window, kScanProgressBar, PBM_DELTAPOS, 1, 0);
    if (HWND bar = GetDlgItem(window, kScanProgressBar)) UpdateWindow(bar);
}

// Step 4 of the scan for one application.
void SettleLocation(AppRecord& target, const FoundListHead& head, HWND window) {
    if (head.Copies.empty()) return;
    int chosen = 0;
    if (head.Copies.size() > 1 && window) chosen = ChooseApplication(window, head);
    if (chosen < 0) {
        target.PathKnown = 0;
        return;
    }
    CopyField(target.AppPath, head.Copies[static_cast<std::size_t>(chosen)].Path);
    target.PathKnown = 1;
}

}  // namespace

void ScanFolder(const char* folder, HWND window, AppRecord* record, FoundLists& heads) {
    if (Apps().AppCount == 0) return;
    ArmCounters(record);

    char pattern[kScanPathSize];
    if (!text::FormatTo(pattern, sizeof pattern, "%s*.*", folder)) return;

    // One listing serves both passes: the files are matched as they come,
    // the sub-folders are noted (in listing order) and walked once the
    // files are done, so this folder's finding still comes before any of
    // its sub-folders'.  The listing is closed before the walk goes deeper.
    std::string subFolders;  // names, each followed by its terminator
    std::uint8_t seen[kAppTableCapacity] = {};
    {
        FileFind listing(pattern);
        if (!listing.ok()) return;
        do {
            const WIN32_FIND_DATAA& entry = listing.entry();
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (IsWalkedFolder(entry)) subFolders.append(entry.cFileName).push_back('\0');
            } else {
                MatchFile(entry.cFileName, folder, record, heads, seen);
            }
        } while (listing.Next());
    }

    for (std::size_t at = 0; at < subFolders.size();) {
        const char* name = subFolders.c_str() + at;
        at += std::strlen(name) + 1;
        // A path that does not fit is not entered: the walk does not
        // follow a tree below the platform's path length.
        char child[kScanPathSize];
        if (text::FormatTo(child, sizeof child, "%s%s\\", folder, name)) {
            ScanFolder(child, nullptr, record, heads);
        }
        if (window) AdvanceProgress(window);
    }
}

void FindAppCopies(HWND window, AppRecord* record, FoundLists& heads) {
    AppTable& table = Apps();
    for (FoundListHead& head : heads) {
        head.Name[0] = '\0';
        head.Copies.clear();
    }
    if (record) {
        CopyField(heads[0].Name, record->DisplayName);
    } else {
        for (std::uint32_t i = 0; i < table.AppCount; ++i) {
            CopyField(heads[i].Name, table.Records[i].DisplayName);
        }
    }

    char roots[255];
    DWORD length = GetLogicalDriveStringsA(sizeof roots, roots);
    if (length == 0 || length >= sizeof roots) return;
    const int statusControl = record ? kScanStatusOneApp : kScanStatusAllApps;
    for (const char* root = roots; *root; root += std::strlen(root) + 1) {
        if (GetDriveTypeA(root) != DRIVE_FIXED) continue;
        if (window) {
            // The bar's range is 16 bits wide: the count wraps beyond.
            unsigned count = CountWalkedFolders(root);
            SendDlgItemMessageA(window, kScanProgressBar, PBM_SETRANGE, 0,
                                MAKELPARAM(0, static_cast<WORD>(count & 0xFFFF)));
            SendDlgItemMessageA(window, kScanProgressBar, PBM_SETPOS, 0, 0);
            ShowScanStatus(window, statusControl, root);
        }
        ScanFolder(root, window, record, heads);
    }
}

void ScanForApps(HWND window, AppRecord* record) {
    FoundLists heads;
    FindAppCopies(window, record, heads);

    if (record) {
        SettleLocation(*record, heads[0], window);
    } else {
        AppTable& table = Apps();
        for (std::uint32_t i = 0; i < table.AppCount; ++i) {
            SettleLocation(table.Records[i], heads[i], window);
        }
    }
    if (window) SendDlgItemMessageA(window, kScanProgressBar, PBM_SETPOS, 0, 0);
}

}  // namespace txr
