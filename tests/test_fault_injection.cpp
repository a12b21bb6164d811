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

#include "registration/registrations.h"
#include "setup/setup_entry.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
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
    // productBefore: the product key before a run over an earlier setup,
    // which a fatal run that could write nothing leaves as it was.
    void CheckStatusAgainstLog(const std::string& label, bool fatal,
                               const RegTree* productBefore = nullptr) {
        auto status = GetDword(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus");
        auto count = GetDword(HKEY_LOCAL_MACHINE, kProduct, "ErrorCount");
        DWORD records = 0;
        while (GetValue(HKEY_LOCAL_MACHINE, kProduct, "Error" + std::to_string(records))) ++records;
        EXPECT_EQ(count.value_or(0), records) << label << ": ErrorCount against the records";
        if (!KeyExists(HKEY_LOCAL_MACHINE, kProduct)) return;  // fatal: nothing written
        if (fatal && productBefore && ReadTree(HKEY_LOCAL_MACHINE, kProduct) == *productBefore) return;
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
    unsigned CountCalls(bool uninstall, int setupsBefore = 0) {
        RegistryRedirect fresh;
        Prepare();
        for (int n = uninstall ? 1 : setupsBefore; n > 0; --n) RunAutomaticSetup(0);
        RegistryFaults faults;
        if (uninstall) UninstallWorkstation();
        else RunAutomaticSetup(0);
        return faults.callCount();
    }

    // The steps to try: all, or (TXR_STOP_SAMPLE=n, set where the tests
    // run on an emulated processor) every n-th and the last.
    static std::vector<unsigned> StepsToTry(unsigned steps, const char* what, const char* done) {
        unsigned every = 1;
        if (const char* sample = std::getenv("TXR_STOP_SAMPLE")) {
            every = std::max(1, std::atoi(sample));
        }
        std::vector<unsigned> chosen;
        for (unsigned step = 1; step <= steps; step += every) chosen.push_back(step);
        if (chosen.back() != steps) chosen.push_back(steps);
        if (every == 1) {
            std::printf("%s: %u steps, %s at every one\n", what, steps, done);
        } else {
            std::printf("%s: %u steps, %s at every %u-th (%zu runs; TXR_STOP_SAMPLE)\n", what,
                        steps, done, every, chosen.size());
        }
        return chosen;
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
    for (unsigned k : StepsToTry(calls, "unattended setup's registry calls", "made to fail")) {
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
}

// A reinstall meets the saved copies of the first setup: whichever of its
// calls fails, the system's saved entries survive it, and the uninstall
// gives them back.
TEST_F(FaultInjectionTest, EveryCallOfASetupOverAnEarlierOneMayFail) {
    unsigned calls = CountCalls(false, 1);
    for (unsigned k : StepsToTry(calls, "second setup's registry calls", "made to fail")) {
        std::string label = "second setup with call " + std::to_string(k) + " failing";
        RegistryRedirect fresh;
        Prepare();
        RunAutomaticSetup(0);
        ResetErrorLogForTesting();
        const RegTree productBefore = ReadTree(HKEY_LOCAL_MACHINE, kProduct);
        std::size_t boxesBefore = prompts_.shown().size();
        {
            RegistryFaults faults;
            faults.FailNth(k);
            RunAutomaticSetup(0);
        }
        CheckStatusAgainstLog(label, FatalBoxesSince(boxesBefore) > 0, &productBefore);
        UninstallWorkstation();
        CheckClean(label);
        if (HasFailure()) break;
    }
}

TEST_F(FaultInjectionTest, AFailedUninstallIsCleanedUpByTheNext) {
    unsigned calls = CountCalls(true);
    ASSERT_GT(calls, 50u);
    for (unsigned k : StepsToTry(calls, "uninstall's registry calls", "made to fail")) {
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
}

// ---------------------------------------------------------------------------
// Runs stopped at every step.

using RegistrationExport = int(WINAPI*)(int, HKEY, LPCSTR);
constexpr RegistrationExport kChecks[] = {
    &TXRRegContextMenu,      &TXRRegNTShellApproved,   &TXRRegQuickView,
    &TXRRegQuickViewOther,   &TXRRegQuickViewDefault,  &TXRRegQuickViewCommand,
    &TXRRegFileViewerClassId, &TXRRegShellExtClassId,  &TXRRegExchangeMenu,
    &TXRRegExchangeWordMenu, &TXRRegTXR32AppPath,      &TXRRegTXRSuppAppPath,
};

class StoppedRunTest : public FaultInjectionTest {
protected:
    StoppedRunTest() {
        WriteFile(server_ / "TXRNET.INI",
                  "[CurrentVersion]\r\nMajorRelease=4\r\nMinorRelease=5\r\nSubRelease=0\r\n");
        WriteFile(server_ / "SITE.INI", kSiteOptions);
        setupLine_ = server_ / "SITE.INI";
        ClearFiles();
    }
    ~StoppedRunTest() override { ClearFiles(); }

    static constexpr const char* kSiteOptions = "[Integrations]\r\n[Plugins]\r\n";
    static constexpr const char* kUninstallLine = "-s -u";

    // The files that setup saves, replaces and removes.
    struct Files {
        std::optional<std::string> viewer, saved, pluginSetup;
        bool operator==(const Files& o) const {
            return viewer == o.viewer && saved == o.saved && pluginSetup == o.pluginSetup;
        }
    };
    static std::string ViewerPath() { return Viewers() + "QUIKVIEW.EXE"; }
    static std::string SavedPath() { return Viewers() + "QUIKVIEW.ORG"; }
    static std::string PluginSetupPath() { return WindowsFile("XCVSETUP.INI"); }
    static std::optional<std::string> Read(const std::string& path) {
        if (!FileExists(path)) return {};
        return ReadFile(path);
    }
    static void Put(const std::string& path, const std::optional<std::string>& text) {
        if (text) WriteFile(path, *text);
        else DeleteFileA(path.c_str());
    }
    static Files TakeFiles() {
        return Files{Read(ViewerPath()), Read(SavedPath()), Read(PluginSetupPath())};
    }
    static void PutFiles(const Files& files) {
        Put(ViewerPath(), files.viewer);
        Put(SavedPath(), files.saved);
        Put(PluginSetupPath(), files.pluginSetup);
    }
    static void ClearFiles() { PutFiles(Files{}); }

    // What a stopped run leaves: the registry and the files.
    struct Leftover {
        RegTree classes, machine, user;
        Files files;
    };
    Leftover Take() {
        return Leftover{ReadTree(HKEY_CLASSES_ROOT, ""), ReadTree(HKEY_LOCAL_MACHINE, ""),
                        ReadTree(HKEY_CURRENT_USER, ""), TakeFiles()};
    }
    void PutBack(const Leftover& leftover) {
        workstation_.emplace();  // a registry of its own again
        WriteTree(HKEY_CLASSES_ROOT, "", leftover.classes);
        WriteTree(HKEY_LOCAL_MACHINE, "", leftover.machine);
        WriteTree(HKEY_CURRENT_USER, "", leftover.user);
        PutFiles(leftover.files);
    }

    // A fresh workstation with the system's Quick View program.
    void Fresh() {
        workstation_.emplace();
        ClearFiles();
        WriteFile(ViewerPath(), "system viewer");
        Prepare();
    }
    // One run of TXRSETUP.EXE with the command line, as a process of its own
    // starts it: its error numbering and options from nothing.
    void Run(const std::string& commandLine) {
        ResetErrorLogForTesting();
        Library().optionsFilePath[0] = '\0';
        std::string line = commandLine;
        TXRSetup(line.data());
    }
    void RunStoppedAt(unsigned step, const std::string& commandLine, std::string* what) {
        StoppedRun stopped(step);
        Run(commandLine);
        *what = stopped.stoppedStep();
    }
    unsigned CountSteps(const std::string& commandLine) {
        StoppedRun counting;
        Run(commandLine);
        return counting.steps();
    }

    // After an uninstall: the registry as before, less the leftovers, and
    // the system's Quick View program back in place.  A setup stopped
    // between copying the options file as XCVSETUP.INI and deleting it
    // leaves that copy (the next setup uses and deletes it).
    void CheckGivenBack(const std::string& label, bool pluginSetupMayStay) {
        CheckClean(label);
        Files files = TakeFiles();
        EXPECT_EQ("system viewer", files.viewer.value_or("(none)")) << label;
        EXPECT_FALSE(files.saved) << label << ": QUIKVIEW.ORG stays";
        if (files.pluginSetup && !(pluginSetupMayStay && *files.pluginSetup == kSiteOptions)) {
            ADD_FAILURE() << label << ": XCVSETUP.INI stays";
        }
    }
    // After a complete setup: every check is OK and the status is 1.
    void CheckHealthy(const std::string& label) {
        EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus").value_or(0)) << label;
        std::string installPath = server_.path();
        for (std::size_t n = 0; n < std::size(kChecks); ++n) {
            EXPECT_EQ(0, kChecks[n](3, nullptr, installPath.c_str())) << label << ": check " << n;
        }
        EXPECT_EQ("product viewer", Read(ViewerPath()).value_or("(none)")) << label;
        EXPECT_EQ("system viewer", Read(SavedPath()).value_or("(none)")) << label;
    }

    std::optional<RegistryRedirect> workstation_;
    std::string setupLine_;
};

TEST_F(StoppedRunTest, ASetupStoppedAtAnyStepIsUndoneOrFinished) {
    Fresh();
    const unsigned steps = CountSteps(setupLine_);
    CheckHealthy("the whole setup");
    ASSERT_GT(steps, 100u);
    RecordProperty("setup_steps", static_cast<int>(steps));
    for (unsigned step : StepsToTry(steps, "setup", "stopped")) {
        Fresh();
        std::string what;
        RunStoppedAt(step, setupLine_, &what);
        const std::string label = "setup stopped at step " + std::to_string(step) + " of " +
                                  std::to_string(steps) + " (" + what + ")";
        const Leftover leftover = Take();

        Run(kUninstallLine);
        CheckGivenBack(label + ", then -s -u", true);

        PutBack(leftover);
        Run(setupLine_);
        CheckHealthy(label + ", then setup again");
        CheckStatusAgainstLog(label + ", then setup again", false);
        Run(kUninstallLine);
        CheckGivenBack(label + ", then setup again and -s -u", false);
        if (HasFailure()) break;
    }
}

TEST_F(StoppedRunTest, AnUninstallStoppedAtAnyStepIsFinishedByTheNext) {
    Fresh();
    Run(setupLine_);
    const unsigned steps = CountSteps(kUninstallLine);
    CheckGivenBack("the whole uninstall", false);
    ASSERT_GT(steps, 50u);
    RecordProperty("uninstall_steps", static_cast<int>(steps));
    for (unsigned step : StepsToTry(steps, "uninstall", "stopped")) {
        Fresh();
        Run(setupLine_);
        std::string what;
        RunStoppedAt(step, kUninstallLine, &what);
        const std::string label = "uninstall stopped at step " + std::to_string(step) + " of " +
                                  std::to_string(steps) + " (" + what + ")";
        const Leftover leftover = Take();

        Run(kUninstallLine);
        CheckGivenBack(label + ", then -s -u", false);

        PutBack(leftover);
        Run(setupLine_);
        CheckHealthy(label + ", then setup again");
        Run(kUninstallLine);
        CheckGivenBack(label + ", then setup again and -s -u", false);
        if (HasFailure()) break;
    }
}

}  // namespace
}  // namespace txr::test
