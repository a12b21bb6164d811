#include "integration/check_list.h"

#include "registration/message_text.h"
#include "resource_ids.h"
#include "setup/library_state.h"

#include <commctrl.h>

namespace txr {
namespace {

constexpr int kStatePictureWidth = 14;

void InsertColumn(HWND list, int position, int width, int headerMessage) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<char*>(LoadMessageText(headerMessage));
    column.iSubItem = position;
    SendMessageA(list, LVM_INSERTCOLUMNA, position, reinterpret_cast<LPARAM>(&column));
}

}  // namespace

void SetUpCheckList(HWND list, int firstHeaderMessage, int secondHeaderMessage) {
    RECT client;
    GetClientRect(list, &client);
    int width = client.right - client.left;
    InsertColumn(list, 0, CheckListFirstColumnWidth(width), firstHeaderMessage);
    InsertColumn(list, 1, width - CheckListFirstColumnWidth(width), secondHeaderMessage);
    HIMAGELIST pictures =
        ImageList_LoadImageA(Library().module, MAKEINTRESOURCEA(IDB_STATE_IMAGES),
                             kStatePictureWidth, 0, CLR_NONE, IMAGE_BITMAP, 0);
    if (pictures) ListView_SetImageList(list, pictures, LVSIL_STATE);
}

int AddCheckListRow(HWND list, const char* text, int index) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    item.lParam = index;
    return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void ShowCheckListRow(HWND list, int row, int picture, int actionMessage) {
    ListView_SetItemState(list, row, INDEXTOSTATEIMAGEMASK(picture), LVIS_STATEIMAGEMASK);
    ListView_SetItemText(list, row, 1, const_cast<char*>(LoadMessageText(actionMessage)));
}

int CheckListRowIndex(HWND list, int row) {
    LVITEMA query{};
    query.mask = LVIF_PARAM;
    query.iItem = row;
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query))) return -1;
    return static_cast<int>(query.lParam);
}

void SelectCheckListRow(HWND list, int row) {
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int CheckListRowAtMessagePos(HWND list, bool* onPicture, bool* onLabel) {
    DWORD position = GetMessagePos();
    LVHITTESTINFO hit{};
    hit.pt.x = static_cast<short>(LOWORD(position));
    hit.pt.y = static_cast<short>(HIWORD(position));
    ScreenToClient(list, &hit.pt);
    int row = ListView_HitTest(list, &hit);
    *onPicture = (hit.flags & LVHT_ONITEMSTATEICON) != 0;
    *onLabel = (hit.flags & LVHT_ONITEMLABEL) != 0;
    return row;
}

}  // namespace txr
