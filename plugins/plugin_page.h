// The Plug-in Support page: the wizard's last page, on which the user
// enables or disables browser plug-ins for the viewer.
#pragma once

#include "integration/check_list.h"

#include <windows.h>

namespace txr {

// The page's dialog procedure (dialog 113).
INT_PTR CALLBACK PluginSupportPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// State picture of a plug-in (1 empty box, 2 grey tick, 3 red cross,
// 4 black tick) and the message of its action column.
int PluginStatePicture(DWORD enabled, DWORD pendingAction);
int PluginActionMessage(DWORD pendingAction);

// Width of the list's first column for a client width w (the second takes
// the rest).
inline int PluginColumnWidth(int w) { return CheckListFirstColumnWidth(w); }

}  // namespace txr
