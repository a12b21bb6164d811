#include "registration/shortcuts.h"

#include "platform/bounded_text.h"
#include "platform/com_object.h"
#include "platform/fault_guard.h"
#include "platform/os_version.h"
#include "registration/message_text.h"
#include "registration/registry_primitives.h"

#include <shlobj.h>

#include <optional>

namespace txr {
namespace {

constexpr char kProfileOfAllUsers[] = "Profiles\\All Users\\";
constexpr char kGroupFolder[] = "Start Menu\\Programs\\Orbisel";
constexpr char kGroupShortcut[] = "%sStart Menu\\Programs\\Orbisel\\%s.lnk";
constexpr char kStartUpShortcut[] = "Start Menu\\Programs\\StartUp\\Orbisel.lnk";
constexpr char kDesktopShortcut[] = "Desktop\\Orbisel.lnk";
constexpr char kViewerProgram[] = "Program\\TXR32.exe";
constexpr char kUninstaller[] = "uninstxr.exe";
constexpr char kViewerArguments[] = "-f?";
constexpr char kProductDescription[] = "Orbisel";

// A path formed from parts; usable only when it fitted whole, since a cut
// path would name another file.
struct FormedPath {
    char text[MAX_PATH] = "";
    bool fits = false;
};

FormedPath Join(const char* first, const char* second) {
    FormedPath path;
    path.fits = text::Copy(path.text, first) && text::Append(path.text, second);
    return path;
}

FormedPath GroupShortcut(const char* base, const char* title) {
    FormedPath path;
    path.fits = text::FormatTo(path.text, sizeof path.text, kGroupShortcut, base, title);
    return path;
}

// "<product root>\Program\TXR32.exe"; fits is false without a usable root.
FormedPath ViewerProgram(const char* installPath) {
    FormedPath path;
    if (!installPath || installPath[0] == '\0') return path;
    char root[MAX_PATH];
    if (!text::Copy(root, installPath) || !AppendBackslash(root)) return path;
    return Join(root, kViewerProgram);
}

struct Shortcut {
    FormedPath link;
    const char* target;  // null: the target could not be formed
    const char* description;
    const char* arguments;
};

void Create(const Shortcut& shortcut) {
    if (!shortcut.link.fits || !shortcut.target) return;
    CreateShortcut(shortcut.target, shortcut.link.text, shortcut.description, shortcut.arguments);
}

void Remove(const Shortcut& shortcut) {
    if (shortcut.link.fits) DeleteFileA(shortcut.link.text);
}

int AddOrRemoveIcons(int flags, LPCSTR installPath, bool create) {
    // The install path comes from an outside installer script: copied
    // first, so that a bad pointer faults here, before anything is done.  A
    // path too long to copy could form no viewer path either.
    char root[MAX_PATH];
    guard::TextIn taken = guard::CopyTextIn(installPath, root);
    if (taken == guard::TextIn::Unreadable) return 0;
    const char* usableRoot = taken == guard::TextIn::Copied ? root : nullptr;

    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 0;
    FormedPath viewer = ViewerProgram(usableRoot);
    if (create && !viewer.fits) return 0;
    if (!AppendBackslash(windows)) return 0;

    // The uninstaller always lies in the Windows directory itself, also on
    // Windows NT where the shortcuts go to the profile of all users.
    FormedPath uninstaller = Join(windows, kUninstaller);
    FormedPath base = os::IsWindows95() ? Join(windows, "") : Join(windows, kProfileOfAllUsers);
    if (!base.fits) return 1;  // no shortcut path can be formed
    FormedPath group = Join(base.text, kGroupFolder);

    // The message texts live in rotating buffers: keep copies.
    char viewTitle[kMessageTextMax + 1];
    char uninstallTitle[kMessageTextMax + 1];
    text::Copy(viewTitle, LoadMessageText(kMsgViewShortcut));
    text::Copy(uninstallTitle, LoadMessageText(kMsgUninstallShortcut));
    const char* viewerTarget = viewer.fits ? viewer.text : nullptr;

    Shortcut uninstall{GroupShortcut(base.text, uninstallTitle),
                       uninstaller.fits ? uninstaller.text : nullptr, uninstallTitle, nullptr};
    Shortcut view{GroupShortcut(base.text, viewTitle), viewerTarget, viewTitle, kViewerArguments};
    Shortcut startUp{Join(base.text, kStartUpShortcut), viewerTarget, kProductDescription,
                     nullptr};
    Shortcut desktop{Join(base.text, kDesktopShortcut), viewerTarget, kProductDescription,
                     kViewerArguments};

    std::optional<com::Apartment> apartment;
    if (create) {
        apartment.emplace();
        if (group.fits) CreateDirectoryA(group.text, nullptr);  // it may well exist
    }
    auto apply = create ? Create : Remove;
    apply(uninstall);
    apply(view);
    if (flags & kStartUpShortcutFlag) apply(startUp);
    if (flags & kDesktopShortcutFlag) apply(desktop);
    // Removal takes the group folder away only when nothing else is left in
    // it.
    if (!create && group.fits) RemoveDirectoryA(group.text);
    return 1;
}

}  // namespace

HRESULT CreateShortcut(const char* target, const char* linkFile, const char* description,
                       const char* arguments) {
    if (!target || !linkFile) return E_INVALIDARG;
    com::Ptr<IShellLinkA> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, link.receive());
    if (FAILED(result)) return result;
    link->SetPath(target);
    link->SetDescription(description ? description : "");
    if (arguments && arguments[0] != '\0') link->SetArguments(arguments);

    com::Ptr<IPersistFile> file;
    result = link->QueryInterface(IID_IPersistFile, file.receive());
    if (FAILED(result)) return result;
    WCHAR widePath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, linkFile, -1, widePath, MAX_PATH) == 0) {
        DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    // TRUE: the saved file becomes the object's current file.
    return file->Save(widePath, TRUE);
}

}  // namespace txr

extern "C" int WINAPI TXRAddIcons(int flags, LPCSTR installPath, int create) {
    try {
        return txr::AddOrRemoveIcons(flags, installPath, create != 0);
    } catch (...) {
        return 0;
    }
}
