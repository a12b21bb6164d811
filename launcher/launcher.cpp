// TXRSETUP.EXE: hands its command-line tail to TXRSetup and exits with 0.
//
// TXRUP450.DLL is bound at load time (an import of TXRSetup by name): when
// the library or the export is missing the platform's loader refuses to
// start the program with its own message.
#include "launcher/command_tail.h"

#include <windows.h>

#include <cstring>
#include <vector>

extern "C" __declspec(dllimport) int WINAPI TXRSetup(LPSTR commandLine);

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const char* tail = txr::CommandTail(GetCommandLineA());
    // TXRSetup may upper-case the text in place: hand it a copy we own.
    std::vector<char> buffer(tail, tail + std::strlen(tail) + 1);
    TXRSetup(buffer.data());
    return 0;
}
