#include "platform/shell.h"

#include "platform/bounded_text.h"

#include <shellapi.h>
#include <shlobj.h>

#include <utility>

namespace txr::shell {
namespace {

BrowseHook& Browser() {
    static BrowseHook hook;
    return hook;
}

OpenHook& Opener() {
    static OpenHook hook;
    return hook;
}

}  // namespace

void SetBrowseHook(BrowseHook hook) { Browser() = std::move(hook); }
void SetOpenHook(OpenHook hook) { Opener() = std::move(hook); }

bool BrowseForFolder(HWND owner, const char* title, char* path) {
    path[0] = '\0';
    if (Browser()) {
        std::string chosen = Browser()(owner, title);
        return !chosen.empty() && text::CopyTo(path, kShellPathSize, chosen.c_str());
    }
    char display[MAX_PATH];
    BROWSEINFOA browse{};
    browse.hwndOwner = owner;
    browse.pidlRoot = nullptr;  // the desktop
    browse.pszDisplayName = display;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST item = SHBrowseForFolderA(&browse);
    if (!item) return false;
    bool found = SHGetPathFromIDListA(item, path) != FALSE;
    CoTaskMemFree(item);
    if (!found) path[0] = '\0';
    return found;
}

void OpenDocument(HWND owner, const char* document, const char* directory) {
    if (Opener()) {
        Opener()(owner, document, directory);
        return;
    }
    ShellExecuteA(owner, "open", document, nullptr, directory, SW_SHOWNORMAL);
}

}  // namespace txr::shell
