#include "tests/support/setup_registry.h"

#include <windows.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace txr::test {
namespace {

// root\path's tree with every key spelled from root.
void Add(RegTree& into, HKEY root, const std::string& path) {
    for (auto& [key, values] : ReadTree(root, path)) {
        into[key.empty() ? path : path + "\\" + key] = std::move(values);
    }
}

// Every subkey of root\path but those named in `skip`, whole, spelled from
// root.
RegTree ReadAllBut(HKEY root, const std::string& path, std::initializer_list<const char*> skip) {
    RegTree tree;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return tree;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        bool skipped = false;
        for (const char* other : skip) skipped = skipped || lstrcmpiA(name, other) == 0;
        if (!skipped) Add(tree, root, path.empty() ? name : path + "\\" + name);
    }
    RegCloseKey(key);
    return tree;
}

}  // namespace

SetupRegistry ReadSetupRegistry() {
    SetupRegistry registry{ReadAllBut(HKEY_CLASSES_ROOT, "", {"CLSID", "Interface", "TypeLib"}),
                           ReadAllBut(HKEY_LOCAL_MACHINE, "Software", {"Classes"})};
    for (const char* id : {"{F0F08736-0C36-101B-B086-0020AF07D0F4}",
                           "{F0F08737-0C36-101B-B086-0020AF07D0F4}",
                           "{00020D05-0000-0000-C000-000000000046}",
                           "{0006F031-0000-0000-C000-000000000046}",
                           "{0006FE04-0000-0000-C000-000000000046}", "QuickView",
                           "QuickView.Original"}) {
        Add(registry.classes, HKEY_CLASSES_ROOT, std::string("CLSID\\") + id);
    }
    return registry;
}

}  // namespace txr::test
