// The setup wizard driven in-process: the welcome page's decision texts and
// buttons, the install with its progress, the success, scan and error
// pages, the page flow, centring, and the closing message.
#include "setup/wizard.h"

#include "integration/app_table.h"
#include "registration/message_text.h"
#include "resource_ids.h"
#include "setup/library_state.h"
#include "tests/support/library_test.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/seams.h"
#include "tests/support/sheet_driver.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace txr::test {
namespace {

constexpr int kBack = 0x3023;
constexpr int kNext = 0x3024;
constexpr int kFinish = 0x3025;
constexpr const char* kWelcomeText =
    "This setup will allow you to run Orbisel directly from your network server.";

class WizardTest : public LibraryTest {
protected:
    WizardTest() {
        WriteFile(server_ / "SUPPORT\\QUIKVIEW.EXE", "product viewer");
        std::string root = server_.path();
        lstrcpynA(Library().setupDirectory, root.c_str(), kPathSize);
        ResetInstallPathToSetupDirectory();
        Apps().AppCount = 0;
    }
    ~WizardTest() override {
        driver_.reset();
        for (const char* name : {"QUIKVIEW.EXE", "QUIKVIEW.ORG"}) {
            DeleteFileA((Viewers() + name).c_str());
        }
    }
    void Open(int message, int advice) {
        Wizard().result = kWizardNotShown;
        BuildWizardSheet(message, advice, PSH_MODELESS, sheet_);
        Wizard().firstShow = true;
        driver_ = std::make_unique<SheetDriver>(sheet_.header);
    }
    HWND Page() { return driver_->page(); }
    int Progress() {
        return static_cast<int>(SendDlgItemMessageA(Page(), IDC_WELCOME_PROGRESS, PBM_GETPOS, 0, 0));
    }

    ScratchFolder server_;
    ScriptedPrompts prompts_;
    FakeClock clock_;
    WizardSheet sheet_;
    std::unique_ptr<SheetDriver> driver_;
};

TEST_F(WizardTest, APlainSetupShowsTheWelcomeTextsAndOffersNext) {
    Open(0, 0);
    EXPECT_EQ(IDD_WELCOME, driver_->pageId());
    EXPECT_EQ(kWelcomeText, ControlText(Page(), IDC_WELCOME_MESSAGE));
    EXPECT_EQ("", ControlText(Page(), IDC_WELCOME_ADVICE));
    EXPECT_TRUE(driver_->ButtonEnabled(kNext));
    EXPECT_FALSE(driver_->ButtonEnabled(kBack));
    char caption[100] = "";
    GetWindowTextA(driver_->sheet(), caption, sizeof caption);
    EXPECT_STREQ("Orbisel Workstation Setup", caption);
}

TEST_F(WizardTest, TheDecisionsMessageAndAdviceReplaceTheTexts) {
    Open(150, 156);
    EXPECT_EQ(LoadMessageText(150), ControlText(Page(), IDC_WELCOME_MESSAGE));
    EXPECT_EQ(LoadMessageText(156), ControlText(Page(), IDC_WELCOME_ADVICE));
    EXPECT_TRUE(driver_->ButtonEnabled(kNext));
}

TEST_F(WizardTest, SetupThatCannotGoOnOffersOnlyCancel) {
    Open(146, 158);
    EXPECT_EQ(LoadMessageText(146), ControlText(Page(), IDC_WELCOME_MESSAGE));
    EXPECT_FALSE(driver_->ButtonEnabled(kNext));
    EXPECT_FALSE(driver_->ButtonEnabled(kFinish));
    driver_->Press(PSBTN_CANCEL);
    EXPECT_TRUE(driver_->closed());
    EXPECT_EQ(kWizardCancelled, Wizard().result);
}

TEST_F(WizardTest, NextInstallsWithTheProgressBarAndGoesToSuccess) {
    Open(0, 0);
    driver_->Press(PSBTN_NEXT);
    EXPECT_EQ(IDD_SUCCESS, driver_->pageId());
    EXPECT_EQ(kWizardInstalled, Wizard().result);
    EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, "Software\\Corvel\\Orbisel\\CurrentVersion",
                           "InstallStatus"));
    EXPECT_EQ("product viewer", ReadFile(Viewers() + "QUIKVIEW.EXE"));
    HWND welcome = PropSheet_IndexToHwnd(driver_->sheet(), 0);
    EXPECT_EQ(10, SendDlgItemMessageA(welcome, IDC_WELCOME_PROGRESS, PBM_GETPOS, 0, 0));
    EXPECT_EQ("Installing Orbisel...", ControlText(welcome, IDC_WELCOME_PROGRESS_TEXT));
    EXPECT_EQ(10u, clock_.pauses().size()) << "ten steps of 100 ms";
    EXPECT_EQ(1000u, clock_.totalPaused());
    EXPECT_TRUE(driver_->ButtonEnabled(kNext));
    EXPECT_FALSE(driver_->ButtonEnabled(kBack));
}

TEST_F(WizardTest, AFailedInstallLeadsToTheErrorPageAndBackToWelcome) {
    Open(0, 0);
    {
        RegistryFaults faults;
        faults.Fail(reg::Op::Create, "HKLM\\Software\\Corvel\\Orbisel\\CurrentVersion");
        driver_->Press(PSBTN_NEXT);
    }
    EXPECT_EQ(IDD_SETUP_ERROR, driver_->pageId());
    EXPECT_EQ(kWizardFailed, Wizard().result);
    HWND welcome = PropSheet_IndexToHwnd(driver_->sheet(), 0);
    EXPECT_EQ(5, SendDlgItemMessageA(welcome, IDC_WELCOME_PROGRESS, PBM_GETPOS, 0, 0))
        << "the bar stays at half";
    EXPECT_TRUE(driver_->ButtonEnabled(kBack));
    EXPECT_TRUE(driver_->ButtonEnabled(kFinish));
    ASSERT_EQ(1u, prompts_.shown().size()) << "the engine's fatal box";

    driver_->Press(PSBTN_BACK);
    EXPECT_EQ(IDD_WELCOME, driver_->pageId());
    driver_->Press(PSBTN_NEXT);  // the install again, now succeeding
    EXPECT_EQ(IDD_SUCCESS, driver_->pageId());
    EXPECT_EQ(kWizardInstalled, Wizard().result);
}

TEST_F(WizardTest, TheErrorPagesFinishClosesTheSheet) {
    Open(0, 0);
    RegistryFaults faults;
    faults.Fail(reg::Op::Create, "HKLM\\Software\\Corvel\\Orbisel\\CurrentVersion");
    driver_->Press(PSBTN_NEXT);
    driver_->Press(PSBTN_FINISH);
    EXPECT_TRUE(driver_->closed());
    EXPECT_EQ(kWizardFailed, Wizard().result);
}

TEST_F(WizardTest, TheSuccessPagesCheckBoxTurnsNextIntoFinish) {
    Open(0, 0);
    driver_->Press(PSBTN_NEXT);
    HWND success = Page();
    EXPECT_EQ("Orbisel installed successfully!", ControlText(success, IDC_SUCCESS_TITLE));
    SendDlgItemMessageA(success, IDC_SUCCESS_NO_INTEGRATION, BM_CLICK, 0, 0);
    PumpMessages();
    EXPECT_TRUE(driver_->ButtonEnabled(kFinish));
    EXPECT_FALSE(driver_->ButtonEnabled(kNext));
    SendDlgItemMessageA(success, IDC_SUCCESS_NO_INTEGRATION, BM_CLICK, 0, 0);
    PumpMessages();
    EXPECT_TRUE(driver_->ButtonEnabled(kNext));
    SendDlgItemMessageA(success, IDC_SUCCESS_NO_INTEGRATION, BM_CLICK, 0, 0);
    PumpMessages();
    driver_->Press(PSBTN_FINISH);
    EXPECT_TRUE(driver_->closed());
    EXPECT_EQ(kWizardInstalled, Wizard().result);
}

// Applications as the success page would have loaded them.
void SetApplications() {
    AppTable& table = Apps();
    table.AppCount = 4;
    const struct {
        const char* name;
        DWORD kindFlags;
        int status;
        int pathKnown;
    } apps[] = {
        {"Integrated", 4, kStatusIntegrated, 1},
        {"Automatic", 4 | kFlagAutomaticLow, kStatusIntegrated, 1},
        {"Module knows", 4, kStatusNotIntegrated, 1},
        {"Not found", 3, kStatusNotIntegrated, 0},
    };
    for (int i = 0; i < 4; ++i) {
        AppRecord& record = table.Records[i];
        record = AppRecord{};
        lstrcpyA(record.DisplayName, apps[i].name);
        lstrcpyA(record.KeyName, apps[i].name);
        record.KindFlags = apps[i].kindFlags;
        record.Status = apps[i].status;
        record.PathKnown = apps[i].pathKnown;
        record.Action = kActionNone;
        record.Listed = 1;
    }
}

TEST_F(WizardTest, TheScanPageProposesLocatedApplicationsNotYetIntegrated) {
    Open(0, 0);
    driver_->Press(PSBTN_NEXT);
    driver_->Press(PSBTN_NEXT);
    ASSERT_EQ(IDD_PROGRAM_SCAN, driver_->pageId());
    EXPECT_TRUE(driver_->ButtonEnabled(kBack));
    SetApplications();
    SendDlgItemMessageA(Page(), IDC_SCAN_SKIP, BM_CLICK, 0, 0);
    driver_->Press(PSBTN_NEXT);
    EXPECT_EQ(IDD_INTEGRATE, driver_->pageId());
    EXPECT_EQ(kActionNone, Apps().Records[0].Action) << "integrated, not automatic";
    EXPECT_EQ(kActionIntegrate, Apps().Records[1].Action) << "automatic: proposed again";
    EXPECT_EQ(kActionIntegrate, Apps().Records[2].Action) << "kind 4 without a scan";
    EXPECT_EQ(kActionNone, Apps().Records[3].Action) << "kind 3 not found";
    EXPECT_EQ("", ControlText(PropSheet_IndexToHwnd(driver_->sheet(), 2), IDC_SCAN_STATUS))
        << "no scan ran";
}

TEST_F(WizardTest, BackFromTheScanPageReturnsToSuccess) {
    Open(0, 0);
    driver_->Press(PSBTN_NEXT);
    driver_->Press(PSBTN_NEXT);
    driver_->Press(PSBTN_BACK);
    EXPECT_EQ(IDD_SUCCESS, driver_->pageId());
}

TEST_F(WizardTest, TheSheetIsCentredOnceWhenItsFirstPageIsCreated) {
    Open(0, 0);
    RECT frame;
    GetWindowRect(driver_->sheet(), &frame);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - width) / 2, frame.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - height) / 2, frame.top);
    EXPECT_FALSE(Wizard().firstShow);
    SetWindowPos(driver_->sheet(), nullptr, 5, 7, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    driver_->Press(PSBTN_NEXT);  // the success page is created now
    GetWindowRect(driver_->sheet(), &frame);
    EXPECT_EQ(5, frame.left) << "not centred again";
    EXPECT_EQ(7, frame.top);
}

TEST_F(WizardTest, TitlesUseADoubleHeightFont) {
    Open(0, 0);
    HFONT dialog = reinterpret_cast<HFONT>(SendMessageA(Page(), WM_GETFONT, 0, 0));
    HFONT title = reinterpret_cast<HFONT>(SendDlgItemMessageA(Page(), IDC_WELCOME_TITLE, WM_GETFONT, 0, 0));
    LOGFONTA dialogFont{}, titleFont{};
    GetObjectA(dialog, sizeof dialogFont, &dialogFont);
    GetObjectA(title, sizeof titleFont, &titleFont);
    EXPECT_EQ(dialogFont.lfHeight * 2, titleFont.lfHeight);
    if (std::string(dialogFont.lfFaceName) == "MS Sans Serif") {
        EXPECT_STREQ("Arial", titleFont.lfFaceName);
    }
}

// RunSetupWizard itself: modal, so a timer on this thread presses the
// sheet's Cancel from inside the modal loop.
void CALLBACK CancelTheSheet(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND sheet = FindWindowA("#32770", "Orbisel Workstation Setup");
    if (sheet) {
        KillTimer(nullptr, timer);
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
    }
}

// Buttons to press, one per timer tick, in a modal wizard.
std::vector<int> g_presses;
void CALLBACK PressNext(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND sheet = FindWindowA("#32770", nullptr);
    if (!sheet || !PropSheet_GetCurrentPageHwnd(sheet)) return;
    if (g_presses.empty()) {
        KillTimer(nullptr, timer);
        return;
    }
    int button = g_presses.front();
    g_presses.erase(g_presses.begin());
    PropSheet_PressButton(sheet, button);
}

TEST_F(WizardTest, CancellingAfterASuccessfulInstallStillEndsWithSuccess) {
    g_presses = {PSBTN_NEXT, PSBTN_CANCEL};
    UINT_PTR timer = SetTimer(nullptr, 0, 100, &PressNext);
    EXPECT_EQ(1, RunSetupWizard(0, 0));
    KillTimer(nullptr, timer);
    ASSERT_EQ(1u, prompts_.shown().size());
    EXPECT_EQ(LoadMessageText(153), prompts_.shown()[0].text);
}

TEST_F(WizardTest, AFailedInstallEndsWithItsOwnMessage) {
    RegistryFaults faults;
    faults.Fail(reg::Op::Create, "HKLM\\Software\\Corvel\\Orbisel\\CurrentVersion");
    g_presses = {PSBTN_NEXT, PSBTN_FINISH};
    UINT_PTR timer = SetTimer(nullptr, 0, 100, &PressNext);
    EXPECT_EQ(1, RunSetupWizard(0, 0));
    KillTimer(nullptr, timer);
    ASSERT_EQ(2u, prompts_.shown().size()) << "the engine's fatal box, then the closing message";
    EXPECT_EQ("There was an error setting up Orbisel on your system. Please contact your network "
              "administrator for assistance.",
              prompts_.shown()[1].text);
}

TEST_F(WizardTest, TheClosingMessageFollowsTheResult) {
    UINT_PTR timer = SetTimer(nullptr, 0, 50, &CancelTheSheet);
    EXPECT_EQ(1, RunSetupWizard(0, 0));
    KillTimer(nullptr, timer);
    ASSERT_EQ(1u, prompts_.shown().size());
    EXPECT_EQ("Orbisel Workstation Setup has been canceled. Your system is not setup to use "
              "Orbisel.",
              prompts_.shown()[0].text);
    EXPECT_EQ("Orbisel Workstation Setup", prompts_.shown()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK), prompts_.shown()[0].style);
}

}  // namespace
}  // namespace txr::test
