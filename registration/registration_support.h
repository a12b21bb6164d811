// What the registration exports share: the class identifiers they write or
// look for, the bookkeeping of install mode (each failed step logged, the
// result that follows from it), the dispatch of the modes, and the small
// readers and comparisons of their checks.
#pragma once

#include "registration/registrations.h"

#include <windows.h>

#include <cstddef>

namespace txr::registration {

// The Quick View viewer that comes with Windows (its QUIKVIEW.EXE).
constexpr char kSystemViewerClassId[] = "{F0F08735-0C36-101B-B086-0020AF07D0F4}";
// The product's file viewer object, implemented by TXR.DLL.
constexpr char kFileViewerClassId[] = "{F0F08736-0C36-101B-B086-0020AF07D0F4}";
// The product's shell extension object (context-menu handler), TXRSE2.DLL.
constexpr char kShellExtClassId[] = "{F0F08737-0C36-101B-B086-0020AF07D0F4}";

constexpr char kShellExtObjectName[] = "Orbisel - Shell Extension object";

// Room for any registry key name (at most 255 characters) and its
// terminator, so that no walk ever stops at a long name.
constexpr DWORD kKeyNameSize = 256;
// Room for a key name with a suffix such as "\QuickView.Original".
constexpr std::size_t kKeyPathSize = 512;

// One failed step as the error log records it.
struct FailureReport {
    int whatFailed;
    int effect;
    LONG code;
    int severity;
};

// Install mode's account: every failed step goes to the error log under the
// caller's key; the result is 1 until a minor failure makes it 2, and 3
// once the log reports a fatal one.
class InstallReport {
public:
    explicit InstallReport(HKEY logKey) : logKey_(logKey) {}

    // Logs one failed step.  Returns true when the failure was fatal (the
    // box has been shown): the export must then return result() at once.
    bool Fail(const FailureReport& failure);
    // 1 when nothing failed, 2 after a minor failure, 3 after a fatal one.
    int result() const { return result_; }

private:
    HKEY logKey_;
    int result_ = kRegDone;
};

// The three modes of one registration.  install gets the log key and the
// install path (possibly null), check the install path.  A registration
// whose entries name no module never reads the path: readsInstallPath is
// false, and its modes get null.
struct RegistrationModes {
    int (*install)(HKEY logKey, const char* installPath);
    void (*remove)();
    int (*check)(const char* installPath);
    bool readsInstallPath = true;
};

// Runs the mode's function.  Remove returns 1, any other mode than 1, 2 or
// 3 does nothing and returns 0.  Install and check of a registration that
// reads the path first copy installPath; when it cannot be read (a bad
// pointer), they return 3 and 4 at once, having changed and logged nothing.
// The caller's path is never touched otherwise.  Nothing escapes: should
// anything throw, install reports 2, check 4, remove 1.
int RunRegistration(int mode, HKEY logKey, const char* installPath,
                    const RegistrationModes& modes) noexcept;

// Forms installPath + relative ("PROGRAM\TXR.DLL") in out[size], the two
// run together as they stand.  False when the path is null or the result
// does not fit; out then holds the empty text.
bool FormModulePath(char* out, std::size_t size, const char* installPath, const char* relative);

template <std::size_t N>
bool FormModulePath(char (&out)[N], const char* installPath, const char* relative) {
    return FormModulePath(out, N, installPath, relative);
}

// Equal texts when letter case is ignored, in the letters of the system's
// ANSI code page (each text is upper-cased by the platform, then the bytes
// are compared).  Texts of 1,024 characters or more are never equal.
bool EqualIgnoringCase(const char* a, const char* b);

// Reads a value as text together with its type: the same rules as
// QueryRegistryString (a terminated text that fits buffer[size], else a
// non-zero status and the empty text), and *type gets the stored type.
LONG QueryStringWithType(HKEY key, const char* name, char* buffer, DWORD size, DWORD* type);

}  // namespace txr::registration
