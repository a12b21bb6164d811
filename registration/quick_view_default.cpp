// The product's viewer as Quick View's viewer for all files
// (TXRRegQuickViewDefault), and the Quick View open-command key that some
// programs look for (TXRRegQuickViewCommand).
#include "platform/bounded_text.h"
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
constexpr char kViewerName[] = "Orbisel";
// The check reads the viewer's name into 256 bytes.
constexpr DWORD kCheckValueSize = 256;

// --- TXRRegQuickViewDefault: HKCR\QuickView\*\{file viewer} ---

constexpr FailureReport kViewerKeyFailed{16, 14, 1030, kMinor};
constexpr FailureReport kViewerValueFailed{13, 14, 1031, kMinor};
constexpr FailureReport kViewerCloseFailed{15, kMsgCloseEffect, 1032, kMinor};

struct ViewerKeyPath {
    char text[64];
    ViewerKeyPath() { text::FormatTo(text, sizeof text, "QuickView\\*\\%s", kFileViewerClassId); }
};

int InstallDefaultViewer(HKEY logKey, const char*) {
    // Quick View's own name: a nicety whose failure changes nothing.  It
    // replaces the system's name only once that is saved; the viewer entry
    // below adds a key of the product's own and replaces nothing.
    if (QuickViewNameSaved()) {
        reg::Key quickView;
        if (reg::Create(HKEY_CLASSES_ROOT, kQuickViewKey, kProductKeyClass, kFullAccess,
                        quickView.receive()) == ERROR_SUCCESS) {
            reg::SetString(quickView.get(), "", kViewerName);
        }
    }

    InstallReport report(logKey);
    reg::Key viewer;
    if (reg::Create(HKEY_CLASSES_ROOT, ViewerKeyPath().text, kProductKeyClass, kFullAccess,
                    viewer.receive()) != ERROR_SUCCESS) {
        report.Fail(kViewerKeyFailed);
        return report.result();
    }
    if (reg::SetString(viewer.get(), "", kViewerName) != ERROR_SUCCESS &&
        report.Fail(kViewerValueFailed)) {
        return report.result();
    }
    if (viewer.Close() != ERROR_SUCCESS) report.Fail(kViewerCloseFailed);
    return report.result();
}

// The name of "QuickView" and the "*" entry stay: the removal of the
// takeover, which runs first, has put the saved "QuickView" back.
void RemoveDefaultViewer() { DeleteKeyTree(HKEY_CLASSES_ROOT, ViewerKeyPath().text); }

int CheckDefaultViewer(const char*) {
    reg::Key viewer;
    if (reg::Open(HKEY_CLASSES_ROOT, ViewerKeyPath().text, kQueryAccess, viewer.receive()) !=
        ERROR_SUCCESS) {
        return kCheckWrong;
    }
    char value[kCheckValueSize];
    if (QueryRegistryString(viewer.get(), nullptr, value, sizeof value) != ERROR_SUCCESS) {
        return kCheckWrong;
    }
    return std::strcmp(value, kViewerName) == 0 ? kCheckCorrect : kCheckWrong;
}

constexpr RegistrationModes kDefaultViewerModes{InstallDefaultViewer, RemoveDefaultViewer,
                                                CheckDefaultViewer, false};

// --- TXRRegQuickViewCommand: HKCR\QuickView\Shell\Open\Command ---

constexpr char kCommandKey[] = "QuickView\\Shell\\Open\\Command";
// The keys that install may have made, deepest first.
constexpr const char* kCommandKeyChain[] = {kCommandKey, "QuickView\\Shell\\Open",
                                            "QuickView\\Shell"};

constexpr FailureReport kCommandKeyFailed{113, 115, 1030, kMinor};
constexpr FailureReport kCommandCloseFailed{114, kMsgCloseEffect, 1032, kMinor};

// Only the key's presence matters; no value is written.
int InstallOpenCommand(HKEY logKey, const char*) {
    InstallReport report(logKey);
    reg::Key command;
    if (reg::Create(HKEY_CLASSES_ROOT, kCommandKey, kProductKeyClass, kFullAccess,
                    command.receive()) != ERROR_SUCCESS) {
        report.Fail(kCommandKeyFailed);
        return report.result();
    }
    if (command.Close() != ERROR_SUCCESS) report.Fail(kCommandCloseFailed);
    return report.result();
}

enum class KeyState { Missing, Empty, Occupied };

// Whether HKCR\path exists, and whether it holds values or subkeys (a key
// that cannot be looked into counts as occupied).
KeyState Inspect(const char* path) {
    reg::Key key;
    LONG status = reg::Open(HKEY_CLASSES_ROOT, path, kReadAccess, key.receive());
    if (status == ERROR_FILE_NOT_FOUND) return KeyState::Missing;
    if (status != ERROR_SUCCESS) return KeyState::Occupied;
    DWORD subkeys = 0;
    DWORD values = 0;
    if (reg::QueryInfo(key.get(), &subkeys, &values) != ERROR_SUCCESS) return KeyState::Occupied;
    return subkeys == 0 && values == 0 ? KeyState::Empty : KeyState::Occupied;
}

// The uninstall takes the open-command key away again, with the "Open" and
// "Shell" keys above it, but only as install leaves them: empty.  A key
// that holds a command, a value or another verb was someone else's (or
// came back with the saved "QuickView") and stays, with the keys above it.
// A key already gone (an earlier removal that stopped half way) lets the
// walk go on to the key above it.
void RemoveOpenCommand() {
    for (const char* path : kCommandKeyChain) {
        KeyState state = Inspect(path);
        if (state == KeyState::Occupied) return;
        if (state == KeyState::Empty && reg::DeleteKey(HKEY_CLASSES_ROOT, path) != ERROR_SUCCESS) {
            return;
        }
    }
}

int CheckOpenCommand(const char*) {
    reg::Key command;
    return reg::Open(HKEY_CLASSES_ROOT, kCommandKey, kQueryAccess, command.receive()) ==
                   ERROR_SUCCESS
               ? kCheckCorrect
               : kCheckWrong;
}

constexpr RegistrationModes kOpenCommandModes{InstallOpenCommand, RemoveOpenCommand,
                                              CheckOpenCommand, false};

}  // namespace
}  // namespace txr::registration

extern "C" int WINAPI TXRRegQuickViewDefault(int mode, HKEY logKey, LPCSTR installPath) {
    return txr::registration::RunRegistration(mode, logKey, installPath,
                                              txr::registration::kDefaultViewerModes);
}

extern "C" int WINAPI TXRRegQuickViewCommand(int mode, HKEY logKey, LPCSTR installPath) {
    return txr::registration::RunRegistration(mode, logKey, installPath,
                                              txr::registration::kOpenCommandModes);
}
