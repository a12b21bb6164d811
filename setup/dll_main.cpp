// Entry point of TXRUP450.DLL.
#include "setup/library_state.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) txr::OnLibraryAttach(instance);
    return TRUE;
}
