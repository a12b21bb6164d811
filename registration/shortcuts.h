// The product's shortcuts: the "Orbisel" program group in the Start menu
// with "View A File..." (the viewer, asking for a file) and "Uninstall
// Orbisel", and on request "Orbisel" in the StartUp folder and on the
// desktop.  They lie below the Windows directory, on Windows NT below its
// "Profiles\All Users\" (the profile shared by all users).
#pragma once

#include <windows.h>

namespace txr {

// Flags of TXRAddIcons; they apply to creation and removal alike.
constexpr int kDesktopShortcutFlag = 1;
constexpr int kStartUpShortcutFlag = 2;

// Titles and descriptions of the group's shortcuts.
constexpr int kMsgViewShortcut = 190;
constexpr int kMsgUninstallShortcut = 192;

// Writes the shell link linkFile (at most 259 characters) through the
// shell's link object: target, description, and arguments when given and
// not empty.  Needs COM initialized on the calling thread.  Returns the
// result of saving the file, or of the first step that failed (negative):
// creating the link object, asking it for IPersistFile, or a link path that
// does not fit.  E_INVALIDARG, with nothing done, for a null target or link
// path.
HRESULT CreateShortcut(const char* target, const char* linkFile, const char* description,
                       const char* arguments);

}  // namespace txr

// Creates (create non-zero) or removes (create zero) the product's
// shortcuts: always the program group with its two shortcuts, the desktop
// shortcut with flag 1 and the StartUp shortcut with flag 2.  installPath is
// the product root (with or without its trailing backslash), needed only
// for creation.  Returns 0, with nothing done, when the Windows directory
// cannot be found, when creation is asked without a usable install path
// (null, empty, or too long for the viewer's path), and when installPath is
// not null but cannot be read (a bad pointer; also for removal); 1 otherwise, whatever
// became of the single shortcuts.  Removal deletes the group folder only
// when it is left empty.
extern "C" int WINAPI TXRAddIcons(int flags, LPCSTR installPath, int create);
