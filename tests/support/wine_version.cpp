#include "tests/support/wine_version.h"

#include "tests/support/scratch_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace txr::test {
namespace {

// The real current-user key, also while the test's registry is redirected.
struct RealUserKey {
    HKEY key = nullptr;
    RealUserKey() { RegOpenCurrentUser(KEY_ALL_ACCESS, &key); }
    ~RealUserKey() { if (key) RegCloseKey(key); }
};

}  // namespace

int RunTestUnderWineVersion(const std::string& version, const std::string& filter,
                            std::string* output) {
    static int serial = 0;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    ScratchFolder folder;
    std::string name = "vprobe" + std::to_string(GetCurrentProcessId()) + "_" +
                       std::to_string(++serial) + ".exe";
    std::string copy = folder / name;
    if (!CopyFileA(self, copy.c_str(), FALSE)) {
        ADD_FAILURE() << "cannot copy the test program";
        return -1;
    }

    RealUserKey user;
    std::string settings = "Software\\Wine\\AppDefaults\\" + name;
    HKEY key = nullptr;
    if (!user.key || RegCreateKeyExA(user.key, settings.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                     nullptr, &key, nullptr) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot write Wine's version setting";
        return -1;
    }
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                   static_cast<DWORD>(version.size() + 1));
    RegCloseKey(key);

    std::string outputFile = folder / "output.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string commandLine = "\"" + copy + "\" --gtest_also_run_disabled_tests --gtest_filter=" +
                              filter;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process{};
    DWORD exitCode = static_cast<DWORD>(-1);
    if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        ADD_FAILURE() << "cannot start the child test program";
    }
    CloseHandle(out);
    if (output) *output += ReadFile(outputFile);
    RegDeleteKeyA(user.key, settings.c_str());
    return static_cast<int>(exitCode);
}

}  // namespace txr::test
