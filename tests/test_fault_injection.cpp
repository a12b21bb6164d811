// Nothing lost under faults: the whole unattended setup is run once to
// count its registry calls, then once for every call k with exactly the
// k-th call failing.  After each run the installation status agrees with
// the error log, the log's count with its records, nothing crashed or hung,
// and an uninstall leaves the workstation as it was before the setup
// (apart from the leftovers of tests/support/workstation.h).  The same is
// done for the uninstall of a good setup: with its k-th call failing, the
// next uninstall still cleans up.
#include "registration/error_log.h"
#include "registration/message_text.h"
#include "setup/automatic_setup.h"
#include "setup/install_engine.h"
#include "setup/library_state.h"
#include "tests/support/library_test.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/seams.h"
#include "tests/support/workstation.h"

#include <cstdio>
#include <string>

namespace txr::test {
namespace {

constexpr const char* kProduct = "Software\\Corvel\\Orbisel\\CurrentVersion";

class FaultInjectionTest : public LibraryTest {
protected:
    FaultInjectionTest() {
        WriteFile(server_ / "SUPPORT\\QUIKVIEW.EXE", "product viewer");
        std::string root = server_.path();
        lstrcpynA(Library().setupDirectory, root.c_str(), kPathSize);
    }

    void Prepare() {
        RealisticWorkstation(server_.path());
        classesBefore_ = ReadTree(HKEY_CLASSES_ROOT, "");
        machineBefore_ = ReadTree(HKEY_LOCAL_MACHINE, "");
    }
    // Fatal boxes (caption message 2) shown since the first `from` boxes.
    unsigned FatalBoxesSince(std::size_t from) const {
        const std::string fatalCaption = LoadMessageText(kMsgFatalCaption);
        unsigned count = 0;
        for (std::size_t n = from; n < prompts_.shown().size(); ++n) {
            if (prompts_.shown()[n].caption == fatalCaption) ++count;
        }
        return count;
    }
    // The installation status agrees with the error log, and is 3 exactly
    // when a fatal step stopped the sequence.
    void CheckStatusAgainstLog(const std::string& label, bool fatal) {
        auto status = GetDword(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus");
        auto count = GetDword(HKEY_LOCAL_MACHINE, kProduct, "ErrorCount");
        DWORD records = 0;
        while (GetValue(HKEY_LOCAL_MACHINE, kProduct, "Error" + std::to_string(records))) ++records;
        EXPECT_EQ(count.value_or(0), records) << label << ": ErrorCount against the records";
        if (!KeyExists(HKEY_LOCAL_MACHINE, kProduct)) return;  // fatal: nothing written
        if (!status) {
            // Only a failed write of the status itself leaves it out.
            bool statusWriteLogged = false;
            for (DWORD n = 0; n < records; ++n) {
                if (GetDword(HKEY_LOCAL_MACHINE, kProduct, "Error" + std::to_string(n)) == 1086u) {
                    statusWriteLogged = true;
                }
            }
            EXPECT_TRUE(statusWriteLogged) << label << ": no status and no record of its write";
            return;
        }
        EXPECT_EQ(fatal, *status == 3) << label << ": status " << *status;
        if (*status == 1) {
            EXPECT_EQ(0u, records) << label;
        } else if (*status == 2) {
            EXPECT_GT(records, 0u) << label;
        }
        EXPECT_TRUE(*status >= 1 && *status <= 3) << label;
    }
    void CheckClean(const std::string& label) {
        RegTree classes = ReadTree(HKEY_CLASSES_ROOT, "");
        RegTree machine = ReadTree(HKEY_LOCAL_MACHINE, "");
        // A setup that stopped early leaves fewer leftovers.
        RegTree classesExpected = AllowingMissingLeftovers(
            classesBefore_, ExpectedClassesAfterUninstall(classesBefore_), classes);
        RegTree machineExpected = AllowingMissingLeftovers(
            machineBefore_, ExpectedMachineAfterUninstall(machineBefore_, server_.path()), machine);
        EXPECT_EQ(classesExpected, classes) << label << "\nexpected:\n" << Dump(classesExpected)
                                            << "actual:\n" << Dump(classes);
        EXPECT_EQ(machineExpected, machine) << label << "\nexpected:\n" << Dump(machineExpected)
                                            << "actual:\n" << Dump(machine);
    }
    unsigned CountCalls(bool uninstall) {
        RegistryRedirect fresh;
        Prepare();
        if (uninstall) RunAutomaticSetup(0);
        RegistryFaults faults;
        if (uninstall) UninstallWorkstation();
        else RunAutomaticSetup(0);
        return faults.callCount();
    }

    ScratchFolder server_;
    ScriptedPrompts prompts_;
    RegTree classesBefore_;
    RegTree machineBefore_;
};

TEST_F(FaultInjectionTest, EveryCallOfTheUnattendedSetupMayFail) {
    unsigned calls = CountCalls(false);
    ASSERT_GT(calls, 100u);
    RecordProperty("registry_calls", static_cast<int>(calls));
    for (unsigned k = 1; k <= calls; ++k) {
        std::string label = "setup with call " + std::to_string(k) + " of " + std::to_string(calls) +
                            " failing";
        RegistryRedirect fresh;
        ResetErrorLogForTesting();
        Prepare();
        std::size_t boxesBefore = prompts_.shown().size();
        {
            RegistryFaults faults;
            faults.FailNth(k);
            RunAutomaticSetup(0);
        }
        CheckStatusAgainstLog(label, FatalBoxesSince(boxesBefore) > 0);
        UninstallWorkstation();
        CheckClean(label);
        if (HasFailure()) break;
    }
    std::printf("unattended setup: %u registry calls, each made to fail once\n", calls);
}

TEST_F(FaultInjectionTest, AFailedUninstallIsCleanedUpByTheNext) {
    unsigned calls = CountCalls(true);
    ASSERT_GT(calls, 50u);
    for (unsigned k = 1; k <= calls; ++k) {
        std::string label = "uninstall with call " + std::to_string(k) + " of " +
                            std::to_string(calls) + " failing";
        RegistryRedirect fresh;
        Prepare();
        RunAutomaticSetup(0);
        {
            RegistryFaults faults;
            faults.FailNth(k);
            UninstallWorkstation();
        }
        UninstallWorkstation();
        CheckClean(label);
        if (HasFailure()) break;
    }
    std::printf("uninstall: %u registry calls, each made to fail once\n", calls);
}

}  // namespace
}  // namespace txr::test
