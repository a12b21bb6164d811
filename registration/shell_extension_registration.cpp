// The context-menu handler for all files (TXRRegContextMenu) and its
// approval on Windows NT (TXRRegNTShellApproved).
#include "platform/os_version.h"
#include "platform/registry_api.h"
#include "registration/error_log.h"
#include "registration/registration_support.h"
#include "registration/registrations.h"
#include "registration/registry_primitives.h"

#include <cstring>

namespace txr::registration {
namespace {

constexpr char kContextMenuKey[] = "*\\shellex\\ContextMenuHandlers\\OrbiselMenu";
constexpr char kApprovedKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
// Both checks read the stored text into 1,024 bytes.
constexpr DWORD kCheckValueSize = 1024;

// --- TXRRegContextMenu: HKCR\*\shellex\ContextMenuHandlers\OrbiselMenu ---

constexpr FailureReport kMenuKeyFailed{7, 4, 1000, kFatal};
constexpr FailureReport kMenuValueFailed{3, 4, 1001, kFatal};
constexpr FailureReport kMenuCloseFailed{5, kMsgCloseEffect, 1002, kMinor};

int InstallContextMenu(HKEY logKey, const char*) {
    InstallReport report(logKey);
    reg::Key key;
    if (reg::Create(HKEY_CLASSES_ROOT, kContextMenuKey, kProductKeyClass, kFullAccess,
                    key.receive()) != ERROR_SUCCESS) {
        report.Fail(kMenuKeyFailed);
        return report.result();
    }
    if (reg::SetString(key.get(), "", kShellExtClassId) != ERROR_SUCCESS &&
        report.Fail(kMenuValueFailed)) {
        return report.result();
    }
    if (key.Close() != ERROR_SUCCESS) report.Fail(kMenuCloseFailed);
    return report.result();
}

void RemoveContextMenu() { DeleteKeyTree(HKEY_CLASSES_ROOT, kContextMenuKey); }

// The handler's identifier exactly, letter case included.
int CheckContextMenu(const char*) {
    reg::Key key;
    if (reg::Open(HKEY_CLASSES_ROOT, kContextMenuKey, kQueryAccess, key.receive()) !=
        ERROR_SUCCESS) {
        return kCheckWrong;
    }
    char value[kCheckValueSize];
    if (QueryRegistryString(key.get(), nullptr, value, sizeof value) != ERROR_SUCCESS) {
        return kCheckWrong;
    }
    return std::strcmp(value, kShellExtClassId) == 0 ? kCheckCorrect : kCheckWrong;
}

constexpr RegistrationModes kContextMenu{InstallContextMenu, RemoveContextMenu,
                                         CheckContextMenu, false};

// --- TXRRegNTShellApproved: HKLM\...\Shell Extensions\Approved ---
//
// Windows NT loads only the shell extensions listed there; Windows 95 has
// no such list, so there every mode succeeds without touching anything.

constexpr FailureReport kApprovedKeyFailed{9, 10, 1100, kFatal};
constexpr FailureReport kApprovedValueFailed{8, 10, 1101, kFatal};
constexpr FailureReport kApprovedCloseFailed{11, kMsgCloseEffect, 1102, kMinor};

int InstallShellApproval(HKEY logKey, const char*) {
    if (os::IsWindows95()) return kRegDone;
    InstallReport report(logKey);
    // The key belongs to the system: no class of ours, and only the right
    // that the write needs, which an administrator may grant on its own.
    reg::Key key;
    if (reg::Create(HKEY_LOCAL_MACHINE, kApprovedKey, nullptr, KEY_SET_VALUE, key.receive()) !=
        ERROR_SUCCESS) {
        report.Fail(kApprovedKeyFailed);
        return report.result();
    }
    if (reg::SetString(key.get(), kShellExtClassId, kShellExtObjectName) != ERROR_SUCCESS &&
        report.Fail(kApprovedValueFailed)) {
        return report.result();
    }
    if (key.Close() != ERROR_SUCCESS) report.Fail(kApprovedCloseFailed);
    return report.result();
}

// The uninstall withdraws the approval: once the shell extension's class is
// gone, an approval of it only misleads.  The list's key and every other
// approval in it stay; without the right to change the list nothing happens.
void RemoveShellApproval() {
    if (os::IsWindows95()) return;
    reg::Key key;
    if (reg::Open(HKEY_LOCAL_MACHINE, kApprovedKey, KEY_SET_VALUE, key.receive()) !=
        ERROR_SUCCESS) {
        return;
    }
    reg::DeleteValue(key.get(), kShellExtClassId);
}

int CheckShellApproval(const char*) {
    if (os::IsWindows95()) return kCheckCorrect;
    reg::Key key;
    if (reg::Open(HKEY_LOCAL_MACHINE, kApprovedKey, kQueryAccess, key.receive()) !=
        ERROR_SUCCESS) {
        return kCheckWrong;
    }
    char value[kCheckValueSize];
    if (QueryRegistryString(key.get(), kShellExtClassId, value, sizeof value) != ERROR_SUCCESS) {
        return kCheckWrong;
    }
    return std::strcmp(value, kShellExtObjectName) == 0 ? kCheckCorrect : kCheckWrong;
}

constexpr RegistrationModes kShellApproval{InstallShellApproval, RemoveShellApproval,
                                           CheckShellApproval, false};

}  // namespace
}  // namespace txr::registration

extern "C" int WINAPI TXRRegContextMenu(int mode, HKEY logKey, LPCSTR installPath) {
    return txr::registration::RunRegistration(mode, logKey, installPath,
                                              txr::registration::kContextMenu);
}

extern "C" int WINAPI TXRRegNTShellApproved(int mode, HKEY logKey, LPCSTR installPath) {
    return txr::registration::RunRegistration(mode, logKey, installPath,
                                              txr::registration::kShellApproval);
}
