#include "setup/wizard_frame.h"

#include "resource_ids.h"
#include "setup/library_state.h"

#include <cstring>

namespace txr {
namespace {

constexpr int kLeftPanelBitmapHeight = 300;
constexpr int kLeftPanelBitmapSourceWidth = 120;
constexpr const char* kTitleFontProperty = "TxrTitleFont";

// A solid line of one system colour.
void FillLine(HDC dc, int left, int top, int right, int bottom, int colour) {
    HBRUSH brush = CreateSolidBrush(GetSysColor(colour));
    RECT line{left, top, right, bottom};
    FillRect(dc, &line, brush);
    DeleteObject(brush);
}

}  // namespace

WizardState& Wizard() {
    static WizardState state;
    return state;
}

bool PaintLeftPanel(HWND page) {
    HWND panel = GetDlgItem(page, IDC_LEFT_PANEL);
    if (!panel) return false;

    PAINTSTRUCT paint;
    HDC dc = BeginPaint(page, &paint);
    RECT area;
    GetWindowRect(panel, &area);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&area), 2);
    int width = area.right - area.left;
    int height = area.bottom - area.top;

    HBITMAP bitmap = LoadBitmapA(Library().module, MAKEINTRESOURCEA(IDB_LEFT_PANEL));
    HDC memory = CreateCompatibleDC(dc);
    if (bitmap && memory) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        // The picture cut to the panel's height around its middle, its
        // width stretched to the panel's.
        StretchBlt(dc, area.left, area.top, width, height, memory, 0,
                   (kLeftPanelBitmapHeight - height) / 2, kLeftPanelBitmapSourceWidth, height,
                   SRCCOPY);
        SelectObject(memory, previous);
    }
    // A one-pixel sunken frame.
    FillLine(dc, area.left, area.top, area.left + 1, area.bottom, COLOR_BTNSHADOW);
    FillLine(dc, area.left, area.top, area.right, area.top + 1, COLOR_BTNSHADOW);
    FillLine(dc, area.right, area.top, area.right + 1, area.bottom, COLOR_BTNHIGHLIGHT);
    FillLine(dc, area.left, area.bottom, area.right, area.bottom + 1, COLOR_BTNHIGHLIGHT);

    if (memory) DeleteDC(memory);
    if (bitmap) DeleteObject(bitmap);
    EndPaint(page, &paint);
    return true;
}

void CentreSheetOnFirstShow(HWND page) {
    if (!Wizard().firstShow) return;
    HWND sheet = GetParent(page);
    RECT frame;
    GetWindowRect(sheet, &frame);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    SetWindowPos(sheet, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Wizard().firstShow = false;
}

void ApplyTitleFont(HWND page, std::initializer_list<int> titleControls) {
    if (titleControls.size() == 0) return;
    HWND first = GetDlgItem(page, *titleControls.begin());
    if (!first) return;
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(first, WM_GETFONT, 0, 0));
    LOGFONTA description;
    if (!dialogFont || !GetObjectA(dialogFont, sizeof description, &description)) return;
    description.lfHeight *= 2;
    if (std::strcmp(description.lfFaceName, "MS Sans Serif") == 0) {
        lstrcpynA(description.lfFaceName, "Arial", LF_FACESIZE);
    }
    HFONT title = CreateFontIndirectA(&description);
    if (!title) return;
    ReleaseTitleFont(page);
    SetPropA(page, kTitleFontProperty, title);
    for (int control : titleControls) {
        SendDlgItemMessageA(page, control, WM_SETFONT, reinterpret_cast<WPARAM>(title), TRUE);
    }
}

void ReleaseTitleFont(HWND page) {
    if (HANDLE font = RemovePropA(page, kTitleFontProperty)) DeleteObject(font);
}

void SetWizardButtons(HWND page, DWORD buttons) {
    PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(buttons));
}

INT_PTR Answer(HWND page, LONG_PTR result) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace txr
