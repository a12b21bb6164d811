#include "tests/support/library_test.h"

#include "platform/clock.h"
#include "platform/os_version.h"
#include "platform/prompt.h"
#include "platform/registry_api.h"
#include "registration/error_log.h"
#include "setup/library_state.h"

namespace txr::test {
namespace {

void ResetSeams() {
    reg::SetFaultHook({});
    prompt::SetMessageBoxHook({});
    clock::SetClock(nullptr);
    os::ForcePlatform(os::Platform::Actual);
}

}  // namespace

LibraryTest::LibraryTest() {
    ResetSeams();
    ResetErrorLogForTesting();
    OnLibraryAttach(GetModuleHandleA(nullptr));
    ResetInstallPathToSetupDirectory();
    Library().optionsFilePath[0] = '\0';
}

LibraryTest::~LibraryTest() { ResetSeams(); }

std::string ProgramFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

}  // namespace txr::test
