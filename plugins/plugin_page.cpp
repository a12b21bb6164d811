#include "plugins/plugin_page.h"

#include "integration/help_map.h"
#include "integration/list_key_hook.h"
#include "platform/bounded_text.h"
#include "platform/prompt.h"
#include "plugins/plugin_list.h"
#include "plugins/plugin_properties.h"
#include "registration/message_text.h"
#include "resource_ids.h"
#include "setup/library_state.h"
#include "setup/wizard_frame.h"

#include <commctrl.h>

namespace txr {
namespace {

constexpr int kMsgPageText = 1023;
constexpr int kMsgPluginColumn = 4001;
constexpr int kMsgActionColumn = 71;
constexpr int kMsgNotFound = 2014;
constexpr int kMsgInformationCaption = 98;
constexpr int kMsgEnable = 2015;
constexpr int kMsgDisable = 2016;
constexpr int kMsgNoAction = 65;
constexpr int kStateImageWidth = 14;

// Index of the entry whose item was last selected; -1 for none.
int g_selection = -1;

HWND List(HWND page) { return GetDlgItem(page, IDC_PLUGINS_LIST); }

void InsertColumns(HWND list) {
    RECT client;
    GetClientRect(list, &client);
    int width = client.right - client.left;
    int first = PluginColumnWidth(width);
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = first;
    column.pszText = const_cast<char*>(LoadMessageText(kMsgPluginColumn));
    column.iSubItem = 0;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    column.cx = width - first;
    column.pszText = const_cast<char*>(LoadMessageText(kMsgActionColumn));
    column.iSubItem = 1;
    SendMessageA(list, LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
}

void ShowEntryState(HWND list, int item, const PluginEntry& entry) {
    ListView_SetItemState(list, item,
                          INDEXTOSTATEIMAGEMASK(PluginStatePicture(entry.enabled,
                                                                   entry.pendingAction)),
                          LVIS_STATEIMAGEMASK);
    ListView_SetItemText(list, item, 1,
                         const_cast<char*>(LoadMessageText(PluginActionMessage(entry.pendingAction))));
}

void FillList(HWND page) {
    HWND list = List(page);
    ListView_DeleteAllItems(list);
    std::vector<PluginEntry>& entries = PluginList();
    for (std::size_t index = 0; index < entries.size(); ++index) {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(index);
        item.pszText = entries[index].name;
        item.lParam = static_cast<LPARAM>(index);
        int position = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0,
                                                     reinterpret_cast<LPARAM>(&item)));
        if (position >= 0) ShowEntryState(list, position, entries[index]);
    }
}

int EntryIndexOfItem(HWND list, int item) {
    LVITEMA query{};
    query.mask = LVIF_PARAM;
    query.iItem = item;
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query))) return -1;
    return static_cast<int>(query.lParam);
}

void Toggle(HWND page, int item) {
    HWND list = List(page);
    int index = EntryIndexOfItem(list, item);
    std::vector<PluginEntry>& entries = PluginList();
    if (index < 0 || static_cast<std::size_t>(index) >= entries.size()) return;
    PluginEntry& entry = entries[static_cast<std::size_t>(index)];
    if (!entry.found) {
        char text[kMessageTextMax + 64];
        text::FormatTo(text, sizeof text, LoadMessageText(kMsgNotFound), entry.name);
        char caption[kMessageTextMax + 1];
        text::Copy(caption, LoadMessageText(kMsgInformationCaption));
        prompt::ShowMessageBox(page, text, caption, MB_ICONINFORMATION);
    } else {
        if (entry.pendingAction == kPluginEnable || entry.pendingAction == kPluginDisable) {
            entry.pendingAction = kPluginNone;
        } else {
            entry.pendingAction = entry.enabled ? kPluginDisable : kPluginEnable;
        }
        ShowEntryState(list, item, entry);
        if (entry.pendingAction != kPluginNone) PropSheet_Changed(GetParent(page), page);
    }
    ListView_SetItemState(list, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void OnClick(HWND page, bool doubleClick) {
    HWND list = List(page);
    DWORD position = GetMessagePos();
    LVHITTESTINFO hit{};
    hit.pt.x = static_cast<short>(LOWORD(position));
    hit.pt.y = static_cast<short>(HIWORD(position));
    ScreenToClient(list, &hit.pt);
    int item = ListView_HitTest(list, &hit);
    if (item < 0) return;
    if (hit.flags & LVHT_ONITEMSTATEICON) {
        Toggle(page, item);
    } else if ((hit.flags & LVHT_ONITEMLABEL) && doubleClick) {
        ShowPluginProperties(page, EntryIndexOfItem(list, item));
    }
}

void OnActivate(HWND page) {
    SetDlgItemTextA(page, IDC_PLUGINS_TEXT, LoadMessageText(kMsgPageText));
    SetWizardButtons(page, PSWIZB_BACK | PSWIZB_FINISH);
    g_selection = -1;
    EnableWindow(GetDlgItem(page, IDC_PLUGINS_PROPERTIES), FALSE);
    FillList(page);
}

}  // namespace

int PluginStatePicture(DWORD enabled, DWORD pendingAction) {
    if (pendingAction == kPluginEnable) return 4;
    if (enabled) return pendingAction == kPluginDisable ? 3 : 2;
    return 1;
}

int PluginActionMessage(DWORD pendingAction) {
    if (pendingAction == kPluginEnable) return kMsgEnable;
    if (pendingAction == kPluginDisable) return kMsgDisable;
    return kMsgNoAction;
}

INT_PTR CALLBACK PluginSupportPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        if (PluginList().empty()) LoadPluginList(0);
        HWND list = List(page);
        InsertColumns(list);
        HIMAGELIST pictures = ImageList_LoadImageA(Library().module,
                                                   MAKEINTRESOURCEA(IDB_STATE_IMAGES),
                                                   kStateImageWidth, 0, CLR_NONE, IMAGE_BITMAP, 0);
        if (pictures) ListView_SetImageList(list, pictures, LVSIL_STATE);
        InstallListKeyHook(list);
        return TRUE;
    }
    case WM_PAINT:
        return PaintLeftPanel(page);
    case kToggleRequestMessage: {
        int item = ListView_GetNextItem(List(page), -1, LVNI_SELECTED);
        if (item >= 0) Toggle(page, item);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_PLUGINS_PROPERTIES && g_selection != -1) {
            ShowPluginProperties(page, g_selection);
            return TRUE;
        }
        break;
    case WM_HELP:
        ShowControlHelp(reinterpret_cast<const HELPINFO*>(lParam));
        return TRUE;
    case WM_CONTEXTMENU:
        ShowContextHelp(reinterpret_cast<HWND>(wParam));
        return TRUE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_PLUGINS_LIST) {
            switch (header->code) {
            case NM_CLICK: OnClick(page, false); return TRUE;
            case NM_DBLCLK: OnClick(page, true); return TRUE;
            case LVN_ITEMCHANGED: {
                const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
                if (change->uNewState & LVIS_SELECTED) {
                    g_selection = static_cast<int>(change->lParam);
                    EnableWindow(GetDlgItem(page, IDC_PLUGINS_PROPERTIES), TRUE);
                }
                return TRUE;
            }
            }
            break;
        }
        switch (header->code) {
        case PSN_SETACTIVE:
            OnActivate(page);
            return Answer(page, 0);
        case PSN_WIZBACK:
            return Answer(page, IDD_INTEGRATE);
        case PSN_WIZFINISH:
            SavePluginList();
            FreePluginList();
            return Answer(page, FALSE);
        case PSN_APPLY:
            SavePluginList();
            PropSheet_UnChanged(GetParent(page), page);
            PropSheet_CancelToClose(GetParent(page));
            return Answer(page, PSNRET_NOERROR);
        }
        break;
    }
    }
    return FALSE;
}

}  // namespace txr
