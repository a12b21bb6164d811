// The application properties sheet and its General page: status, location
// (with Scan... and Browse...) and the module's description.
#include "integration/help_map.h"
#include "integration/integrate_page.h"
#include "integration/integration_module.h"
#include "integration/program_scan.h"
#include "platform/bounded_text.h"
#include "platform/shell.h"
#include "registration/message_text.h"
#include "resource_ids.h"
#include "setup/library_state.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

namespace txr {
namespace {

constexpr int kMsgWillIntegrate = 93;
constexpr int kMsgWillRemove = 94;
constexpr int kMsgFindsItself = 95;
constexpr int kMsgNotIntegrated = 74;
constexpr int kMsgIntegrated = 73;
constexpr int kMsgIntegrationError = 76;
constexpr int kMsgNotPresent = 89;
constexpr int kMsgNotFoundUseScan = 80;
constexpr int kMsgLocationNotNeeded = 88;
constexpr int kMsgNoLocation = 90;
constexpr int kMsgLocationTitle = 178;
constexpr int kMsgLocationOfFile = 179;
constexpr int kMsgBrowseTitle = 92;
constexpr const char* kParagraphBreak = "\r\n\r\n";
// Room a module gets for each text.  It is told no length, so it gets far
// more than the description can hold; what it writes is then cut to fit.
constexpr std::size_t kModuleTextRoom = 64 * 1024;

AppRecord* RecordOf(HWND page) {
    LONG_PTR index = GetWindowLongPtrA(page, GWLP_USERDATA);
    if (index < 0 || static_cast<std::uint32_t>(index) >= Apps().AppCount) return nullptr;
    return &Apps().Records[index];
}

// A message with the record's name (or another text) at its %s.
std::string Formatted(int message, const char* insert) {
    char text[kMessageTextMax + kAppPathSize];
    text::FormatTo(text, sizeof text, LoadMessageText(message), insert);
    return text;
}

void EnableLocationButtons(HWND page, bool enable) {
    EnableWindow(GetDlgItem(page, IDC_GENERAL_SCAN), enable);
    EnableWindow(GetDlgItem(page, IDC_GENERAL_BROWSE), enable);
}

// The location line when the record has no location yet (0: keep the text).
int MissingLocationMessage(const AppRecord& record) {
    switch (LocationKind(record)) {
    case kKindNotPresent: return kMsgNotPresent;
    case kKindFoundByScan: return kMsgNotFoundUseScan;
    case kKindModuleKnows: return kMsgLocationNotNeeded;
    default: return kMsgNoLocation;
    }
}

void ShowStatus(HWND page, const AppRecord& record) {
    int message = 0;
    bool fixed = false;
    if (record.Action == kActionIntegrate) {
        message = kMsgWillIntegrate;
    } else if (record.Action == kActionRemove) {
        message = kMsgWillRemove;
    } else if (IsAutomatic(record)) {
        message = kMsgFindsItself;
        fixed = true;
    } else if (record.Status == kStatusNotIntegrated) {
        message = kMsgNotIntegrated;
    } else if (record.Status == kStatusIntegrated) {
        message = kMsgIntegrated;
        fixed = true;
    } else if (record.Status == kStatusFailed) {
        message = kMsgIntegrationError;
    }
    if (message) SetDlgItemTextA(page, IDC_GENERAL_STATUS, Formatted(message, record.DisplayName).c_str());
    if (fixed) EnableLocationButtons(page, false);
}

void ShowLocationLine(HWND page, const AppRecord& record) {
    if (record.PathKnown) {
        SetDlgItemTextA(page, IDC_GENERAL_LOCATION, record.AppPath);
    } else {
        SetDlgItemTextA(page, IDC_GENERAL_LOCATION,
                        Formatted(MissingLocationMessage(record), record.DisplayName).c_str());
    }
}

void Scan(HWND page, AppRecord& record) {
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    record.PathKnown = 0;
    ScanForApps(page, &record);
    if (record.PathKnown) {
        SetDlgItemTextA(page, IDC_GENERAL_LOCATION, record.AppPath);
    } else {
        SetDlgItemTextA(page, IDC_GENERAL_LOCATION,
                        Formatted(kMsgNotFoundUseScan, record.DisplayName).c_str());
    }
    SetCursor(previous);
}

void Browse(HWND page, AppRecord& record) {
    std::string title = Formatted(kMsgBrowseTitle, record.DisplayName);
    char folder[shell::kShellPathSize];
    if (!shell::BrowseForFolder(page, title.c_str(), folder)) return;
    if (!text::Copy(record.AppPath, folder)) return;  // a cut path would be another folder
    record.PathKnown = 1;
    ShowAppLocation(page, record);
}

}  // namespace

std::string AppDescription(const AppRecord& record) {
    IntegrationModule module;
    if (!module.Load(record.ModuleFile)) return {};
    std::string description;
    std::vector<char> room(kModuleTextRoom);
    for (int code : {AI_INFOTEXT1, AI_INFOTEXT2, AI_INFOTEXT3}) {
        std::fill(room.begin(), room.end(), '\0');
        module.Ask(code, record.ModuleIndex, room.data());
        room.back() = '\0';
        description += room.data();
        if (code != AI_INFOTEXT3) description += kParagraphBreak;
    }
    if (description.size() > kAiInfoTextSize - 1) description.resize(kAiInfoTextSize - 1);
    return description;
}

void ShowAppLocation(HWND page, const AppRecord& record) {
    SetDlgItemTextA(page, IDC_GENERAL_LOCATION_GROUP, LoadMessageText(kMsgLocationTitle));
    if (record.PathKnown) {
        SetDlgItemTextA(page, IDC_GENERAL_LOCATION, record.AppPath);
    } else {
        int message = MissingLocationMessage(record);
        SetDlgItemTextA(page, IDC_GENERAL_LOCATION,
                        Formatted(message, record.DisplayName).c_str());
        if (message != kMsgNotFoundUseScan) {
            EnableLocationButtons(page, false);
            EnableWindow(GetDlgItem(page, IDC_GENERAL_LOCATION_GROUP), FALSE);
            if (message != kMsgLocationNotNeeded) return;
        }
    }
    if (record.FileNameCount > 0) {
        char name[kAiFileNameSize];
        text::Copy(name, record.FileNames[0]);
        SetDlgItemTextA(page, IDC_GENERAL_LOCATION_GROUP,
                        Formatted(kMsgLocationOfFile, name).c_str());
    }
}

INT_PTR CALLBACK GeneralPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(page, GWLP_USERDATA,
                          reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
        AppRecord* record = RecordOf(page);
        if (!record) return TRUE;
        ShowStatus(page, *record);
        ShowLocationLine(page, *record);
        SetDlgItemTextA(page, IDC_GENERAL_DESCRIPTION, AppDescription(*record).c_str());
        return TRUE;
    }
    case WM_COMMAND: {
        AppRecord* record = RecordOf(page);
        if (!record) break;
        switch (LOWORD(wParam)) {
        case IDC_GENERAL_SCAN: Scan(page, *record); return TRUE;
        case IDC_GENERAL_BROWSE: Browse(page, *record); return TRUE;
        case IDC_GENERAL_DESCRIPTION:
            if (HIWORD(wParam) == EN_SETFOCUS) {
                // Caret to the end, nothing highlighted.
                HWND edit = reinterpret_cast<HWND>(lParam);
                int end = GetWindowTextLengthA(edit);
                SendMessageA(edit, EM_SETSEL, end, end);
                return TRUE;
            }
            break;
        }
        break;
    }
    case WM_CLOSE:
        PropSheet_PressButton(GetParent(page), PSBTN_CANCEL);
        return TRUE;
    case WM_CONTEXTMENU:
        ShowContextHelp(reinterpret_cast<HWND>(wParam));
        return TRUE;
    }
    return FALSE;
}

bool BuildAppPropertiesSheet(HWND owner, int index, DWORD flags, AppPropertiesSheetParts& parts) {
    if (index < 0 || static_cast<std::uint32_t>(index) >= Apps().AppCount) return false;
    parts.page = propsheet::MakePage(Library().module, IDD_APP_GENERAL, &GeneralPage, index);
    parts.header = propsheet::MakeHeader(PSH_NOAPPLYNOW | flags, owner, Library().module,
                                     Apps().Records[index].DisplayName, &parts.page, 1, 0);
    return true;
}

void AppPropertiesSheet(HWND owner, int index) {
    AppPropertiesSheetParts parts;
    if (BuildAppPropertiesSheet(owner, index, 0, parts)) PropertySheetA(&parts.header);
}

}  // namespace txr
