// The check-box list views of the Integrate with Applications and Plug-in
// Support pages: two columns, the state pictures of bitmap 1, one row per
// table entry (its index as the row's data), and clicks hit-tested at the
// message position.
#pragma once

#include <windows.h>

namespace txr {

// Width of the first column for a client width w (the second takes the
// rest).
inline int CheckListFirstColumnWidth(int w) { return 14 * w / 24; }

// Inserts the two left-aligned columns, headed by the two messages, and
// sets the state pictures (the list has none when the bitmap cannot be
// loaded).
void SetUpCheckList(HWND list, int firstHeaderMessage, int secondHeaderMessage);

// Appends a row for table entry index; returns its position (the list may
// sort it), or -1.
int AddCheckListRow(HWND list, const char* text, int index);

// Sets a row's state picture (1 to 4) and its second column's message.
void ShowCheckListRow(HWND list, int row, int picture, int actionMessage);

// The table index a row stands for; -1 for no such row.
int CheckListRowIndex(HWND list, int row);

// Selects and focuses the row.
void SelectCheckListRow(HWND list, int row);

// The row under the position of the message being handled (a click), and
// whether it lies on the row's state picture or its label; -1 for none.
int CheckListRowAtMessagePos(HWND list, bool* onPicture, bool* onLabel);

}  // namespace txr
