#include "setup/install_engine.h"

#include "integration/app_table.h"
#include "platform/bounded_text.h"
#include "platform/file_api.h"
#include "platform/file_handle.h"
#include "platform/registry_api.h"
#include "registration/error_log.h"
#include "registration/registrations.h"
#include "registration/registry_primitives.h"
#include "setup/engine_phases.h"
#include "setup/install_record.h"
#include "setup/library_state.h"

#include <cstring>

namespace txr {
namespace {

using Registration = int(WINAPI*)(int, HKEY, LPCSTR);

// One registration, with its name for the phase profile.
struct Step {
    const char* name;
    Registration run;
};
#define TXR_STEP(registration) Step{#registration, &registration}

// The install order.  The Quick View takeover (TXRRegQuickView,
// TXRRegQuickViewDefault) saves the system's entries itself first and
// replaces nothing that it could not save.
constexpr Step kInstallOrder[] = {
    TXR_STEP(TXRRegContextMenu),       TXR_STEP(TXRRegNTShellApproved),
    TXR_STEP(TXRRegQuickView),         TXR_STEP(TXRRegQuickViewOther),
    TXR_STEP(TXRRegQuickViewDefault),  TXR_STEP(TXRRegQuickViewCommand),
    TXR_STEP(TXRRegFileViewerClassId), TXR_STEP(TXRRegShellExtClassId),
    TXR_STEP(TXRRegExchangeMenu),      TXR_STEP(TXRRegExchangeWordMenu),
    TXR_STEP(TXRRegTXR32AppPath),      TXR_STEP(TXRRegTXRSuppAppPath),
};

// The removal order.
constexpr Step kRemoveOrder[] = {
    TXR_STEP(TXRRegContextMenu),       TXR_STEP(TXRRegNTShellApproved),
    TXR_STEP(TXRRegFileViewerClassId), TXR_STEP(TXRRegShellExtClassId),
    TXR_STEP(TXRRegQuickView),         TXR_STEP(TXRRegQuickViewOther),
    TXR_STEP(TXRRegQuickViewDefault),  TXR_STEP(TXRRegQuickViewCommand),
    TXR_STEP(TXRRegExchangeMenu),      TXR_STEP(TXRRegExchangeWordMenu),
    TXR_STEP(TXRRegTXR32AppPath),      TXR_STEP(TXRRegTXRSuppAppPath),
};
#undef TXR_STEP

// Texts of the uninstall entry.
constexpr const char* kUninstallCommandFormat = "%s\\TXRSETUP.EXE -u";
constexpr const char* kDisplayName = "Orbisel (Workstation)";
constexpr const char* kApiDllName = "PROGRAM\\TXRSHARE.DLL";

// One logged failure of the install sequence: recorded under the product
// key with severity 2, and the "errors" mark set.
struct Failures {
    HKEY productKey;
    bool any = false;
    void Log(int whatFailed, int effect, LONG code) {
        TXRLogError(productKey, whatFailed, effect, code, kMinor);
        any = true;
    }
    void Check(LONG status, int whatFailed, int effect, LONG code) {
        if (status != ERROR_SUCCESS) Log(whatFailed, effect, code);
    }
};

void WriteUninstallEntry(const char* installPath, Failures& failures) {
    reg::Key key;
    if (reg::Create(HKEY_LOCAL_MACHINE, kUninstallKeyPath, kProductKeyClass, kFullAccess,
                    key.receive()) != ERROR_SUCCESS) {
        failures.Log(43, 39, 1070);
        return;
    }
    char command[kPathSize + 32];
    text::FormatTo(command, sizeof command, kUninstallCommandFormat, installPath);
    failures.Check(reg::SetString(key.get(), "UninstallString", command), 75, 39, 1073);
    failures.Check(reg::SetString(key.get(), "DisplayName", kDisplayName), 77, 39, 1075);
    failures.Check(key.Close(), 42, kMsgCloseEffect, 1074);
}

void WriteApiDll(const char* installPath, Failures& failures) {
    reg::Key key;
    if (reg::Create(HKEY_LOCAL_MACHINE, kProductParentKeyPath, kProductKeyClass, kFullAccess,
                    key.receive()) != ERROR_SUCCESS) {
        failures.Log(46, 44, 1090);
        return;
    }
    char apiDll[kPathSize + 32];
    text::FormatTo(apiDll, sizeof apiDll, "%s%s", installPath, kApiDllName);
    failures.Check(reg::SetString(key.get(), "APIDLL", apiDll), 45, 44, 1091);
    failures.Check(key.Close(), 47, kMsgCloseEffect, 1092);
}

void WriteRecordValues(HKEY product, const char* installPath, const char* sourcePath,
                       Failures& failures) {
    failures.Check(reg::SetString(product, "InstallPath", installPath), 48, 52, 1080);
    failures.Check(reg::SetString(product, "SourcePath", sourcePath), 49, 52, 1081);
    failures.Check(reg::SetDword(product, "MajorRelease", kReleaseMajor), 58, 52, 1082);
    failures.Check(reg::SetDword(product, "MinorRelease", kReleaseMinor), 59, 52, 1083);
    failures.Check(reg::SetDword(product, "SubRelease", kReleaseSub), 50, 52, 1084);
    failures.Check(reg::SetDword(product, "Network", 1), 160, 52, 1085);
}

void WriteInstallStatus(HKEY product, DWORD status) {
    if (reg::SetDword(product, "InstallStatus", status) != ERROR_SUCCESS) {
        // An earlier run's status must not stand for this one.
        reg::DeleteValue(product, "InstallStatus");
        TXRLogError(product, 51, 52, 1086, kMinor);
    }
}

// The product key says at once that it records a network installation,
// and says it again in its place among the record's values.  A setup
// stopped half way (the machine turned off) thus never leaves what looks
// like a local installation, which an unattended setup would refuse to go
// over.  A setup that fails, though, ends with none of the record's values
// it would have written: the failed end gives back what the key held
// before, no value or the old one, so that a failed setup over a local
// installation leaves it local and the next decision sees what it saw
// before.  The mark is made only where that can be given back (no value,
// or one of at most 4 bytes).  A failed write of the mark is the later
// write's to report.
class EarlyNetworkMark {
public:
    explicit EarlyNetworkMark(HKEY product) : product_(product) {
        before_ = reg::QueryValue(product, "Network", &type_, data_, &size_);
        if (before_ == ERROR_SUCCESS || before_ == ERROR_FILE_NOT_FOUND) {
            made_ = reg::SetDword(product, "Network", 1) == ERROR_SUCCESS;
        }
    }
    // For the failed end: the key's Network as it was before the mark.
    void GiveBack() {
        if (!made_) return;
        if (before_ == ERROR_FILE_NOT_FOUND) reg::DeleteValue(product_, "Network");
        else reg::SetValue(product_, "Network", type_, data_, size_);
    }

private:
    HKEY product_;
    LONG before_;
    DWORD type_ = REG_NONE;
    BYTE data_[sizeof(DWORD)] = {};
    DWORD size_ = sizeof data_;
    bool made_ = false;
};

// Paths of the Quick View programs in the system's VIEWERS folder.
struct ViewerFiles {
    char folder[kPathSize];
    char program[kPathSize];
    char saved[kPathSize];
};

bool LocateViewerFiles(ViewerFiles& files) {
    char system[kPathSize];
    UINT length = GetSystemDirectoryA(system, sizeof system);
    if (length == 0 || length >= sizeof system) return false;
    return text::FormatTo(files.folder, sizeof files.folder, "%s\\VIEWERS", system) &&
           text::FormatTo(files.program, sizeof files.program, "%s\\QUIKVIEW.EXE", files.folder) &&
           text::FormatTo(files.saved, sizeof files.saved, "%s\\QUIKVIEW.ORG", files.folder);
}

bool FileExists(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Deletes root\path when it has no subkeys.  Windows NT refuses to delete
// a key that still has subkeys, but Windows 95 deletes them with it: a
// parent that another product still uses would go too.  So the count is
// asked first, and a key whose count cannot be asked stays.
void DeleteKeyWithoutSubkeys(HKEY root, const char* path) {
    {
        reg::Key key;
        DWORD subkeys = 0;
        if (reg::Open(root, path, kReadAccess, key.receive()) != ERROR_SUCCESS ||
            reg::QueryInfo(key.get(), &subkeys, nullptr) != ERROR_SUCCESS || subkeys != 0) {
            return;
        }
    }
    reg::DeleteKey(root, path);
}

// A tree, then its parents one by one, each only when nothing else is
// left below it.
void DeleteTreeAndParents(HKEY root, const char* tree, const char* parent,
                          const char* grandparent) {
    DeleteKeyTree(root, tree);
    DeleteKeyWithoutSubkeys(root, parent);
    DeleteKeyWithoutSubkeys(root, grandparent);
}

}  // namespace

int WriteInstallation(char* installPath, const char* sourcePath) {
    BeginPhase("product key");
    reg::Key product;
    if (reg::Create(HKEY_LOCAL_MACHINE, kProductKeyPath, kProductKeyClass, kFullAccess,
                    product.receive()) != ERROR_SUCCESS) {
        TXRLogError(nullptr, 37, 0, 100, kFatal);
        return kEngineFailed;
    }
    AppendBackslash(installPath, kPathSize);
    EarlyNetworkMark networkMark(product.get());

    Failures failures{product.get()};
    for (const Step& step : kInstallOrder) {
        BeginPhase(step.name);
        int result = step.run(kModeInstall, product.get(), installPath);
        if (result == kRegMinorFailure) failures.any = true;
        if (result == kRegFatal) {
            networkMark.GiveBack();
            WriteInstallStatus(product.get(), kInstallStatusFailed);
            return kEngineFailed;
        }
    }

    BeginPhase("installation record");
    WriteUninstallEntry(installPath, failures);
    WriteApiDll(installPath, failures);
    WriteRecordValues(product.get(), installPath, sourcePath, failures);
    WriteInstallStatus(product.get(), failures.any ? kInstallStatusWithErrors : kInstallStatusClean);
    return kEngineSetUp;
}

namespace {

// Records a failed step of the Quick View replacement, which runs after
// the install sequence has written its status: the record goes into the
// product key's error log, and a clean status becomes "set up with errors"
// so that the status and the log agree.
void LogViewerProgramNotSaved() {
    reg::Key product;
    if (reg::Open(HKEY_LOCAL_MACHINE, kProductKeyPath, kFullAccess, product.receive()) !=
        ERROR_SUCCESS) {
        return;
    }
    TXRLogError(product.get(), kMsgViewerProgramNotSaved, kMsgQuickViewEffect,
                kCodeViewerProgramNotSaved, kMinor);
    DWORD status = 0;
    if (QueryRegistryDword(product.get(), "InstallStatus", &status) == ERROR_SUCCESS &&
        status == kInstallStatusClean) {
        WriteInstallStatus(product.get(), kInstallStatusWithErrors);
    }
}

// The product's program: SUPPORT\QUIKVIEW.EXE below the installation path
// (a backslash added when it lacks one).  False, with the empty text, for
// a null or empty path: the product's program lies below a product root.
bool ProductViewerPath(const char* installPath, char (&path)[kPathSize]) {
    path[0] = '\0';
    if (!installPath || installPath[0] == '\0') return false;
    char root[kPathSize];
    if (!text::Copy(root, installPath) || !AppendBackslash(root)) return false;
    return text::FormatTo(path, sizeof path, "%sSUPPORT\\QUIKVIEW.EXE", root);
}

}  // namespace

ViewerOutcome PutProductViewerInPlace(const char* installPath) {
    ViewerFiles files;
    char product[kPathSize];
    if (!LocateViewerFiles(files) || !ProductViewerPath(installPath, product)) {
        return ViewerOutcome::NotCopied;
    }
    if (GetFileAttributesA(files.folder) == INVALID_FILE_ATTRIBUTES) {
        CreateDirectoryA(files.folder, nullptr);
    }
    // The first saved program stays saved across reinstalls.  The system's
    // program is replaced only once it is saved: if it cannot be moved
    // aside (in use, say), it stays in place.
    const bool savingNow = FileExists(files.program) && !FileExists(files.saved);
    if (savingNow && !file::Move(files.program, files.saved)) {
        return ViewerOutcome::SystemNotSaved;
    }
    if (file::Copy(product, files.program, FALSE)) return ViewerOutcome::InPlace;
    // Without the product's program (missing on the share, say) the
    // system's own goes back in place rather than leave none at all.
    if (savingNow) file::Move(files.saved, files.program);
    return ViewerOutcome::NotCopied;
}

int ReplaceQuickView(const char* installPath) {
    switch (PutProductViewerInPlace(installPath)) {
    case ViewerOutcome::InPlace: return 1;
    case ViewerOutcome::SystemNotSaved:
        // The product is set up all the same; Quick View keeps the system's
        // program until the next setup.
        LogViewerProgramNotSaved();
        return 1;
    case ViewerOutcome::NotCopied: break;
    }
    return 0;
}

bool ProductViewerInPlace(const char* installPath) {
    ViewerFiles files;
    char product[kPathSize];
    return LocateViewerFiles(files) && ProductViewerPath(installPath, product) &&
           file::SameContents(product, files.program);
}

void RestoreQuickView() {
    ViewerFiles files;
    if (!LocateViewerFiles(files) || !FileExists(files.saved)) return;
    // The saved program is the system's own: it is given up only once it
    // stands in place again.
    if (file::Copy(files.saved, files.program, FALSE)) file::Delete(files.saved);
}

int InstallFromServer() {
    char installPath[kPathSize];
    text::Copy(installPath, Library().setupDirectory);
    int result = 0;
    if (WriteInstallation(installPath, Library().setupDirectory) == kEngineSetUp) {
        BeginPhase("Quick View program");
        result = ReplaceQuickView(Library().setupDirectory) ? 1 : 0;
    }
    BeginPhase(nullptr);
    return result;
}

int UninstallWorkstation() {
    BeginPhase("integrations");
    ResetInstallPathToSetupDirectory();
    LoadIntegrationModules();
    ReadAppRecords();
    std::vector<std::uint32_t> undone;
    if (Library().installPath[0] != '\0') undone = RemoveAllIntegrations();
    BeginPhase("Quick View program");
    RestoreQuickView();
    RemoveAllRegistrations();
    RecordUndoneIntegrations(undone);
    BeginPhase(nullptr);
    return 0;
}

int RemoveAllRegistrations() {
    for (const Step& step : kRemoveOrder) {
        BeginPhase(step.name);
        step.run(kModeRemove, nullptr, nullptr);
    }

    BeginPhase("product keys");
    DeleteTreeAndParents(HKEY_CURRENT_USER, kProductKeyPath, "Software\\Corvel\\Orbisel",
                         "Software\\Corvel");
    DeleteTreeAndParents(HKEY_CURRENT_USER, "Software\\XCV\\Viewer Technology\\OEM05",
                         "Software\\XCV\\Viewer Technology", "Software\\XCV");
    DeleteTreeAndParents(HKEY_LOCAL_MACHINE, "Software\\XCV\\Viewer Technology\\OEM05",
                         "Software\\XCV\\Viewer Technology", "Software\\XCV");

    DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKeyPath);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\txr32.exe");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\txrsupp.exe");
    BeginPhase("SharedDLLs");
    PurgeSharedDlls();
    BeginPhase("installation record");
    DeleteTreeAndParents(HKEY_LOCAL_MACHINE, kProductKeyPath, kProductParentKeyPath,
                         "Software\\Corvel");
    return 0;
}

void PurgeSharedDlls() {
    const char* installPath = Library().installPath;
    // An empty path would be the beginning of every name.
    if (installPath[0] == '\0') return;
    reg::Key key;
    if (reg::Open(HKEY_LOCAL_MACHINE, kSharedDllsKeyPath, KEY_READ | KEY_WRITE, key.receive()) !=
        ERROR_SUCCESS) {
        return;
    }
    DWORD index = 0;
    for (;;) {
        char name[kPathSize];
        DWORD length = sizeof name;
        LONG status = reg::EnumValue(key.get(), index, name, &length, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) {  // longer than any path: not ours
            ++index;
            continue;
        }
        if (status != ERROR_SUCCESS) break;
        // A deleted value lets the next one move into its place; one that
        // cannot be deleted is stepped over.
        if (!text::StartsWithNoCase(name, installPath) ||
            reg::DeleteValue(key.get(), name) != ERROR_SUCCESS) {
            ++index;
        }
    }
}

}  // namespace txr
