#include "plugins/plugin_properties.h"

#include "integration/help_map.h"
#include "platform/bounded_text.h"
#include "platform/prompt.h"
#include "platform/shell.h"
#include "plugins/module_search.h"
#include "plugins/plugin_list.h"
#include "plugins/plugin_registry.h"
#include "plugins/plugin_url.h"
#include "registration/message_text.h"
#include "resource_ids.h"
#include "setup/library_state.h"

#include <commctrl.h>

#include <cstring>
#include <forward_list>
#include <string>
#include <vector>

namespace txr {
namespace {

constexpr int kMsgPluginNotFound = 4011;
constexpr int kMsgBrowseTitle = 2017;
constexpr int kMsgModuleNotInFolder = 2018;
constexpr int kMsgIdentifiedWithoutExtensions = 4004;
constexpr int kMsgExtensionsListed = 4002;
// The edit box's text is read into 32 bytes: at most 31 characters.
constexpr int kExtensionBufferSize = 32;
constexpr const char* kForbiddenExtensionCharacters = "*/:<>?\\|";

// Extensions removed on the page, deleted from the registry on OK.  They
// are kept whole: an extension that came from the registry may be longer
// than one typed into the page.
std::forward_list<std::string> g_removals;

PluginEntry* EntryOf(HWND page) {
    LONG_PTR index = GetWindowLongPtrA(page, GWLP_USERDATA);
    std::vector<PluginEntry>& list = PluginList();
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return nullptr;
    return &list[static_cast<std::size_t>(index)];
}

int IndexOfCreation(LPARAM lParam) {
    return static_cast<int>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
}

void ShowNotFound(HWND page, const PluginEntry& entry) {
    char text[kPluginPathSize];
    text::FormatTo(text, sizeof text, LoadMessageText(kMsgPluginNotFound), entry.moduleName);
    SetDlgItemTextA(page, IDC_LOCATION_PATH, text);
}

void TakeLocation(HWND page, PluginEntry& entry, const char* path) {
    entry.flags |= kPluginPathChanged;
    entry.found = 1;
    text::Copy(entry.path, path);
    SetDlgItemTextA(page, IDC_LOCATION_PATH, entry.path);
}

void ScanForModule(HWND page, PluginEntry& entry) {
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    char found[kPluginPathSize];
    if (ScanDrivesForModule(found, entry.moduleName, GetDlgItem(page, IDC_LOCATION_PATH))) {
        TakeLocation(page, entry, found);
    } else {
        ShowNotFound(page, entry);
    }
    SetCursor(previous);
}

// The chosen folder is tested for each of the module's alternative names,
// as the Scan does.
void BrowseForModule(HWND page, PluginEntry& entry) {
    char title[kPluginPathSize];
    text::FormatTo(title, sizeof title, LoadMessageText(kMsgBrowseTitle), entry.name);
    char folder[shell::kShellPathSize];
    if (!shell::BrowseForFolder(page, title, folder)) return;
    std::size_t length = std::strlen(folder);
    const char* separator = (length > 0 && folder[length - 1] == '\\') ? "" : "\\";
    std::string names = entry.moduleName;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = names.find(',', start);
        std::string name = names.substr(start, comma == std::string::npos ? std::string::npos
                                                                            : comma - start);
        char path[kPluginPathSize];
        if (!name.empty() &&
            text::FormatTo(path, sizeof path, "%s%s%s", folder, separator, name.c_str()) &&
            PluginFileExists(path)) {
            TakeLocation(page, entry, path);
            return;
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    char text[kPluginPathSize * 2];
    text::FormatTo(text, sizeof text, LoadMessageText(kMsgModuleNotInFolder), entry.name,
                   entry.moduleName);
    prompt::ShowMessageBox(page, text, nullptr, MB_ICONERROR);
}

std::string ListItemText(HWND list, int item) {
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, item, 0);
    if (length == LB_ERR) return {};
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, item, reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

void AddTypedExtension(HWND page) {
    char typed[kExtensionBufferSize] = "";
    SendDlgItemMessageA(page, IDC_EXTENSIONS_EDIT, WM_GETTEXT, sizeof typed,
                        reinterpret_cast<LPARAM>(typed));
    if (std::strpbrk(typed, kForbiddenExtensionCharacters)) {
        prompt::ShowMessageBox(page, "Invalid Extension", "Error", MB_ICONERROR);
        return;
    }
    const char* extension = typed[0] == '.' ? typed + 1 : typed;
    if (*extension == '\0') return;
    std::string kept = extension;
    SetDlgItemTextA(page, IDC_EXTENSIONS_EDIT, "");
    SendDlgItemMessageA(page, IDC_EXTENSIONS_LIST, LB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(kept.c_str()));
}

void RemoveSelectedExtension(HWND page) {
    HWND list = GetDlgItem(page, IDC_EXTENSIONS_LIST);
    LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) return;
    std::string extension = ListItemText(list, static_cast<int>(selected));
    SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(selected), 0);
    g_removals.push_front(extension);
}

// OK: the removals first, then every listed extension registered for the
// plug-in (one that another plug-in owns keeps its owner).  A removed
// extension that meanwhile belongs to another plug-in is left to it.
void ApplyExtensions(HWND page, const PluginEntry& entry) {
    for (const std::string& extension : g_removals) {
        if (ExtensionOwner(extension.c_str()) == entry.keyName) {
            DeletePluginExtension(extension.c_str());
        }
    }
    g_removals.clear();
    HWND list = GetDlgItem(page, IDC_EXTENSIONS_LIST);
    while (SendMessageA(list, LB_GETCOUNT, 0, 0) > 0) {
        std::string extension = ListItemText(list, 0);
        SendMessageA(list, LB_DELETESTRING, 0, 0);
        AddPluginExtension(entry.keyName, extension.c_str());
    }
}

}  // namespace

std::size_t PendingExtensionRemovals() {
    return static_cast<std::size_t>(std::distance(g_removals.begin(), g_removals.end()));
}

INT_PTR CALLBACK PluginLocationPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(page, GWLP_USERDATA, IndexOfCreation(lParam));
        PluginEntry* entry = EntryOf(page);
        if (!entry) return TRUE;
        if (entry->path[0]) SetDlgItemTextA(page, IDC_LOCATION_PATH, entry->path);
        else ShowNotFound(page, *entry);
        if (!HasWebBrowserHandler()) EnableWindow(GetDlgItem(page, IDC_LOCATION_URL), FALSE);
        return TRUE;
    }
    case WM_COMMAND: {
        PluginEntry* entry = EntryOf(page);
        if (!entry) break;
        switch (LOWORD(wParam)) {
        case IDC_LOCATION_SCAN: ScanForModule(page, *entry); return TRUE;
        case IDC_LOCATION_BROWSE: BrowseForModule(page, *entry); return TRUE;
        case IDC_LOCATION_URL:
            OpenPluginURL(static_cast<int>(GetWindowLongPtrA(page, GWLP_USERDATA)));
            return TRUE;
        }
        break;
    }
    case WM_CONTEXTMENU:
        ShowContextHelp(reinterpret_cast<HWND>(wParam));
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK PluginExtensionsPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(page, GWLP_USERDATA, IndexOfCreation(lParam));
        EnableWindow(GetDlgItem(page, IDC_EXTENSIONS_REMOVE), FALSE);
        PluginEntry* entry = EntryOf(page);
        if (!entry) return TRUE;
        char text[kPluginPathSize];
        if (IsFileIdPlugin(entry->keyName)) {
            text::FormatTo(text, sizeof text, LoadMessageText(kMsgIdentifiedWithoutExtensions),
                           entry->name);
            SetDlgItemTextA(page, IDC_EXTENSIONS_TEXT, text);
            for (int control : {IDC_EXTENSIONS_LIST, IDC_EXTENSIONS_EDIT, IDC_EXTENSIONS_ADD}) {
                EnableWindow(GetDlgItem(page, control), FALSE);
                ShowWindow(GetDlgItem(page, control), SW_HIDE);
            }
            ShowWindow(GetDlgItem(page, IDC_EXTENSIONS_REMOVE), SW_HIDE);
            ShowWindow(GetDlgItem(page, IDC_EXTENSIONS_GROUP), SW_HIDE);
        } else {
            text::FormatTo(text, sizeof text, LoadMessageText(kMsgExtensionsListed), entry->name);
            SetDlgItemTextA(page, IDC_EXTENSIONS_TEXT, text);
            FillExtensionList(page, IDC_EXTENSIONS_LIST, entry->keyName);
        }
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_EXTENSIONS_LIST:
            EnableWindow(GetDlgItem(page, IDC_EXTENSIONS_REMOVE), TRUE);
            return TRUE;
        case IDC_EXTENSIONS_EDIT:
            EnableWindow(GetDlgItem(page, IDC_EXTENSIONS_REMOVE), FALSE);
            return TRUE;
        case IDC_EXTENSIONS_ADD: AddTypedExtension(page); return TRUE;
        case IDC_EXTENSIONS_REMOVE: RemoveSelectedExtension(page); return TRUE;
        }
        break;
    case WM_NOTIFY:
        switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_APPLY:
        case PSN_WIZFINISH:
            if (PluginEntry* entry = EntryOf(page)) ApplyExtensions(page, *entry);
            else g_removals.clear();
            return TRUE;
        case PSN_RESET:
            g_removals.clear();
            return TRUE;
        }
        break;
    case WM_CONTEXTMENU:
        ShowContextHelp(reinterpret_cast<HWND>(wParam));
        return TRUE;
    }
    return FALSE;
}

bool BuildPluginPropertiesSheet(HWND owner, int entryIndex, DWORD flags,
                                PluginPropertiesSheet& sheet) {
    std::vector<PluginEntry>& list = PluginList();
    if (entryIndex < 0 || static_cast<std::size_t>(entryIndex) >= list.size()) return false;
    const PluginEntry& entry = list[static_cast<std::size_t>(entryIndex)];
    g_removals.clear();

    const int dialogs[2] = {IDD_PLUGIN_LOCATION, IDD_PLUGIN_EXTENSIONS};
    const DLGPROC procedures[2] = {&PluginLocationPage, &PluginExtensionsPage};
    for (int i = 0; i < 2; ++i) {
        sheet.pages[i] = propsheet::MakePage(Library().module, dialogs[i], procedures[i], entryIndex);
    }
    const UINT startPage = (entry.enabled && !IsFileIdPlugin(entry.keyName)) ? 1 : 0;
    sheet.header = propsheet::MakeHeader(PSH_NOAPPLYNOW | flags, owner, Library().module, entry.name,
                                     sheet.pages, 2, startPage);
    return true;
}

int ShowPluginProperties(HWND owner, int entryIndex) {
    PluginPropertiesSheet sheet;
    if (BuildPluginPropertiesSheet(owner, entryIndex, 0, sheet)) PropertySheetA(&sheet.header);
    g_removals.clear();
    return 1;
}

}  // namespace txr
