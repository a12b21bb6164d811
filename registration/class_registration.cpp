// The COM classes of the product's file viewer object
// (TXRRegFileViewerClassId) and of its shell extension object
// (TXRRegShellExtClassId): HKCR\CLSID\{id} with the object's name and an
// "InProcServer32" subkey naming the module on the server.
#include "platform/bounded_text.h"
#include "platform/registry_api.h"
#include "registration/error_log.h"
#include "registration/registration_support.h"
#include "registration/registrations.h"
#include "registration/registry_primitives.h"

#include <cstring>

namespace txr::registration {
namespace {

constexpr char kServerKey[] = "InProcServer32";
constexpr char kThreadingModel[] = "ThreadingModel";
constexpr char kApartment[] = "Apartment";
// The check reads each stored text into 256 bytes.
constexpr DWORD kCheckValueSize = 256;

// One class: what is written, and what each failed step reports.
struct ClassRegistration {
    const char* classId;
    const char* objectName;
    const char* module;  // relative to the install path
    bool threadingModelExact;  // the check's comparison of "ThreadingModel"
    FailureReport createClass;
    FailureReport className;
    FailureReport createServer;
    FailureReport serverModule;
    FailureReport threadingModel;
    FailureReport closeServer;
    FailureReport closeClass;
};

constexpr ClassRegistration kFileViewer{
    kFileViewerClassId, "Orbisel - File Viewer object", "PROGRAM\\TXR.DLL", false,
    {23, 18, 1040, kMinor}, {17, 18, 1041, kMinor}, {22, 18, 1042, kMinor},
    {19, 18, 1043, kMinor}, {20, 18, 1044, kMinor}, {21, kMsgCloseEffect, 1044, kMinor},
    {24, kMsgCloseEffect, 1045, kMinor}};

// Without the shell extension the product is missing from every context
// menu, so failing to write it is fatal.
constexpr ClassRegistration kShellExtension{
    kShellExtClassId, kShellExtObjectName, "PROGRAM\\TXRSE2.DLL", true,
    {31, 26, 1050, kFatal}, {25, 26, 1051, kFatal}, {30, 26, 1052, kFatal},
    {27, 26, 1053, kFatal}, {28, 26, 1054, kFatal}, {29, kMsgCloseEffect, 1055, kMinor},
    {32, kMsgCloseEffect, 1056, kMinor}};

// "CLSID\{id}" of the class.
struct ClassKeyPath {
    char text[64];
    explicit ClassKeyPath(const ClassRegistration& entry) {
        text::FormatTo(text, sizeof text, "CLSID\\%s", entry.classId);
    }
};

int Install(const ClassRegistration& entry, HKEY logKey, const char* installPath) {
    InstallReport report(logKey);
    reg::Key classKey;
    if (reg::Create(HKEY_CLASSES_ROOT, ClassKeyPath(entry).text, kProductKeyClass, kFullAccess,
                    classKey.receive()) != ERROR_SUCCESS) {
        report.Fail(entry.createClass);
        return report.result();
    }
    if (reg::SetString(classKey.get(), "", entry.objectName) != ERROR_SUCCESS &&
        report.Fail(entry.className)) {
        return report.result();
    }

    reg::Key server;
    if (reg::Create(classKey.get(), kServerKey, kProductKeyClass, kFullAccess,
                    server.receive()) != ERROR_SUCCESS) {
        if (report.Fail(entry.createServer)) return report.result();
    } else {
        // A module path that would not fit is not written cut short: the
        // step fails as a failed write would.
        char module[MAX_PATH];
        if ((!FormModulePath(module, installPath, entry.module) ||
             reg::SetString(server.get(), "", module) != ERROR_SUCCESS) &&
            report.Fail(entry.serverModule)) {
            return report.result();
        }
        if (reg::SetString(server.get(), kThreadingModel, kApartment) != ERROR_SUCCESS &&
            report.Fail(entry.threadingModel)) {
            return report.result();
        }
        if (server.Close() != ERROR_SUCCESS && report.Fail(entry.closeServer)) {
            return report.result();
        }
    }

    if (classKey.Close() != ERROR_SUCCESS) report.Fail(entry.closeClass);
    return report.result();
}

void Remove(const ClassRegistration& entry) {
    DeleteKeyTree(HKEY_CLASSES_ROOT, ClassKeyPath(entry).text);
}

// The object's name exactly; the module path ignoring case; the threading
// model as the class says.
int Check(const ClassRegistration& entry, const char* installPath) {
    reg::Key classKey;
    if (reg::Open(HKEY_CLASSES_ROOT, ClassKeyPath(entry).text, kQueryAccess,
                  classKey.receive()) != ERROR_SUCCESS) {
        return kCheckWrong;
    }
    char value[kCheckValueSize];
    if (QueryRegistryString(classKey.get(), nullptr, value, sizeof value) != ERROR_SUCCESS ||
        std::strcmp(value, entry.objectName) != 0) {
        return kCheckWrong;
    }

    reg::Key server;
    if (reg::Open(classKey.get(), kServerKey, kQueryAccess, server.receive()) != ERROR_SUCCESS) {
        return kCheckWrong;
    }
    char module[MAX_PATH];
    if (!FormModulePath(module, installPath, entry.module) ||
        QueryRegistryString(server.get(), nullptr, value, sizeof value) != ERROR_SUCCESS ||
        !EqualIgnoringCase(value, module)) {
        return kCheckWrong;
    }
    if (QueryRegistryString(server.get(), kThreadingModel, value, sizeof value) !=
        ERROR_SUCCESS) {
        return kCheckWrong;
    }
    bool same = entry.threadingModelExact ? std::strcmp(value, kApartment) == 0
                                          : EqualIgnoringCase(value, kApartment);
    return same ? kCheckCorrect : kCheckWrong;
}

constexpr RegistrationModes kFileViewerModes{
    [](HKEY logKey, const char* path) { return Install(kFileViewer, logKey, path); },
    [] { Remove(kFileViewer); },
    [](const char* path) { return Check(kFileViewer, path); }};

constexpr RegistrationModes kShellExtensionModes{
    [](HKEY logKey, const char* path) { return Install(kShellExtension, logKey, path); },
    [] { Remove(kShellExtension); },
    [](const char* path) { return Check(kShellExtension, path); }};

}  // namespace
}  // namespace txr::registration

extern "C" int WINAPI TXRRegFileViewerClassId(int mode, HKEY logKey, LPCSTR installPath) {
    return txr::registration::RunRegistration(mode, logKey, installPath,
                                              txr::registration::kFileViewerModes);
}

extern "C" int WINAPI TXRRegShellExtClassId(int mode, HKEY logKey, LPCSTR installPath) {
    return txr::registration::RunRegistration(mode, logKey, installPath,
                                              txr::registration::kShellExtensionModes);
}
