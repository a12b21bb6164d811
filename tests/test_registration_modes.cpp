// What every registration export shares: install, check, remove and check
// again on a redirected registry; a second install over the first; the
// modes that must not log, must not change anything, or do nothing at all.
#include "platform/os_version.h"
#include "registration/registry_primitives.h"
#include "tests/registration_fixture.h"
#include "tests/support/bad_pointers.h"

#include <string>

namespace txr::test {
namespace {

struct ExportCase {
    const char* name;
    RegistrationExport function;
    // The system's state before the product comes: what install takes over.
    void (*prepare)();
    // Install's result when every registry call fails.
    int resultWhenEverythingFails;
    // Check's result when nothing can be opened or read: absent Quick View
    // and Exchange entries are correct, absent own entries wrong.
    int checkWhenNothingReadable;
    // Whether its entries name a module below the installation path.
    bool readsInstallPath;
};

void Nothing() {}

// Quick View of a system before installation, with a saved copy as an
// earlier install left it.
void SystemQuickView() {
    CreateKey(HKEY_CLASSES_ROOT, std::string("QuickView\\.txt\\") + kSystemViewer);
    CreateKey(HKEY_CLASSES_ROOT, std::string("QuickView\\.doc\\") + kOtherViewer);
    CreateKey(HKEY_CLASSES_ROOT, std::string("QuickView\\*\\") + kSystemViewer);
    ASSERT_EQ(ERROR_SUCCESS,
              CopyKeyTree(HKEY_CLASSES_ROOT, "QuickView", HKEY_CLASSES_ROOT, "QuickView.Original"));
}

void FileTypeQuickView() { SetString(HKEY_CLASSES_ROOT, "txtfile\\QuickView", "", "*"); }

void ExchangeItems() {
    SetString(HKEY_CLASSES_ROOT, "CLSID\\{00020D05-0000-0000-C000-000000000046}\\Verb\\2", "",
              "&Quick View,0,2");
    SetString(HKEY_CLASSES_ROOT, "CLSID\\{0006F031-0000-0000-C000-000000000046}\\Verb\\3", "",
              "&Quick View,0,2");
}

void WordMailItem() {
    SetString(HKEY_CLASSES_ROOT, "CLSID\\{0006FE04-0000-0000-C000-000000000046}\\Verb\\2", "",
              "&Quick View, 0, 2");
}

const ExportCase kExports[] = {
    {"ContextMenu", TXRRegContextMenu, Nothing, kRegFatal, kCheckWrong, false},
    {"NTShellApproved", TXRRegNTShellApproved, Nothing, kRegFatal, kCheckWrong, false},
    {"FileViewerClassId", TXRRegFileViewerClassId, Nothing, kRegMinorFailure, kCheckWrong, true},
    {"ShellExtClassId", TXRRegShellExtClassId, Nothing, kRegFatal, kCheckWrong, true},
    {"TXR32AppPath", TXRRegTXR32AppPath, Nothing, kRegMinorFailure, kCheckWrong, true},
    {"TXRSuppAppPath", TXRRegTXRSuppAppPath, Nothing, kRegMinorFailure, kCheckWrong, true},
    // With every call failing no saved copy can be made: the takeover is
    // left out, and logged.
    {"QuickView", TXRRegQuickView, SystemQuickView, kRegMinorFailure, kCheckCorrect, false},
    {"QuickViewOther", TXRRegQuickViewOther, FileTypeQuickView, kRegDone, kCheckCorrect, false},
    {"QuickViewDefault", TXRRegQuickViewDefault, Nothing, kRegMinorFailure, kCheckWrong, false},
    {"QuickViewCommand", TXRRegQuickViewCommand, Nothing, kRegMinorFailure, kCheckWrong, false},
    {"ExchangeMenu", TXRRegExchangeMenu, ExchangeItems, kRegDone, kCheckCorrect, false},
    {"ExchangeWordMenu", TXRRegExchangeWordMenu, WordMailItem, kRegDone, kCheckCorrect, false},
};

class RegistrationModesTest : public RegistrationTest,
                              public ::testing::WithParamInterface<ExportCase> {
protected:
    RegistrationModesTest() { os::ForcePlatform(os::Platform::WindowsNT); }
    int Run(int mode, HKEY logKey = nullptr, const char* path = kInstallPath) {
        return GetParam().function(mode, logKey, path);
    }
};

TEST_P(RegistrationModesTest, InstallCheckRemoveCheck) {
    GetParam().prepare();
    EXPECT_EQ(kCheckWrong, Run(kModeCheck)) << "before install";
    EXPECT_EQ(kRegDone, Run(kModeInstall, log_));
    EXPECT_EQ(kCheckCorrect, Run(kModeCheck));
    EXPECT_EQ(kRegDone, Run(kModeInstall, log_)) << "a second install over the first";
    EXPECT_EQ(kCheckCorrect, Run(kModeCheck));
    Run(kModeRemove, nullptr, nullptr);
    EXPECT_EQ(kCheckWrong, Run(kModeCheck)) << "after remove";
    EXPECT_TRUE(Records().empty());
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_P(RegistrationModesTest, CheckChangesAndLogsNothing) {
    GetParam().prepare();
    Run(kModeInstall, log_);
    RegTree before = Everything();
    RegistryFaults faults;
    Run(kModeCheck, log_);
    faults.FailWhen([](const reg::Call&) { return true; });
    EXPECT_EQ(GetParam().checkWhenNothingReadable, Run(kModeCheck, log_));
    for (const reg::Call& call : faults.calls()) {
        EXPECT_TRUE(call.op == reg::Op::Open || call.op == reg::Op::QueryValue ||
                    call.op == reg::Op::EnumKey || call.op == reg::Op::Close)
            << reg::Describe(call);
    }
    EXPECT_EQ(before, Everything());
    EXPECT_TRUE(Records().empty());
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_P(RegistrationModesTest, RemoveIgnoresEveryFailureAndLogsNothing) {
    GetParam().prepare();
    Run(kModeInstall, log_);
    RegTree before = Everything();
    RegistryFaults faults;
    faults.FailWhen([](const reg::Call&) { return true; });
    Run(kModeRemove, log_, nullptr);
    EXPECT_EQ(before, Everything()) << "every call failed, nothing changed";
    EXPECT_TRUE(Records().empty());
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_P(RegistrationModesTest, RemovingFromACleanRegistryChangesNothing) {
    RegTree before = Everything();
    Run(kModeRemove, nullptr, nullptr);
    EXPECT_EQ(before, Everything()) << Dump(Everything());
}

TEST_P(RegistrationModesTest, OtherModesDoNothing) {
    GetParam().prepare();
    RegTree before = Everything();
    RegistryFaults faults;
    for (int mode : {0, 4, 5, -1, 0x10001}) {
        EXPECT_EQ(0, Run(mode, log_)) << mode;
    }
    EXPECT_EQ(0u, faults.callCount()) << "not one registry call";
    EXPECT_EQ(before, Everything());
    EXPECT_TRUE(Records().empty());
}

TEST_P(RegistrationModesTest, InstallWithEveryCallFailing) {
    GetParam().prepare();
    RegistryFaults faults;
    // The log key is not the library's: its records still get written.
    faults.FailWhen([](const reg::Call& call) { return call.keyPath != "?"; });
    EXPECT_EQ(GetParam().resultWhenEverythingFails, Run(kModeInstall, log_));
    bool fatal = GetParam().resultWhenEverythingFails == kRegFatal;
    EXPECT_EQ(fatal ? 1u : 0u, prompts_.shown().size());
    if (GetParam().resultWhenEverythingFails == kRegDone) EXPECT_TRUE(Records().empty());
    else EXPECT_EQ(1u, Records().size()) << "the first failure ends the install";
}

// A bad install path is the caller's fault: where the path is read,
// install gives 3 so that the caller abandons the installation, check gives
// 4, and nothing is written, logged or shown.  The registrations that name
// no module never touch it and do their work.  Remove never reads the path.
TEST_P(RegistrationModesTest, AnUnreadableInstallPathEndsInstallAndCheckAtOnce) {
    GetParam().prepare();
    BadPointers bad;
    RegTree before = Everything();
    const bool reads = GetParam().readsInstallPath;
    for (const BadPointers::Named& path : bad.UnreadableTexts()) {
        EXPECT_EQ(reads ? kRegFatal : kRegDone, Run(kModeInstall, log_, path.pointer)) << path.what;
        EXPECT_EQ(reads ? kCheckWrong : kCheckCorrect, Run(kModeCheck, log_, path.pointer))
            << path.what;
        if (reads) {
            EXPECT_EQ(before, Everything()) << path.what;
        }
    }
    EXPECT_TRUE(Records().empty());
    EXPECT_TRUE(prompts_.shown().empty());

    Run(kModeInstall, log_);
    Run(kModeRemove, log_, bad.UnreadableTexts().front().pointer);
    EXPECT_EQ(kCheckWrong, Run(kModeCheck)) << "removed";
}

INSTANTIATE_TEST_SUITE_P(EveryExport, RegistrationModesTest, ::testing::ValuesIn(kExports),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace txr::test
