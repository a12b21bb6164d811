// The App Paths entries of the viewer program (TXRRegTXR32AppPath) and of
// the support tool (TXRRegTXRSuppAppPath): programs started by bare name
// find them on the server through these keys.  Only the default value is
// written.
#include "platform/registry_api.h"
#include "registration/error_log.h"
#include "registration/registration_support.h"
#include "registration/registrations.h"
#include "registration/registry_primitives.h"

namespace txr::registration {
namespace {

// The check reads the stored path into 260 bytes.
constexpr DWORD kCheckValueSize = 260;

struct AppPathRegistration {
    const char* key;     // below HKLM
    const char* module;  // relative to the install path
    FailureReport createKey;
    FailureReport writePath;
    FailureReport closeKey;
};

constexpr AppPathRegistration kViewer{
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\txr32.exe", "PROGRAM\\TXR32.EXE",
    {107, 106, 1040, kMinor}, {105, 106, 1041, kMinor}, {108, kMsgCloseEffect, 1045, kMinor}};

constexpr AppPathRegistration kSupportTool{
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\txrsupp.exe",
    "SUPPORT\\TXRSUPP.EXE",
    {111, 110, 1040, kMinor}, {109, 110, 1041, kMinor}, {112, kMsgCloseEffect, 1045, kMinor}};

int Install(const AppPathRegistration& entry, HKEY logKey, const char* installPath) {
    InstallReport report(logKey);
    reg::Key key;
    if (reg::Create(HKEY_LOCAL_MACHINE, entry.key, kProductKeyClass, kFullAccess,
                    key.receive()) != ERROR_SUCCESS) {
        report.Fail(entry.createKey);
        return report.result();
    }
    // A path that would not fit is not written cut short.
    char module[MAX_PATH];
    if ((!FormModulePath(module, installPath, entry.module) ||
         reg::SetString(key.get(), "", module) != ERROR_SUCCESS) &&
        report.Fail(entry.writePath)) {
        return report.result();
    }
    if (key.Close() != ERROR_SUCCESS) report.Fail(entry.closeKey);
    return report.result();
}

void Remove(const AppPathRegistration& entry) { DeleteKeyTree(HKEY_LOCAL_MACHINE, entry.key); }

// The stored path in any letter case.
int Check(const AppPathRegistration& entry, const char* installPath) {
    char module[MAX_PATH];
    if (!FormModulePath(module, installPath, entry.module)) return kCheckWrong;
    reg::Key key;
    if (reg::Open(HKEY_LOCAL_MACHINE, entry.key, kQueryAccess, key.receive()) != ERROR_SUCCESS) {
        return kCheckWrong;
    }
    char value[kCheckValueSize];
    if (QueryRegistryString(key.get(), nullptr, value, sizeof value) != ERROR_SUCCESS) {
        return kCheckWrong;
    }
    return EqualIgnoringCase(value, module) ? kCheckCorrect : kCheckWrong;
}

constexpr RegistrationModes kViewerModes{
    [](HKEY logKey, const char* path) { return Install(kViewer, logKey, path); },
    [] { Remove(kViewer); },
    [](const char* path) { return Check(kViewer, path); }};

constexpr RegistrationModes kSupportToolModes{
    [](HKEY logKey, const char* path) { return Install(kSupportTool, logKey, path); },
    [] { Remove(kSupportTool); },
    [](const char* path) { return Check(kSupportTool, path); }};

}  // namespace
}  // namespace txr::registration

extern "C" int WINAPI TXRRegTXR32AppPath(int mode, HKEY logKey, LPCSTR installPath) {
    return txr::registration::RunRegistration(mode, logKey, installPath,
                                              txr::registration::kViewerModes);
}

extern "C" int WINAPI TXRRegTXRSuppAppPath(int mode, HKEY logKey, LPCSTR installPath) {
    return txr::registration::RunRegistration(mode, logKey, installPath,
                                              txr::registration::kSupportToolModes);
}
