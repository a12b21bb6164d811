// One run of the setup entry: where each command line leads, the
// uninstall confirmation, one run at a time, and a command line that
// cannot be read.
#include "setup/setup_entry.h"

#include "registration/error_log.h"
#include "setup/automatic_setup.h"
#include "setup/library_state.h"
#include "setup/setup_lock.h"
#include "tests/support/bad_pointers.h"
#include "tests/support/library_test.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/seams.h"

#include <string>
#include <vector>

namespace txr::test {
namespace {

constexpr const char* kKey = "Software\\Corvel\\Orbisel\\CurrentVersion";

// What the run did, recorded by the test's routes; with lockSeen, also
// whether the workstation's setup lock was held while the route ran.
struct Journey {
    std::vector<std::string> steps;
    bool lockSeen = false;
};
Journey* g_journey = nullptr;

// Whether the setup lock is held, as a thread that holds nothing sees it.
bool SetupLockIsHeld() {
    struct Probe {
        static DWORD WINAPI Look(void* held) {
            HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, kSetupLockName);
            if (!mutex) return 0;
            DWORD wait = WaitForSingleObject(mutex, 0);
            if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ReleaseMutex(mutex);
            *static_cast<bool*>(held) = wait == WAIT_TIMEOUT;
            CloseHandle(mutex);
            return 0;
        }
    };
    bool held = false;
    HANDLE thread = CreateThread(nullptr, 0, &Probe::Look, &held, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return held;
}

void Note(const std::string& step) {
    if (!g_journey->lockSeen) {
        g_journey->steps.push_back(step);
        return;
    }
    g_journey->steps.push_back(step + (SetupLockIsHeld() ? ", locked" : ", not locked"));
}

int RecordUninstall() {
    Note("uninstall");
    return 0;
}
int RecordAutomatic(int optionsFileFound) {
    Note("automatic " + std::to_string(optionsFileFound) + " " + Library().optionsFilePath);
    return 1;
}
int RecordWizard(int message, int advice) {
    Note("wizard " + std::to_string(message) + "/" + std::to_string(advice));
    return 1;
}

class SetupEntryTest : public LibraryTest {
protected:
    SetupEntryTest() {
        g_journey = &journey_;
        text_setup_ = setup_.path();
        lstrcpynA(Library().setupDirectory, text_setup_.c_str(), kPathSize);
    }
    ~SetupEntryTest() override { g_journey = nullptr; }

    void Server(const char* major, const char* minor, const char* sub) {
        WriteFile(setup_ / "TXRNET.INI", std::string("[CurrentVersion]\r\nMajorRelease=") + major +
                                             "\r\nMinorRelease=" + minor + "\r\nSubRelease=" +
                                             sub + "\r\n");
    }
    void Record(DWORD major, DWORD minor, DWORD sub) {
        SetString(HKEY_LOCAL_MACHINE, kKey, "InstallPath", "X:\\TXR\\");
        SetDword(HKEY_LOCAL_MACHINE, kKey, "MajorRelease", major);
        SetDword(HKEY_LOCAL_MACHINE, kKey, "MinorRelease", minor);
        SetDword(HKEY_LOCAL_MACHINE, kKey, "SubRelease", sub);
        SetDword(HKEY_LOCAL_MACHINE, kKey, "Network", 1);
    }
    std::vector<std::string> Run(const std::string& line) {
        journey_.steps.clear();
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back('\0');
        RunSetup(buffer.data(), SetupRoutes{&RecordUninstall, &RecordAutomatic, &RecordWizard});
        return journey_.steps;
    }

    using Steps = std::vector<std::string>;
    ScratchFolder setup_;
    std::string text_setup_;
    ScriptedPrompts prompts_;
    Journey journey_;
};

TEST_F(SetupEntryTest, NoArgumentsOpenTheWizardWithTheDecision) {
    Server("4", "5", "0");
    EXPECT_EQ(Steps{"wizard 0/0"}, Run(""));
    Record(4, 5, 0);
    EXPECT_EQ(Steps{"wizard 150/156"}, Run(""));
    Record(4, 6, 0);
    EXPECT_EQ(Steps{"wizard 151/157"}, Run(""));
    DeleteFileA((setup_ / "TXRNET.INI").c_str());
    EXPECT_EQ(Steps{"wizard 146/158"}, Run(""));
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(SetupEntryTest, TheSilentSwitchRunsUnattendedWithoutOptions) {
    Server("4", "5", "0");
    EXPECT_EQ(Steps{"automatic 0 "}, Run("-s"));
    EXPECT_EQ(Steps{"automatic 0 "}, Run("auto"));
    EXPECT_EQ(Steps{"automatic 0 "}, Run("AUTO"));
    Record(4, 5, 0);
    EXPECT_EQ(Steps{"automatic 0 "}, Run("/S")) << "the same version is reinstalled";
}

TEST_F(SetupEntryTest, AnUnattendedRunEndsSilentlyAgainstAdvice) {
    Server("4", "5", "0");
    Record(4, 6, 0);
    EXPECT_EQ(Steps{}, Run("-s"));
    DeleteFileA((setup_ / "TXRNET.INI").c_str());
    EXPECT_EQ(Steps{}, Run("-s"));
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(SetupEntryTest, AnOptionsFileRunsUnattendedWithIt) {
    Server("4", "5", "0");
    WriteFile(setup_ / "SITE.INI", "[Integrations]\r\n");
    EXPECT_EQ(Steps{"automatic 1 " + setup_ / "SITE.INI"}, Run("site.ini"));
    EXPECT_EQ(Steps{"wizard 0/0"}, Run("autoinst")) << "a name that is not found is ignored";
}

TEST_F(SetupEntryTest, UninstallAsksFirstAndConfirms) {
    Server("4", "5", "0");
    prompts_.Answer(IDYES);
    EXPECT_EQ(Steps{"uninstall"}, Run("/U"));
    ASSERT_EQ(2u, prompts_.shown().size());
    EXPECT_EQ("Are you sure you want to remove Orbisel?", prompts_.shown()[0].text);
    EXPECT_EQ("Orbisel Workstation Setup", prompts_.shown()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), prompts_.shown()[0].style);
    EXPECT_EQ(nullptr, prompts_.shown()[0].owner);
    EXPECT_EQ("Orbisel has been removed from your system.", prompts_.shown()[1].text);
    EXPECT_EQ("Orbisel Workstation Setup", prompts_.shown()[1].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK), prompts_.shown()[1].style);
}

TEST_F(SetupEntryTest, UninstallAnsweredNoDoesNothing) {
    prompts_.Answer(IDNO);
    EXPECT_EQ(Steps{}, Run("-u"));
    EXPECT_EQ(1u, prompts_.shown().size());
}

TEST_F(SetupEntryTest, SilentUninstallAsksNothingAndIgnoresTheServer) {
    EXPECT_EQ(Steps{"uninstall"}, Run("-s -u"));
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(SetupEntryTest, UninstallNeverConsultsTheOptionsFile) {
    WriteFile(setup_ / "SITE.INI", "[Integrations]\r\n");
    prompts_.Answer(IDYES);
    EXPECT_EQ(Steps{"uninstall"}, Run("-u site.ini"));
    EXPECT_STREQ("", Library().optionsFilePath);
}

TEST_F(SetupEntryTest, ANullCommandLineIsAnEmptyOne) {
    Server("4", "5", "0");
    journey_.steps.clear();
    RunSetup(nullptr, SetupRoutes{&RecordUninstall, &RecordAutomatic, &RecordWizard});
    EXPECT_EQ(Steps{"wizard 0/0"}, journey_.steps);
}

// Another run of setup, on a thread of its own, holding the workstation's
// setup lock until End: with release false it ends without releasing it,
// as a killed process does.
class OtherRun {
public:
    OtherRun() {
        held_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        end_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, &Hold, this, 0, nullptr);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held_, 60000)) << "the other run holds it";
    }
    ~OtherRun() {
        End(true);
        if (mutex_) CloseHandle(mutex_);
        CloseHandle(end_);
        CloseHandle(held_);
    }
    OtherRun(const OtherRun&) = delete;
    OtherRun& operator=(const OtherRun&) = delete;

    void End(bool release) {
        if (!thread_) return;
        release_ = release;
        SetEvent(end_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }

private:
    static DWORD WINAPI Hold(void* context) {
        OtherRun& run = *static_cast<OtherRun*>(context);
        run.mutex_ = CreateMutexA(nullptr, FALSE, kSetupLockName);
        WaitForSingleObject(run.mutex_, INFINITE);
        SetEvent(run.held_);
        WaitForSingleObject(run.end_, INFINITE);
        // The handle stays open until the destructor, so that an unreleased
        // lock outlives the thread as the abandoned lock of a dead run.
        if (run.release_) ReleaseMutex(run.mutex_);
        return 0;
    }

    HANDLE held_ = nullptr;
    HANDLE end_ = nullptr;
    HANDLE thread_ = nullptr;
    HANDLE mutex_ = nullptr;
    bool release_ = true;
};

// A clock on which the other run ends after the given time of waiting.
class ClockThatEndsTheOtherRun : public FakeClock {
public:
    ClockThatEndsTheOtherRun(OtherRun& other, DWORD after) : other_(other), after_(after) {}
    void Pause(DWORD ms) override {
        FakeClock::Pause(ms);
        if (totalPaused() >= after_) other_.End(true);
    }

private:
    OtherRun& other_;
    DWORD after_;
};

TEST_F(SetupEntryTest, WhileAnotherRunHoldsTheWorkstation) {
    Server("4", "5", "0");
    Record(4, 5, 0);
    FakeClock clock;
    const std::string running =
        "Orbisel Workstation Setup is already running on your system. Please wait until it has "
        "finished, then start setup again.";
    {
        OtherRun other;
        // Interactive runs, and the update, say so at once and end.
        EXPECT_EQ(Steps{}, Run(""));
        EXPECT_EQ(Steps{}, Run("/U"));
        EXPECT_EQ(0, TXRUpdate());
        ASSERT_EQ(3u, prompts_.shown().size());
        for (const ScriptedPrompts::Shown& box : prompts_.shown()) {
            EXPECT_EQ(running, box.text);
            EXPECT_EQ("Orbisel Workstation Setup", box.caption);
            EXPECT_EQ(static_cast<UINT>(MB_OK), box.style);
            EXPECT_EQ(nullptr, box.owner);
        }
        EXPECT_EQ(0u, clock.totalPaused());

        // An unattended run waits ten minutes, then gives up silently and
        // says why in the error log, with a status that agrees.
        SetDword(HKEY_LOCAL_MACHINE, kKey, "InstallStatus", 1);
        EXPECT_EQ(Steps{}, Run("-s"));
        EXPECT_GE(clock.totalPaused(), kSetupLockWaitMs);
        EXPECT_LT(clock.totalPaused(), kSetupLockWaitMs + kSetupLockPollMs);
        EXPECT_EQ(3u, prompts_.shown().size());
        EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kKey, "ErrorCount"));
        EXPECT_EQ(100u, GetDword(HKEY_LOCAL_MACHINE, kKey, "Error0"));
        EXPECT_EQ(2u, GetDword(HKEY_LOCAL_MACHINE, kKey, "InstallStatus"));
        EXPECT_EQ("Could not run setup because another setup was still running after 10 minutes",
                  GetString(HKEY_LOCAL_MACHINE, kKey, "ErrorString0"));
        EXPECT_EQ("As a result of this error, this setup did not change your system. If Orbisel "
                  "is not set up as you expect, run setup again.",
                  GetString(HKEY_LOCAL_MACHINE, kKey, "ErrorDescription0"));
        ResetErrorLogForTesting();  // the next run is a process of its own
        EXPECT_EQ(Steps{}, Run("-s -u"));
        EXPECT_EQ(2u, GetDword(HKEY_LOCAL_MACHINE, kKey, "ErrorCount")) << "after the first";
        EXPECT_EQ(100u, GetDword(HKEY_LOCAL_MACHINE, kKey, "Error1"));

        // Without an installation record the give-up is not recorded: a
        // product key made for it would look like a local installation.
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
        EXPECT_EQ(Steps{}, Run("-s"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
    }
    // The other run has ended: runs go on again, without waiting.
    DWORD paused = static_cast<DWORD>(clock.totalPaused());
    EXPECT_EQ(Steps{"automatic 0 "}, Run("-s"));
    EXPECT_EQ(Steps{"wizard 0/0"}, Run(""));
    EXPECT_EQ(paused, clock.totalPaused());
}

TEST_F(SetupEntryTest, AnUnattendedRunGoesOnWhenTheOtherRunEnds) {
    Server("4", "5", "0");
    OtherRun other;
    ClockThatEndsTheOtherRun clock(other, 3 * 60 * 1000);
    EXPECT_EQ(Steps{"automatic 0 "}, Run("-s"));
    EXPECT_GE(clock.totalPaused(), 3u * 60 * 1000);
    EXPECT_LT(clock.totalPaused(), 3u * 60 * 1000 + kSetupLockPollMs);
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(SetupEntryTest, EveryRunHoldsTheLockAlsoOneLeftByARunThatDied) {
    Server("4", "5", "0");
    journey_.lockSeen = true;
    EXPECT_EQ(Steps{"wizard 0/0, locked"}, Run(""));
    EXPECT_EQ(Steps{"uninstall, locked"}, Run("-s -u"));
    EXPECT_FALSE(SetupLockIsHeld()) << "released when the run ends";

    FakeClock clock;
    OtherRun other;
    other.End(false);
    EXPECT_EQ(Steps{"wizard 0/0, locked"}, Run(""));
    EXPECT_EQ(Steps{"automatic 0 , locked"}, Run("-s"));
    EXPECT_FALSE(SetupLockIsHeld());
    EXPECT_EQ(0u, clock.totalPaused());
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(SetupEntryTest, ACommandLineThatCannotBeReadEndsTheRunAtOnce) {
    Server("4", "5", "0");
    BadPointers bad;
    RegTree before = ReadTree(HKEY_LOCAL_MACHINE, "");
    for (const BadPointers::Named& line : bad.UnreadableTexts()) {
        EXPECT_EQ(0, TXRSetup(line.pointer)) << line.what;
    }
    EXPECT_TRUE(prompts_.shown().empty());
    EXPECT_EQ(before, ReadTree(HKEY_LOCAL_MACHINE, ""));
}

TEST_F(SetupEntryTest, TheExportAlwaysReturnsZero) {
    // No TXRNET.INI in the setup folder: an unattended run ends at once.
    char line[] = "-s";
    EXPECT_EQ(0, TXRSetup(line));
}

}  // namespace
}  // namespace txr::test
