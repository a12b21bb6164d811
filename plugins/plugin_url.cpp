#include "plugins/plugin_url.h"

#include "platform/bounded_text.h"
#include "platform/registry_api.h"
#include "platform/shell.h"
#include "plugins/plugin_list.h"
#include "plugins/plugin_registry.h"
#include "registration/registry_primitives.h"

#include <string>

namespace txr {
namespace {

bool IsWebAddress(const char* url) {
    return text::StartsWithNoCase(url, "http://") || text::StartsWithNoCase(url, "https://");
}

}  // namespace

int HasWebBrowserHandler() {
    reg::Key key;
    return reg::Open(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", kReadAccess,
                     key.receive()) == ERROR_SUCCESS
               ? 1
               : 0;
}

void OpenPluginURL(int entryIndex) {
    std::vector<PluginEntry>& list = PluginList();
    if (entryIndex < 0 || static_cast<std::size_t>(entryIndex) >= list.size()) return;
    std::string path = std::string(kPluginsKeyPath) + list[entryIndex].keyName;
    reg::Key key;
    if (reg::Open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ | KEY_WRITE, key.receive()) !=
        ERROR_SUCCESS) {
        return;
    }
    char url[kPluginPathSize];
    DWORD stored = 0;
    if (QueryRegistryString(key.get(), "URL", url, sizeof url, &stored) != ERROR_SUCCESS ||
        stored < 2) {
        return;
    }
    // The value comes from the registry: handing anything but a web
    // address to the shell would start whatever program it names.
    if (!IsWebAddress(url)) return;
    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows) windows[0] = '\0';
    shell::OpenDocument(GetDesktopWindow(), url, windows);
}

}  // namespace txr
