// A library of the server copy (PROGRAM\TXR.DLL, TXRSE2.DLL, TXRSHARE.DLL)
// in the small form this project ships: it loads, and it answers the COM
// entry points that the shell looks for without offering any class.
#include <windows.h>

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID, REFIID, void** object) {
    if (object) *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return S_OK; }
