// TXRUP450.DLL as the Support Tool meets it: loaded by path from the
// product root above the tool's own folder and used only through its
// exports, so that the tool always checks and repairs with the library of
// the share it lies on.
#pragma once

#include <windows.h>

#include <iterator>
#include <string>

namespace txr::support_tool {

constexpr const char* kLibraryFile = "TXRUP450.DLL";
constexpr int kPathSize = 260;

// Registration modes and results (the library's registration exports).
constexpr int kModeInstall = 1;
constexpr int kModeCheck = 3;
constexpr int kCheckCorrect = 0;
constexpr int kCheckWrong = 4;

// Record flags of TXRGetRegInfo.
constexpr DWORD kRecordMajor = 0x01;
constexpr DWORD kRecordMinor = 0x02;
constexpr DWORD kRecordSub = 0x04;
constexpr DWORD kRecordInstallPath = 0x08;
constexpr DWORD kRecordNetwork = 0x10;

using GetRegInfoFunction = int(WINAPI*)(DWORD*, DWORD*, DWORD*, DWORD*, LPSTR);
using RegStringFunction = LPCSTR(WINAPI*)(int);
using RegistrationFunction = int(WINAPI*)(int, HKEY, LPCSTR);

// One registration: its export and the library's check title and problem
// text for it.
struct CheckEntry {
    const char* exportName;
    int title;
    int problem;
};

// In the order in which setup installs them; the product's Quick View
// program last, as setup puts it in place after the registrations.
inline constexpr CheckEntry kChecks[] = {
    {"TXRRegContextMenu", 117, 118},
    {"TXRRegNTShellApproved", 116, 119},
    {"TXRRegQuickView", 120, 121},
    {"TXRRegQuickViewOther", 164, 165},
    {"TXRRegQuickViewDefault", 122, 123},
    {"TXRRegQuickViewCommand", 139, 140},
    {"TXRRegFileViewerClassId", 124, 125},
    {"TXRRegShellExtClassId", 126, 127},
    {"TXRRegExchangeMenu", 128, 129},
    {"TXRRegExchangeWordMenu", 130, 131},
    {"TXRRegTXR32AppPath", 135, 136},
    {"TXRRegTXRSuppAppPath", 137, 138},
    {"TXRRegQuickViewProgram", 172, 173},
};
inline constexpr int kCheckCount = static_cast<int>(std::size(kChecks));

// The library, loaded for the tool's run and unloaded at its end.
class Library {
public:
    Library() = default;
    ~Library() {
        if (module_) FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // Loads path; false (with the platform's error code) when it cannot.
    bool Load(const char* path, DWORD* error) {
        module_ = LoadLibraryA(path);
        *error = module_ ? ERROR_SUCCESS : GetLastError();
        return module_ != nullptr;
    }
    FARPROC Find(const char* name) const { return GetProcAddress(module_, name); }

private:
    HMODULE module_ = nullptr;
};

struct LibraryExports {
    GetRegInfoFunction getRegInfo = nullptr;
    RegStringFunction regString = nullptr;
    RegistrationFunction registrations[kCheckCount] = {};
};

// Loads the library from the product root and finds every export the tool
// calls; *libraryPath gets the path it loaded from.  On failure says what
// is wrong on the error output and returns false.
bool LoadLibraryExports(Library& library, LibraryExports& exports, std::string* libraryPath);

// The library's message text; never null.
std::string MessageText(const LibraryExports& exports, int message);

}  // namespace txr::support_tool
