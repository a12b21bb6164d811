// Runs another program from a test and collects what it wrote.
#pragma once

#include <windows.h>

#include <string>

namespace txr::test {

// A finished run: its exit code (0xFFFFFFFF when it could not be started)
// and what it wrote, lines ending in \n alone.
struct ProgramRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
};

// Runs commandLine with its standard output (and its standard error too,
// unless errorsToo is false: it then goes where this program's goes)
// collected in a scratch file, and waits up to timeoutMs for it; a program
// that cannot be started or does not end in time is a test failure (it is
// then ended).
ProgramRun RunProgram(std::string commandLine, DWORD timeoutMs = 60000, bool errorsToo = true);

// The folder of this test program, with a trailing backslash.
std::string OwnFolder();

}  // namespace txr::test
