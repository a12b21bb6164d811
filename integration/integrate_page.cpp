#include "integration/integrate_page.h"

#include "integration/check_list.h"
#include "integration/help_map.h"
#include "integration/list_key_hook.h"
#include "platform/bounded_text.h"
#include "platform/prompt.h"
#include "registration/message_text.h"
#include "resource_ids.h"
#include "setup/library_state.h"
#include "setup/wizard_frame.h"

#include <commctrl.h>

namespace txr {
namespace {

constexpr int kMsgPageText = 144;
constexpr int kMsgApplicationColumn = 72;
constexpr int kMsgActionColumn = 71;
constexpr int kMsgEnable = 63;
constexpr int kMsgDisable = 64;
constexpr int kMsgNoAction = 65;
constexpr int kMsgInformationCaption = 98;
constexpr int kMsgNotPresent = 96;
constexpr int kMsgNotFound = 97;
constexpr int kMsgFindsItself = 189;

int g_selectedApp = -1;

HWND List(HWND page) { return GetDlgItem(page, IDC_INTEGRATE_LIST); }

AppRecord* RecordAt(int index) {
    if (index < 0 || static_cast<std::uint32_t>(index) >= Apps().AppCount) return nullptr;
    return &Apps().Records[index];
}

void ShowRowState(HWND list, int row, const AppRecord& record) {
    ShowCheckListRow(list, row, AppStatePicture(record), AppActionMessage(record));
}

void FillList(HWND page) {
    HWND list = List(page);
    ListView_DeleteAllItems(list);
    for (std::uint32_t index = 0; index < Apps().AppCount; ++index) {
        AppRecord& record = Apps().Records[index];
        if (record.Listed != 1) continue;
        int row = AddCheckListRow(list, record.DisplayName, static_cast<int>(index));
        if (row >= 0) ShowRowState(list, row, record);
    }
}

void Refuse(HWND page, int message, const AppRecord& record) {
    char text[kMessageTextMax + 64];
    text::FormatTo(text, sizeof text, LoadMessageText(message), record.DisplayName);
    char caption[kMessageTextMax + 1];
    text::Copy(caption, LoadMessageText(kMsgInformationCaption));
    prompt::ShowMessageBox(page, text, caption, MB_ICONINFORMATION);
}

void OnClick(HWND page, bool doubleClick) {
    bool onPicture = false, onLabel = false;
    int row = CheckListRowAtMessagePos(List(page), &onPicture, &onLabel);
    if (row < 0) return;
    if (onPicture) {
        ToggleIntegration(page, row);
    } else if (doubleClick && onLabel && g_selectedApp != -1) {
        AppPropertiesSheet(page, g_selectedApp);
    }
}

void CarryOutActions(HWND page) {
    ApplyIntegrationActions(page);
    WriteAppRecords();
}

void OnInit(HWND page) {
    if (Apps().AppCount == 0) {
        LoadIntegrationModules();
        ReadAppRecords();
    }
    CentreSheetOnFirstShow(page);
    SetUpCheckList(List(page), kMsgApplicationColumn, kMsgActionColumn);
    InstallListKeyHook(List(page));
}

void OnActivate(HWND page) {
    SetDlgItemTextA(page, IDC_UNNAMED, LoadMessageText(kMsgPageText));
    SetWizardButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
    g_selectedApp = -1;
    EnableWindow(GetDlgItem(page, IDC_INTEGRATE_PROPERTIES), FALSE);
    FillList(page);
}

}  // namespace

int AppStatePicture(const AppRecord& record) {
    if (record.Action == kActionIntegrate) return 4;
    if (record.Status != kStatusIntegrated) return 1;
    return record.Action == kActionRemove ? 3 : 2;
}

int AppActionMessage(const AppRecord& record) {
    if (record.Action == kActionIntegrate) return kMsgEnable;
    if (record.Action == kActionRemove) return kMsgDisable;
    return kMsgNoAction;
}

int SelectedApp() { return g_selectedApp; }

void ToggleIntegration(HWND page, int row) {
    HWND list = List(page);
    AppRecord* record = RecordAt(CheckListRowIndex(list, row));
    if (record) {
        std::uint32_t kind = LocationKind(*record);
        if (kind == kKindNotPresent) {
            Refuse(page, kMsgNotPresent, *record);
        } else if (kind == kKindFoundByScan && !record->PathKnown) {
            Refuse(page, kMsgNotFound, *record);
        } else if (IsAutomatic(*record)) {
            Refuse(page, kMsgFindsItself, *record);
        } else {
            if (record->Action == kActionIntegrate || record->Action == kActionRemove) {
                record->Action = kActionNone;
            } else {
                record->Action =
                    record->Status == kStatusIntegrated ? kActionRemove : kActionIntegrate;
            }
            ShowRowState(list, row, *record);
            if (record->Action != kActionNone) PropSheet_Changed(GetParent(page), page);
        }
    }
    SelectCheckListRow(list, row);
}

INT_PTR CALLBACK IntegratePage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInit(page);
        return TRUE;
    case WM_PAINT:
        return PaintLeftPanel(page);
    case kToggleRequestMessage: {
        int row = ListView_GetNextItem(List(page), -1, LVNI_SELECTED);
        if (row >= 0) ToggleIntegration(page, row);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_INTEGRATE_PROPERTIES && g_selectedApp != -1) {
            AppPropertiesSheet(page, g_selectedApp);
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
        if (header->idFrom == IDC_INTEGRATE_LIST) {
            switch (header->code) {
            case NM_CLICK: OnClick(page, false); return TRUE;
            case NM_DBLCLK: OnClick(page, true); return TRUE;
            case LVN_ITEMCHANGED: {
                const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
                if (change->uNewState & LVIS_SELECTED) {
                    g_selectedApp = static_cast<int>(change->lParam);
                    EnableWindow(GetDlgItem(page, IDC_INTEGRATE_PROPERTIES), TRUE);
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
            return Answer(page, IDD_PROGRAM_SCAN);
        case PSN_WIZNEXT:
            CarryOutActions(page);
            return Answer(page, 0);
        case PSN_WIZFINISH:
            CarryOutActions(page);
            return Answer(page, FALSE);
        case PSN_APPLY:
            CarryOutActions(page);
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
