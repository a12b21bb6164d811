// The space bar as a check-box switch in the list views of the
// Integrate with Applications and Plug-in Support pages.
#pragma once

#include <windows.h>

namespace txr {

// Posted to the list's parent page when the space bar is pressed in it.
constexpr UINT kToggleRequestMessage = WM_USER + 13;

// Replaces the list's window procedure with ListKeyHook, saving the
// previous one in the single slot that both pages' lists share (they are of
// the same window class).
void InstallListKeyHook(HWND list);

// A key-down of the space bar (the whole 16-bit translation of ' ' for the
// current keyboard) posts the toggle request to the list's parent and is
// swallowed; every other message goes to the saved procedure.
LRESULT CALLBACK ListKeyHook(HWND list, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace txr
