#include "plugins/plugin_registry.h"

#include "platform/bounded_text.h"
#include "platform/registry_api.h"
#include "registration/registry_primitives.h"

#include <cstring>
#include <string>

namespace txr {
namespace {

constexpr const char* kNetscapeKey = "Software\\Netscape\\Netscape Navigator\\Main";
constexpr const char* kExplorerKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";

// The path of an extension's key: Plugins\FI\1999\<extension>.
bool ExtensionKeyPath(const char* extension, char (&path)[kPluginPathSize * 2]) {
    return text::FormatTo(path, sizeof path, "%sFI\\1999\\%s", kPluginsKeyPath, extension);
}

bool IsUsableExtension(const char* extension) {
    return extension && *extension && !std::strchr(extension, '\\');
}

// Tries folder + suffix + "\Plugins\" + module; copies the path to out on a hit.
bool TryPluginFolder(const char* folder, const char* suffix, const char* module, char* out) {
    char path[kPluginPathSize];
    if (!text::FormatTo(path, sizeof path, "%s%s\\Plugins\\%s", folder, suffix, module)) {
        return false;
    }
    if (!PluginFileExists(path)) return false;
    text::CopyTo(out, kPluginPathSize, path);
    return true;
}

}  // namespace

bool PluginFileExists(const char* path) {
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

int FindBrowserPlugin(const char* module, char* out) {
    char folder[kPluginPathSize];
    {
        reg::Key key;
        if (reg::Open(HKEY_CURRENT_USER, kNetscapeKey, kReadAccess, key.receive()) ==
                ERROR_SUCCESS &&
            QueryRegistryString(key.get(), "Install Directory", folder, sizeof folder) ==
                ERROR_SUCCESS) {
            std::size_t length = std::strlen(folder);
            bool endsInProgram = length >= 8 && std::strcmp(folder + length - 8, "\\Program") == 0;
            if (TryPluginFolder(folder, endsInProgram ? "" : "\\Program", module, out)) return 1;
        }
    }
    reg::Key key;
    if (reg::Open(HKEY_CURRENT_USER, kExplorerKey, kReadAccess, key.receive()) != ERROR_SUCCESS) {
        return 0;
    }
    if (QueryRegistryString(key.get(), "Path", folder, sizeof folder) == ERROR_SUCCESS &&
        TryPluginFolder(folder, "", module, out)) {
        return 1;
    }
    return 0;
}

int GetPluginPath(HKEY pluginKey, char* out) {
    char path[kPluginPathSize];
    DWORD stored = 0;
    if (QueryRegistryString(pluginKey, "Path", path, sizeof path, &stored) != ERROR_SUCCESS ||
        stored < 2 || path[0] == '\0') {
        return 0;
    }
    if (!PluginFileExists(path)) {
        out[0] = '\0';
        return 0;
    }
    text::CopyTo(out, kPluginPathSize, path);
    return 1;
}

int IsFileIdPlugin(const char* keyName) {
    std::string path = std::string(kPluginsKeyPath) + keyName;
    reg::Key key;
    if (reg::Open(HKEY_LOCAL_MACHINE, path.c_str(), kReadAccess, key.receive()) != ERROR_SUCCESS) {
        return 0;
    }
    char value[5];
    if (QueryRegistryString(key.get(), nullptr, value, sizeof value) != ERROR_SUCCESS) return 0;
    return std::strcmp(value, "UN") != 0 ? 1 : 0;
}

void FillExtensionList(HWND dialog, int listBoxId, const char* keyName) {
    std::string path = std::string(kPluginsKeyPath) + "FI\\1999";
    reg::Key extensions;
    if (reg::Open(HKEY_LOCAL_MACHINE, path.c_str(), kReadAccess, extensions.receive()) !=
        ERROR_SUCCESS) {
        return;
    }
    for (DWORD index = 0;; ++index) {
        char extension[kPluginPathSize];
        DWORD length = sizeof extension;
        if (reg::EnumKey(extensions.get(), index, extension, &length) != ERROR_SUCCESS) break;
        reg::Key key;
        if (reg::Open(extensions.get(), extension, kReadAccess, key.receive()) != ERROR_SUCCESS) {
            continue;
        }
        char owner[kPluginPathSize];
        if (QueryRegistryString(key.get(), nullptr, owner, sizeof owner) == ERROR_SUCCESS &&
            std::strcmp(owner, keyName) == 0) {
            SendDlgItemMessageA(dialog, listBoxId, LB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(extension));
        }
    }
}

int AddPluginExtension(const char* keyName, const char* extension) {
    char path[kPluginPathSize * 2];
    if (!IsUsableExtension(extension) || !ExtensionKeyPath(extension, path)) return 0;
    {
        reg::Key existing;
        if (reg::Open(HKEY_LOCAL_MACHINE, path, kReadAccess, existing.receive()) == ERROR_SUCCESS) {
            return 0;
        }
    }
    reg::Key key;
    if (reg::Create(HKEY_LOCAL_MACHINE, path, kPluginKeyClass, kFullAccess, key.receive()) !=
        ERROR_SUCCESS) {
        return 0;
    }
    return reg::SetString(key.get(), nullptr, keyName) == ERROR_SUCCESS ? 1 : 0;
}

std::string ExtensionOwner(const char* extension) {
    char path[kPluginPathSize * 2];
    if (!IsUsableExtension(extension) || !ExtensionKeyPath(extension, path)) return {};
    reg::Key key;
    if (reg::Open(HKEY_LOCAL_MACHINE, path, kReadAccess, key.receive()) != ERROR_SUCCESS) return {};
    char owner[kPluginPathSize];
    if (QueryRegistryString(key.get(), nullptr, owner, sizeof owner) != ERROR_SUCCESS) return {};
    return owner;
}

int DeletePluginExtension(const char* extension) {
    char path[kPluginPathSize * 2];
    if (!IsUsableExtension(extension) || !ExtensionKeyPath(extension, path)) return 0;
    return reg::DeleteKey(HKEY_LOCAL_MACHINE, path) == ERROR_SUCCESS ? 1 : 0;
}

}  // namespace txr
