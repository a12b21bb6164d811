#include "plugins/plugin_page.h"

#include "integration/check_list.h"
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

// Index of the entry whose item was last selected; -1 for none.
int g_selection = -1;

HWND List(HWND page) { return GetDlgItem(page, IDC_PLUGINS_LIST); }

void ShowEntryState(HWND list, int item, const PluginEntry& entry) {
    ShowCheckListRow(list, item, PluginStatePicture(entry.enabled, entry.pendingAction),
                     PluginActionMessage(entry.pendingAction));
}

void FillList(HWND page) {
    HWND list = List(page);
    ListView_DeleteAllItems(list);
    std::vector<PluginEntry>& entries = PluginList();
    for (std::size_t index = 0; index < entries.size(); ++index) {
        int position = AddCheckListRow(list, entries[index].name, static_cast<int>(index));
        if (position >= 0) ShowEntryState(list, position, entries[index]);
    }
}

void Toggle(HWND page, int item) {
    HWND list = List(page);
    int index = CheckListRowIndex(list, item);
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
    SelectCheckListRow(list, item);
}

void OnClick(HWND page, bool doubleClick) {
    HWND list = List(page);
    bool onPicture = false, onLabel = false;
    int item = CheckListRowAtMessagePos(list, &onPicture, &onLabel);
    if (item < 0) return;
    if (onPicture) {
        Toggle(page, item);
    } else if (onLabel && doubleClick) {
        ShowPluginProperties(page, CheckListRowIndex(list, item));
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
        SetUpCheckList(List(page), kMsgPluginColumn, kMsgActionColumn);
        InstallListKeyHook(List(page));
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
