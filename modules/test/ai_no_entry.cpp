// AINOENTR.DLL: a library in the module folder without the AIEntry export.
#include <windows.h>

extern "C" __declspec(dllexport) int WINAPI Entry(int code, int, void*) { return code == 0 ? 1 : 0; }
