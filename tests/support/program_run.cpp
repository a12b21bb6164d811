#include "tests/support/program_run.h"

#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

namespace txr::test {

ProgramRun RunProgram(std::string commandLine, DWORD timeoutMs, bool errorsToo) {
    ProgramRun run;
    ScratchFolder folder;
    std::string outputFile = folder / "output.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot create " << outputFile;
        return run;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = errorsToo ? out : GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_TIMEOUT) {
            ADD_FAILURE() << commandLine << " did not end";
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, 5000);
        }
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        ADD_FAILURE() << "cannot start " << commandLine;
    }
    CloseHandle(out);
    for (char c : ReadFile(outputFile)) {
        if (c != '\r') run.output += c;
    }
    return run;
}

std::string OwnFolder() {
    char self[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path(self, length < sizeof self ? length : 0);
    return path.substr(0, path.find_last_of('\\') + 1);
}

}  // namespace txr::test
