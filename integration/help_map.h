// Context help of the integration and plug-in pages: pairs of control id
// and help context, ending with 0, 0, for the platform's help viewer.
#pragma once

#include <windows.h>

namespace txr {

extern const DWORD kHelpMap[];

// WM_HELP (F1 on a control) and WM_CONTEXTMENU (right button) with the
// help file named by the library state and the help map.  A missing help
// file only makes the help viewer say so.
void ShowControlHelp(const HELPINFO* help);
void ShowContextHelp(HWND control);

}  // namespace txr
