#include "integration/list_key_hook.h"

namespace txr {
namespace {

WNDPROC g_previousListProcedure = nullptr;

}  // namespace

void InstallListKeyHook(HWND list) {
    WNDPROC previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListKeyHook)));
    // Installing on a list that already has the hook must not make the hook
    // its own predecessor.
    if (previous && previous != &ListKeyHook) g_previousListProcedure = previous;
}

LRESULT CALLBACK ListKeyHook(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN &&
        LOWORD(wParam) == static_cast<WORD>(VkKeyScanA(' '))) {
        PostMessageA(GetParent(list), kToggleRequestMessage, 0, 0);
        return 1;
    }
    if (!g_previousListProcedure) return DefWindowProcA(list, message, wParam, lParam);
    return CallWindowProcA(g_previousListProcedure, list, message, wParam, lParam);
}

}  // namespace txr
