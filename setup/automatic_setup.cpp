#include "setup/automatic_setup.h"

#include "integration/app_table.h"
#include "integration/program_scan.h"
#include "platform/bounded_text.h"
#include "platform/file_api.h"
#include "plugins/plugin_list.h"
#include "setup/install_engine.h"
#include "setup/library_state.h"

namespace txr {
namespace {

constexpr const char* kIntegrationsSection = "Integrations";
constexpr const char* kPluginSetupFile = "XCVSETUP.INI";
// Values of the options file are read into 20 characters.
constexpr DWORD kOptionValueSize = 20;

// Located, and not integrated yet.
bool IsEligible(const AppRecord& record) {
    std::uint32_t kind = LocationKind(record);
    bool located = kind == kKindModuleKnows || (kind == kKindFoundByScan && record.PathKnown);
    return located && record.Status != kStatusIntegrated;
}

void ChooseActions(bool optionsFileFound) {
    for (std::uint32_t index = 0; index < Apps().AppCount; ++index) {
        AppRecord& record = Apps().Records[index];
        if (!IsEligible(record)) continue;
        char value[kOptionValueSize] = "AUTO";
        if (optionsFileFound) {
            GetPrivateProfileStringA(kIntegrationsSection, record.KeyName, "AUTO", value,
                                     sizeof value, Library().optionsFilePath);
        }
        if (lstrcmpiA(value, "YES") == 0 || lstrcmpiA(value, "AUTO") == 0) {
            record.Action = kActionIntegrate;
            record.Unattended = 1;
        } else if (lstrcmpiA(value, "NO") == 0) {
            record.Action = kActionRemove;
        }
    }
}

// The plug-in step reads its settings from XCVSETUP.INI in the Windows
// directory: a copy of the options file, or a file already lying there.
// The file is gone again afterwards.
void ConfigurePlugins() {
    char windows[kPathSize];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    char setupFile[kPathSize] = "";
    bool located = length > 0 && length < sizeof windows &&
                   text::FormatTo(setupFile, sizeof setupFile, "%s\\%s", windows, kPluginSetupFile);
    if (located && Library().optionsFilePath[0]) {
        file::Copy(Library().optionsFilePath, setupFile, FALSE);
    }
    LoadPluginList(1);
    SavePluginList();
    FreePluginList();
    if (located) file::Delete(setupFile);
}

}  // namespace

int RunAutomaticSetup(int optionsFileFound) {
    ResetInstallPathToSetupDirectory();
    if (!InstallFromServer()) return 0;
    LoadIntegrationModules();
    ReadAppRecords();
    ScanForApps(nullptr, nullptr);
    ChooseActions(optionsFileFound != 0);
    ApplyIntegrationActions(nullptr);
    WriteAppRecords();
    ConfigurePlugins();
    return 1;
}

}  // namespace txr
