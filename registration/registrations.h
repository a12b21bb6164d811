// The registration exports: each installs, removes or checks one group of
// shell, class, App Paths, Quick View or Exchange entries.
//
//   mode 1, install: 1 done; 2 at least one minor failure, logged under
//                    logKey; 3 fatal failure, logged and shown: the caller
//                    abandons the installation.
//   mode 2, remove:  failures ignored, nothing logged; result undefined.
//   mode 3, check:   0 present and correct; 4 missing or not as installed.
//   other modes do nothing.
//
// installPath is the product root with its trailing backslash; it is used
// only where an entry names a module path (modes 1 and 3).  In those modes
// it is read before anything else: a pointer that cannot be read (the
// caller's own fault) gives 3 in install mode, so that the caller abandons
// the installation, and 4 in check mode; nothing is then written, logged or
// shown.  Remove mode never reads it.
#pragma once

#include <windows.h>

namespace txr {

enum RegistrationMode : int { kModeInstall = 1, kModeRemove = 2, kModeCheck = 3 };
enum RegistrationResult : int {
    kRegDone = 1,
    kRegMinorFailure = 2,
    kRegFatal = 3,
    kCheckCorrect = 0,
    kCheckWrong = 4,
};

}  // namespace txr

extern "C" {
int WINAPI TXRRegContextMenu(int mode, HKEY logKey, LPCSTR installPath);
int WINAPI TXRRegNTShellApproved(int mode, HKEY logKey, LPCSTR installPath);
int WINAPI TXRRegFileViewerClassId(int mode, HKEY logKey, LPCSTR installPath);
int WINAPI TXRRegShellExtClassId(int mode, HKEY logKey, LPCSTR installPath);
int WINAPI TXRRegTXR32AppPath(int mode, HKEY logKey, LPCSTR installPath);
int WINAPI TXRRegTXRSuppAppPath(int mode, HKEY logKey, LPCSTR installPath);
int WINAPI TXRRegQuickView(int mode, HKEY logKey, LPCSTR installPath);
int WINAPI TXRRegQuickViewOther(int mode, HKEY logKey, LPCSTR installPath);
int WINAPI TXRRegQuickViewDefault(int mode, HKEY logKey, LPCSTR installPath);
int WINAPI TXRRegQuickViewCommand(int mode, HKEY logKey, LPCSTR installPath);
int WINAPI TXRRegExchangeMenu(int mode, HKEY logKey, LPCSTR installPath);
int WINAPI TXRRegExchangeWordMenu(int mode, HKEY logKey, LPCSTR installPath);
}
