#include "tests/support/sheet_driver.h"

#include <gtest/gtest.h>

#include <vector>

namespace txr::test {

void PumpMessages() {
    MSG message;
    for (int round = 0; round < 5; ++round) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(1);
    }
}

SheetDriver::SheetDriver(PROPSHEETHEADERA& header) {
    // The first comctl32 of Windows 95 and NT 4.0 opens only first-release
    // descriptions, and steps through the pages by their dwSize as here.
    EXPECT_EQ(40u, header.dwSize);
    const BYTE* description = reinterpret_cast<const BYTE*>(header.ppsp);
    for (UINT i = 0; (header.dwFlags & PSH_PROPSHEETPAGE) && i < header.nPages; ++i) {
        const auto* page = reinterpret_cast<const PROPSHEETPAGEA*>(description);
        EXPECT_EQ(40u, page->dwSize) << "page " << i;
        if (page->dwSize == 0) break;
        description += page->dwSize;
    }
    propsheet::InitCommonControlsForSheets();
    sheet_ = reinterpret_cast<HWND>(PropertySheetA(&header));
    EXPECT_NE(nullptr, sheet_);
    if (sheet_) ShowWindow(sheet_, SW_SHOW);
    PumpMessages();
}

SheetDriver::~SheetDriver() {
    if (sheet_ && IsWindow(sheet_)) DestroyWindow(sheet_);
    PumpMessages();
}

HWND SheetDriver::page() const {
    if (!sheet_ || !IsWindow(sheet_)) return nullptr;
    return PropSheet_GetCurrentPageHwnd(sheet_);
}

int SheetDriver::pageId() const {
    HWND current = page();
    if (!current) return 0;
    int index = static_cast<int>(PropSheet_HwndToIndex(sheet_, current));
    return static_cast<int>(PropSheet_IndexToId(sheet_, index));
}

bool SheetDriver::closed() const { return !sheet_ || !IsWindow(sheet_) || page() == nullptr; }

void SheetDriver::Press(int button) {
    PropSheet_PressButton(sheet_, button);
    PumpMessages();
}

bool SheetDriver::ButtonEnabled(int controlId) const {
    HWND button = GetDlgItem(sheet_, controlId);
    return button && IsWindowVisible(button) && IsWindowEnabled(button);
}

SinglePageWizard::SinglePageWizard(int dialog, DLGPROC procedure) {
    page_ = propsheet::MakePage(GetModuleHandleA(nullptr), dialog, procedure, 0);
    header_ = propsheet::MakeHeader(PSH_WIZARD | PSH_MODELESS, nullptr, GetModuleHandleA(nullptr),
                                    nullptr, &page_, 1, 0);
    driver_ = std::make_unique<SheetDriver>(header_);
}

int ListRowNamed(HWND list, const std::string& text) {
    for (int row = 0; row < ListCount(list); ++row) {
        if (ListText(list, row) == text) return row;
    }
    ADD_FAILURE() << "no row " << text;
    return -1;
}

std::string ControlText(HWND page, int id) {
    char text[2048] = "";
    GetDlgItemTextA(page, id, text, sizeof text);
    return text;
}

int ListCount(HWND list) { return ListView_GetItemCount(list); }

std::string ListText(HWND list, int item, int column) {
    char text[512] = "";
    ListView_GetItemText(list, item, column, text, sizeof text);
    return text;
}

int ListStatePicture(HWND list, int item) {
    return static_cast<int>(ListView_GetItemState(list, item, LVIS_STATEIMAGEMASK) >> 12);
}

LPARAM ListItemData(HWND list, int item) {
    LVITEMA query{};
    query.mask = LVIF_PARAM;
    query.iItem = item;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query));
    return query.lParam;
}

void ListSelect(HWND list, int item) {
    ListView_SetItemState(list, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    PumpMessages();
}

namespace {

// Real mouse input at the point, so that the list and the page see it as
// the platform delivers a click (with its message position).
void ClickAt(HWND list, POINT client, bool doubleClick) {
    POINT screen = client;
    ClientToScreen(list, &screen);
    SetForegroundWindow(GetAncestor(list, GA_ROOT));
    SetCursorPos(screen.x, screen.y);
    PumpMessages();
    for (int click = 0; click < (doubleClick ? 2 : 1); ++click) {
        INPUT input[2]{};
        input[0].type = INPUT_MOUSE;
        input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        input[1].type = INPUT_MOUSE;
        input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, input, sizeof(INPUT));
        PumpMessages();
    }
    // Let the double-click time pass, so that the next click is a new one.
    Sleep(GetDoubleClickTime() + 50);
    PumpMessages();
}

}  // namespace

void ListClickStatePicture(HWND list, int item, bool doubleClick) {
    RECT icon{};
    icon.left = LVIR_ICON;
    SendMessageA(list, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&icon));
    // The state picture stands left of the item's icon area.
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&bounds));
    POINT point{bounds.left + 7, (bounds.top + bounds.bottom) / 2};
    ClickAt(list, point, doubleClick);
}

void ListClickLabel(HWND list, int item, bool doubleClick) {
    RECT label{};
    label.left = LVIR_LABEL;
    SendMessageA(list, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&label));
    POINT point{label.left + 10, (label.top + label.bottom) / 2};
    ClickAt(list, point, doubleClick);
}

}  // namespace txr::test
