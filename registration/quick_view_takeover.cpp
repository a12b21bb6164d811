// TXRRegQuickView: takes Quick View over from the system's viewer.
//
// HKCR\QuickView holds one entry per file extension (".txt") and "*" for
// all files, each with a subkey named by the class identifier of a viewer.
// Install removes the entries that the system viewer serves, and "*", so
// that the product's viewer (registered for "*" by TXRRegQuickViewDefault)
// serves them; entries of other viewers stay.  Install saves the whole key
// as HKCR\QuickView.Original first and takes nothing over without a whole
// saved copy; removal puts that copy back.
#include "platform/registry_api.h"
#include "registration/error_log.h"
#include "registration/quick_view_saved_copy.h"
#include "registration/registration_support.h"
#include "registration/registrations.h"
#include "registration/registry_primitives.h"

#include <cstring>

namespace txr::registration {
namespace {

constexpr char kQuickViewKey[] = "QuickView";
constexpr char kSavedQuickViewKey[] = "QuickView.Original";

constexpr FailureReport kQuickViewCloseFailed{12, kMsgCloseEffect, 1021, kMinor};
// The takeover left out for want of a whole saved copy: "Could not add
// Quick View's default viewer entry", and what that means for the user.
constexpr FailureReport kTakeoverLeftOut{13, 14, 1031, kMinor};

// An extension entry belongs to the system viewer when it has no viewer
// subkey at all or when its first one is the system viewer's identifier
// (compared exactly).  An entry that cannot be opened or read is left to
// whoever owns it: only "no subkey" counts as none.  The entry stays open
// in entry for the caller.
bool IsSystemViewerEntry(HKEY quickView, const char* name, REGSAM access, reg::Key& entry) {
    if (reg::Open(quickView, name, access, entry.receive()) != ERROR_SUCCESS) return false;
    char viewer[kKeyNameSize];
    DWORD length = sizeof viewer;
    LONG status = reg::EnumKey(entry.get(), 0, viewer, &length);
    if (status == ERROR_NO_MORE_ITEMS) return true;
    return status == ERROR_SUCCESS && std::strcmp(viewer, kSystemViewerClassId) == 0;
}

// Entries to remove: the system viewer's extension entries (left open in
// entry) and "*".
bool IsMarked(HKEY quickView, const char* name, reg::Key& entry) {
    if (name[0] == '.') return IsSystemViewerEntry(quickView, name, kFullAccess, entry);
    return name[0] == '*';
}

// Removes every marked entry.  A removal shifts the entries after it down
// by one, and every entry before the current index has already been found
// unmarked (nothing here changes those), so after a removal the walk looks
// at the same index again instead of starting over at the first entry: the
// same entries go as with a walk that starts over, in a single pass.  An
// entry that is still there after its removal (no right to delete it) is
// stepped over, so the walk always ends.
void RemoveMarkedEntries(HKEY quickView) {
    char removed[kKeyNameSize] = "";  // the entry just removed, if any
    DWORD index = 0;
    for (;;) {
        char name[kKeyNameSize];
        DWORD length = sizeof name;
        if (reg::EnumKey(quickView, index, name, &length) != ERROR_SUCCESS) break;
        if (removed[0] != '\0' && std::strcmp(name, removed) == 0) {
            removed[0] = '\0';  // survived its removal
            ++index;
            continue;
        }
        removed[0] = '\0';
        reg::Key entry;
        if (IsMarked(quickView, name, entry)) {
            // An entry opened for its test is deleted through that handle.
            if (entry) {
                DeleteOpenKeyTree(quickView, name, entry);
            } else {
                DeleteKeyTree(quickView, name);
            }
            std::memcpy(removed, name, length + 1);
        } else {
            ++index;
        }
    }
}

// The same removal when the save has just found every entry and its viewer
// subkeys (a known shape of QuickView): the marks are taken from what the
// save read, with the same rules, instead of reading every entry again, and
// the marked entries are deleted in the same order.
void RemoveMarkedEntries(HKEY quickView, const KeyShape& entries) {
    for (const KeyShape& entry : entries.subkeys) {
        const char* name = entry.name.c_str();
        bool systemViewer = entry.subkeys.empty() || entry.subkeys.front().name == kSystemViewerClassId;
        if (name[0] == '*' || (name[0] == '.' && systemViewer)) {
            DeleteKnownKeyTree(quickView, name, entry);
        }
    }
}

int Install(HKEY logKey, const char*) {
    InstallReport report(logKey);
    reg::Key quickView;
    // QuickView itself is only read and its entries deleted by name, for
    // which the system asks no right of the parent's handle: read access,
    // so that a key the user may not write is still taken over.
    LONG opened = reg::Open(HKEY_CLASSES_ROOT, kQuickViewKey, kReadAccess, quickView.receive());
    if (opened == ERROR_FILE_NOT_FOUND) {
        return kRegDone;  // no Quick View on this system: nothing to save or take over
    }
    // The walk removes the system's entries: never without a whole saved
    // copy to restore them from.
    KeyShape saved;
    if (opened != ERROR_SUCCESS || !SaveQuickViewBeforeTakeover(quickView.get(), &saved)) {
        report.Fail(kTakeoverLeftOut);
        return report.result();
    }
    if (saved.known) {
        RemoveMarkedEntries(quickView.get(), saved);
    } else {
        RemoveMarkedEntries(quickView.get());
    }
    if (quickView.Close() != ERROR_SUCCESS) report.Fail(kQuickViewCloseFailed);
    return report.result();
}

// Merges the saved key back.  The saved copy is deleted only once it is
// wholly merged: if "QuickView" cannot be written, the copy is all that is
// left of the system's registration and stays for a later removal.
void Remove() {
    reg::Key saved;
    KeyShape shape;
    if (reg::Open(HKEY_CLASSES_ROOT, kSavedQuickViewKey, kFullAccess, saved.receive()) ==
            ERROR_SUCCESS &&
        CopyOpenKeyTreeWhole(saved.get(), HKEY_CLASSES_ROOT, kQuickViewKey, &shape) ==
            ERROR_SUCCESS) {
        DeleteKnownKeyTree(HKEY_CLASSES_ROOT, kSavedQuickViewKey, shape, &saved);
    }
}

// 4 when any extension entry still belongs to the system viewer; "*" and
// other names are not examined.  No "QuickView" at all is correct.
int Check(const char*) {
    reg::Key quickView;
    if (reg::Open(HKEY_CLASSES_ROOT, kQuickViewKey, kReadAccess, quickView.receive()) !=
        ERROR_SUCCESS) {
        return kCheckCorrect;
    }
    int result = kCheckCorrect;
    for (DWORD index = 0;; ++index) {
        char name[kKeyNameSize];
        DWORD length = sizeof name;
        if (reg::EnumKey(quickView.get(), index, name, &length) != ERROR_SUCCESS) break;
        reg::Key entry;
        if (name[0] == '.' && IsSystemViewerEntry(quickView.get(), name, kReadAccess, entry)) {
            result = kCheckWrong;
        }
    }
    return result;
}

constexpr RegistrationModes kQuickViewModes{Install, Remove, Check, false};

}  // namespace
}  // namespace txr::registration

extern "C" int WINAPI TXRRegQuickView(int mode, HKEY logKey, LPCSTR installPath) {
    return txr::registration::RunRegistration(mode, logKey, installPath,
                                              txr::registration::kQuickViewModes);
}
