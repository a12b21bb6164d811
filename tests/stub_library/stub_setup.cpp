// A stand-in for TXRUP450.DLL: its TXRSetup writes the bytes it received,
// between brackets, to RECEIVED.TXT beside the library, and upper-cases the
// caller's buffer in place as the real library may.
#include <windows.h>

#include <cstring>

namespace {
HMODULE g_module = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

extern "C" int WINAPI TXRSetup(LPSTR commandLine) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(g_module, path, MAX_PATH);
    while (length > 0 && path[length - 1] != '\\') --length;
    path[length] = '\0';
    lstrcatA(path, "RECEIVED.TXT");
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, "[", 1, &written, nullptr);
        if (commandLine) {
            WriteFile(file, commandLine, static_cast<DWORD>(std::strlen(commandLine)), &written,
                      nullptr);
        } else {
            WriteFile(file, "(null)", 6, &written, nullptr);
        }
        WriteFile(file, "]", 1, &written, nullptr);
        CloseHandle(file);
    }
    if (commandLine) CharUpperA(commandLine);
    return 0;
}
