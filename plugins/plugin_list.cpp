#include "plugins/plugin_list.h"

#include "platform/bounded_text.h"
#include "platform/registry_api.h"
#include "plugins/plugin_catalogue.h"
#include "plugins/plugin_registry.h"
#include "registration/registry_primitives.h"

#include <cstring>
#include <string>

namespace txr {
namespace {

std::string PluginKeyPath(const char* keyName) { return std::string(kPluginsKeyPath) + keyName; }

// The Plugins key itself (without the trailing backslash).
std::string PluginsRootPath() {
    std::string path = kPluginsKeyPath;
    path.pop_back();
    return path;
}

bool WriteRowValues(HKEY key, const PluginCatalogueRow& row) {
    bool byExtension = std::strcmp(row.fileTypeNumber, kByExtensionNumber) == 0;
    // In this order: default, Path, NSVersion, Name, Enabled, ModuleName,
    // CanPrint, Number, UseWin, URL.
    LONG failures = 0;
    failures |= reg::SetString(key, nullptr, byExtension ? "UN" : "FI");
    failures |= reg::SetString(key, "Path", row.path);
    failures |= reg::SetDword(key, "NSVersion", row.nsVersion);
    failures |= reg::SetString(key, "Name", row.description);
    failures |= reg::SetDword(key, "Enabled", row.enabled);
    failures |= reg::SetString(key, "ModuleName", row.moduleFileName);
    failures |= reg::SetDword(key, "CanPrint", row.canPrint);
    failures |= reg::SetDword(key, "Number", row.number);
    failures |= reg::SetDword(key, "UseWin", row.useWin);
    failures |= reg::SetString(key, "URL", row.url);
    return failures == ERROR_SUCCESS;
}

// The file-type key (FI\<number>) or extension key (FI\1999\<extension>).
bool WriteRowIndexKey(const PluginCatalogueRow& row) {
    bool byExtension = std::strcmp(row.fileTypeNumber, kByExtensionNumber) == 0;
    std::string path = std::string(kPluginsKeyPath) + "FI\\" +
                       (byExtension ? std::string("1999\\") + row.extension : row.fileTypeNumber);
    reg::Key key;
    if (reg::Create(HKEY_LOCAL_MACHINE, path.c_str(), kPluginKeyClass, kFullAccess,
                    key.receive()) != ERROR_SUCCESS) {
        return false;
    }
    return reg::SetString(key.get(), nullptr, row.keyName) == ERROR_SUCCESS;
}

// Writes the catalogue; the list becomes the provisional one.  Returns
// false when any write failed.
bool RegisterCatalogue() {
    std::vector<PluginEntry>& list = PluginList();
    list.assign(kPluginCatalogueRows, PluginEntry{});
    bool ok = true;
    for (int index = 0; index < kPluginCatalogueRows; ++index) {
        PluginCatalogueRow row = kPluginCatalogue[index];
        reg::Key key;
        if (reg::Create(HKEY_LOCAL_MACHINE, PluginKeyPath(row.keyName).c_str(), kPluginKeyClass,
                        kFullAccess, key.receive()) != ERROR_SUCCESS) {
            ok = false;
        } else {
            text::Copy(list[index].name, row.description);
            text::Copy(list[index].moduleName, row.moduleFileName);
            FindBrowserPlugin(row.moduleFileName, row.path);
            if (!WriteRowValues(key.get(), row)) ok = false;
        }
        if (!WriteRowIndexKey(row)) ok = false;
    }
    return ok;
}

// Whether XCVSETUP.INI in the Windows directory lets the unattended setup
// propose the plug-in: YES or AUTO (the default), in any letter case.
bool SetupFileAllowsProposal(const char* pluginName) {
    char setting[20];
    GetPrivateProfileStringA("Plugins", pluginName, "AUTO", setting, sizeof setting,
                             "XCVSETUP.INI");
    return lstrcmpiA(setting, "YES") == 0 || lstrcmpiA(setting, "AUTO") == 0;
}

void ReadEntry(HKEY plugins, PluginEntry& entry, bool registeredNow, int automatic) {
    reg::Key key;
    if (reg::Open(plugins, entry.keyName, kReadAccess, key.receive()) != ERROR_SUCCESS) return;
    QueryRegistryString(key.get(), "Name", entry.name, sizeof entry.name);
    QueryRegistryDword(key.get(), "Enabled", &entry.enabled);
    QueryRegistryString(key.get(), "ModuleName", entry.moduleName, sizeof entry.moduleName);
    entry.pendingAction = kPluginNone;
    entry.flags = 0;
    if (GetPluginPath(key.get(), entry.path)) {
        entry.found = 1;
        if (registeredNow && (automatic == 0 || SetupFileAllowsProposal(entry.name))) {
            entry.enabled = 0;
            entry.pendingAction = kPluginEnable;
        }
    } else {
        entry.enabled = 0;
        entry.found = 0;
    }
}

}  // namespace

std::vector<PluginEntry>& PluginList() {
    static std::vector<PluginEntry> list;
    return list;
}

int LoadPluginList(int automatic) {
    const std::string root = PluginsRootPath();
    reg::Key plugins;
    bool registeredNow = false;
    int result = 1;
    if (reg::Open(HKEY_LOCAL_MACHINE, root.c_str(), kReadAccess, plugins.receive()) !=
        ERROR_SUCCESS) {
        registeredNow = true;
        if (!RegisterCatalogue()) result = 0;
        if (reg::Open(HKEY_LOCAL_MACHINE, root.c_str(), kReadAccess, plugins.receive()) !=
            ERROR_SUCCESS) {
            result = 0;
        }
        if (result == 0) return 0;
    }

    DWORD subkeys = 0;
    if (reg::QueryInfo(plugins.get(), &subkeys, nullptr) != ERROR_SUCCESS) return result;
    // Every subkey but FI is a plug-in key.
    reg::Key index;
    bool hasIndexKey =
        reg::Open(plugins.get(), "FI", kReadAccess, index.receive()) == ERROR_SUCCESS;
    index.Close();
    std::vector<PluginEntry>& list = PluginList();
    list.assign(subkeys - (hasIndexKey && subkeys > 0 ? 1 : 0), PluginEntry{});

    DWORD enumIndex = 0;
    for (PluginEntry& entry : list) {
        // Names of 50 characters or more do not fit an entry: such keys are
        // passed over, and the entries left at the end stay empty.
        for (;;) {
            char name[sizeof entry.keyName];
            DWORD length = sizeof name;
            LONG status = reg::EnumKey(plugins.get(), enumIndex++, name, &length);
            if (status == ERROR_MORE_DATA) continue;
            if (status != ERROR_SUCCESS) break;
            if (lstrcmpiA(name, "FI") == 0) continue;
            text::Copy(entry.keyName, name);
            break;
        }
        if (entry.keyName[0] == '\0') break;
        ReadEntry(plugins.get(), entry, registeredNow, automatic);
    }
    return result;
}

void SavePluginList() {
    for (PluginEntry& entry : PluginList()) {
        if (entry.keyName[0] == '\0') continue;
        reg::Key key;
        if (reg::Open(HKEY_LOCAL_MACHINE, PluginKeyPath(entry.keyName).c_str(),
                      KEY_READ | KEY_WRITE, key.receive()) != ERROR_SUCCESS) {
            continue;
        }
        if (entry.pendingAction == kPluginEnable) entry.enabled = 1;
        if (entry.pendingAction == kPluginDisable) entry.enabled = 0;
        entry.pendingAction = kPluginNone;
        reg::SetDword(key.get(), "Enabled", entry.enabled);
        if (entry.flags & kPluginPathChanged) reg::SetString(key.get(), "Path", entry.path);
    }
}

void FreePluginList() {
    PluginList().clear();
    PluginList().shrink_to_fit();
}

}  // namespace txr
