// The Integrate with Applications page and the application properties,
// driven in-process with the probe module announcing the applications: the
// rows, their pictures and action texts, toggling and its refusals, the
// space bar, carrying out on Next, and the General page's status, location,
// description, and Browse.
#include "integration/integrate_page.h"

#include "platform/shell.h"
#include "registration/message_text.h"
#include "resource_ids.h"
#include "tests/integration_fixture.h"
#include "tests/support/registry_tree.h"
#include "tests/support/seams.h"
#include "tests/support/sheet_driver.h"

#include <commctrl.h>

#include <string>

namespace txr::test {
namespace {

// Applications, announced in this order (the list shows them by name).
constexpr const char* kProbeSettings =
    "[Module]\r\nCount=6\r\n"
    "[App0]\r\nKeyName=Zeta\r\nDisplayName=Zeta Writer\r\nKind=4\r\nDefaultPath=C:\\ZETA\r\n"
    "Info1=Zeta writes letters.\r\nInfo2=It opens files with Orbisel.\r\nInfo3=Nothing else.\r\n"
    "[App1]\r\nKeyName=Alpha\r\nDisplayName=Alpha Mail\r\nKind=4\r\nDefaultPath=C:\\ALPHA\r\n"
    "[App2]\r\nKeyName=Missing\r\nDisplayName=Missing App\r\nKind=2\r\n"
    "[App3]\r\nKeyName=Beta\r\nDisplayName=Beta Browser\r\nKind=3\r\nFiles=beta.exe|beta.ini\r\n"
    "FileCount=2\r\n"
    "[App4]\r\nKeyName=Auto\r\nDisplayName=Auto Viewer\r\nKind=0x10004\r\nDefaultPath=C:\\AUTO\r\n"
    "[App5]\r\nKeyName=Hidden\r\nDisplayName=Hidden One\r\nKind=4\r\nVisibility=10\r\n";

class IntegratePageTest : public IntegrationTest {
protected:
    IntegratePageTest() {
        AddProbe(kProbeSettings);
        // Alpha Mail was integrated on an earlier run.
        SetDword(HKEY_LOCAL_MACHINE, AppKey("Alpha"), "Status", kStatusIntegrated);
        shell::SetBrowseHook([this](HWND, const char* title) {
            browseTitle_ = title;
            return browseAnswer_;
        });
    }
    ~IntegratePageTest() override {
        wizard_.reset();
        shell::SetBrowseHook({});
    }
    void Open() {
        wizard_ = std::make_unique<SinglePageWizard>(IDD_INTEGRATE, &IntegratePage);
        driver_ = &wizard_->driver();
        list_ = GetDlgItem(driver_->page(), IDC_INTEGRATE_LIST);
    }
    int Row(const std::string& name) { return ListRowNamed(list_, name); }
    void Toggle(const std::string& name) {
        ListSelect(list_, Row(name));
        SendMessageA(list_, WM_KEYDOWN, VK_SPACE, 0);
        PumpMessages();
    }
    int IndexOf(const std::string& name) {
        for (DWORD i = 0; i < Apps().AppCount; ++i) {
            if (name == Apps().Records[i].DisplayName) return static_cast<int>(i);
        }
        return -1;
    }

    ScriptedPrompts prompts_;
    FakeClock clock_;
    std::unique_ptr<SinglePageWizard> wizard_;
    SheetDriver* driver_ = nullptr;
    HWND list_ = nullptr;
    std::string browseAnswer_;
    std::string browseTitle_;
};

TEST_F(IntegratePageTest, ListedApplicationsAreSortedWithTheirOwnPicturesAndTexts) {
    Open();
    EXPECT_EQ(LoadMessageText(144), ControlText(driver_->page(), IDC_UNNAMED));
    ASSERT_EQ(5, ListCount(list_)) << "the hidden application has no row";
    EXPECT_EQ("Alpha Mail", ListText(list_, 0));
    EXPECT_EQ("Auto Viewer", ListText(list_, 1));
    EXPECT_EQ("Beta Browser", ListText(list_, 2));
    EXPECT_EQ("Missing App", ListText(list_, 3));
    EXPECT_EQ("Zeta Writer", ListText(list_, 4));
    EXPECT_EQ(2, ListStatePicture(list_, Row("Alpha Mail"))) << "integrated: grey tick";
    EXPECT_EQ(2, ListStatePicture(list_, Row("Auto Viewer"))) << "automatic starts integrated";
    EXPECT_EQ(1, ListStatePicture(list_, Row("Zeta Writer")));
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(IndexOf(ListText(list_, row)), ListItemData(list_, row)) << "item data: the table index";
        EXPECT_EQ(" ", ListText(list_, row, 1));
    }
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(driver_->page(), IDC_INTEGRATE_PROPERTIES)));
    RECT client;
    GetClientRect(list_, &client);
    EXPECT_EQ(14 * client.right / 24, ListView_GetColumnWidth(list_, 0));
}

TEST_F(IntegratePageTest, TogglingMovesThroughThePicturesAndActions) {
    Open();
    Toggle("Zeta Writer");
    EXPECT_EQ(4, ListStatePicture(list_, Row("Zeta Writer")));
    EXPECT_EQ("Enable Integration", ListText(list_, Row("Zeta Writer"), 1));
    Toggle("Zeta Writer");
    EXPECT_EQ(1, ListStatePicture(list_, Row("Zeta Writer")));
    EXPECT_EQ(" ", ListText(list_, Row("Zeta Writer"), 1));

    Toggle("Alpha Mail");
    EXPECT_EQ(3, ListStatePicture(list_, Row("Alpha Mail")));
    EXPECT_EQ("Disable Integration", ListText(list_, Row("Alpha Mail"), 1));
    Toggle("Alpha Mail");
    EXPECT_EQ(2, ListStatePicture(list_, Row("Alpha Mail")));
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(IntegratePageTest, ClicksOnThePictureToggleAndADoubleClickTogglesTwice) {
    Open();
    ListClickStatePicture(list_, Row("Zeta Writer"));
    EXPECT_EQ(4, ListStatePicture(list_, Row("Zeta Writer")));
    ListClickStatePicture(list_, Row("Zeta Writer"), true);
    EXPECT_EQ(4, ListStatePicture(list_, Row("Zeta Writer"))) << "toggled twice";
}

TEST_F(IntegratePageTest, SwitchesAreRefusedForMissingUnfoundAndAutomaticApplications) {
    Open();
    Toggle("Missing App");
    Toggle("Beta Browser");
    Toggle("Auto Viewer");
    ASSERT_EQ(3u, prompts_.shown().size());
    EXPECT_EQ("Missing App cannot be set up to use Orbisel because it was not found on your system.",
              prompts_.shown()[0].text);
    EXPECT_EQ("Beta Browser cannot be set up to use Orbisel because it was not found on your "
              "system. Use the Properties button to find it.",
              prompts_.shown()[1].text);
    EXPECT_EQ("This integration cannot be disabled because  Auto Viewer finds Orbisel "
              "automatically.\nFor more details, click on the Properties button.",
              prompts_.shown()[2].text);
    for (const auto& box : prompts_.shown()) {
        EXPECT_EQ("Setup Information", box.caption);
        EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), box.style);
        EXPECT_EQ(driver_->page(), box.owner);
    }
    EXPECT_EQ(2, ListStatePicture(list_, Row("Auto Viewer")));
    EXPECT_TRUE(ListView_GetItemState(list_, Row("Auto Viewer"), LVIS_SELECTED));
}

TEST_F(IntegratePageTest, TheSpaceBarWithoutASelectionDoesNothing) {
    Open();
    SendMessageA(list_, WM_KEYDOWN, VK_SPACE, 0);
    PumpMessages();
    for (int row = 0; row < ListCount(list_); ++row) EXPECT_EQ(" ", ListText(list_, row, 1));
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(IntegratePageTest, NextCarriesOutTheActionsWithAPauseEachAndSavesTheRecords) {
    Open();
    Toggle("Zeta Writer");
    Toggle("Alpha Mail");
    driver_->Press(PSBTN_FINISH);
    EXPECT_EQ(kStatusIntegrated, Apps().Records[IndexOf("Zeta Writer")].Status);
    EXPECT_EQ(kStatusNotIntegrated, Apps().Records[IndexOf("Alpha Mail")].Status);
    EXPECT_EQ(std::vector<DWORD>({1000, 1000}), clock_.pauses());
    EXPECT_EQ(2u, GetDword(HKEY_LOCAL_MACHINE, AppKey("Zeta"), "Status"));
    EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, AppKey("Alpha"), "Status"));
}

TEST_F(IntegratePageTest, BrowseFindsTheApplicationAndTheToggleIsThenAccepted) {
    Open();
    browseAnswer_ = "C:\\Programs\\Beta";
    AppPropertiesSheetParts parts;
    ASSERT_TRUE(BuildAppPropertiesSheet(driver_->page(), IndexOf("Beta Browser"), PSH_MODELESS, parts));
    {
        SheetDriver properties(parts.header);
        HWND general = properties.page();
        EXPECT_EQ("Beta Browser was not found on your system. Use Scan or Browse to find it.",
                  ControlText(general, IDC_GENERAL_LOCATION));
        SendMessageA(general, WM_COMMAND, MAKEWPARAM(IDC_GENERAL_BROWSE, BN_CLICKED), 0);
        PumpMessages();
        EXPECT_EQ("Select the location of Beta Browser then press OK", browseTitle_);
        EXPECT_EQ("C:\\Programs\\Beta", ControlText(general, IDC_GENERAL_LOCATION));
        EXPECT_EQ("Location of beta.exe", ControlText(general, IDC_GENERAL_LOCATION_GROUP));
    }
    const AppRecord& beta = Apps().Records[IndexOf("Beta Browser")];
    EXPECT_EQ(1, beta.PathKnown);
    EXPECT_STREQ("C:\\Programs\\Beta", beta.AppPath);
    Toggle("Beta Browser");
    EXPECT_TRUE(prompts_.shown().empty());
    EXPECT_EQ(4, ListStatePicture(list_, Row("Beta Browser")));
}

TEST_F(IntegratePageTest, TheGeneralPageShowsStatusLocationAndDescription) {
    Open();
    AppPropertiesSheetParts parts;
    ASSERT_TRUE(BuildAppPropertiesSheet(nullptr, IndexOf("Zeta Writer"), PSH_MODELESS, parts));
    SheetDriver properties(parts.header);
    char caption[100] = "";
    GetWindowTextA(properties.sheet(), caption, sizeof caption);
    EXPECT_STREQ("Zeta Writer", caption);
    HWND general = properties.page();
    EXPECT_EQ("Orbisel is not integrated with Zeta Writer", ControlText(general, IDC_GENERAL_STATUS));
    EXPECT_EQ("C:\\ZETA", ControlText(general, IDC_GENERAL_LOCATION));
    EXPECT_EQ("Zeta writes letters.\r\n\r\nIt opens files with Orbisel.\r\n\r\nNothing else.",
              ControlText(general, IDC_GENERAL_DESCRIPTION));
}

TEST_F(IntegratePageTest, AutomaticAndIntegratedApplicationsCannotBeRelocated) {
    Open();
    for (const char* name : {"Auto Viewer", "Alpha Mail"}) {
        AppPropertiesSheetParts parts;
        ASSERT_TRUE(BuildAppPropertiesSheet(nullptr, IndexOf(name), PSH_MODELESS, parts));
        SheetDriver properties(parts.header);
        HWND general = properties.page();
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(general, IDC_GENERAL_SCAN))) << name;
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(general, IDC_GENERAL_BROWSE))) << name;
    }
}

TEST_F(IntegratePageTest, DescriptionsOfEmptyAndOverlongTexts) {
    AddProbe("[Module]\r\nCount=2\r\n[App0]\r\nKeyName=Empty\r\nDisplayName=Empty\r\nKind=4\r\n"
             "[App1]\r\nKeyName=Long\r\nDisplayName=Long\r\nKind=4\r\nInfo1=" + std::string(500, 'a') +
             "\r\nInfo2=" + std::string(500, 'b') + "\r\nInfo3=" + std::string(500, 'c') + "\r\n",
             "AIPROBE.DLL");
    LoadIntegrationModules();
    ASSERT_EQ(2u, Apps().AppCount);
    EXPECT_EQ("\r\n\r\n\r\n\r\n", AppDescription(Apps().Records[0]));
    std::string longText = AppDescription(Apps().Records[1]);
    EXPECT_EQ(767u, longText.size()) << "768 bytes with the terminator";
    EXPECT_EQ(std::string(500, 'a') + "\r\n\r\n" + std::string(263, 'b'), longText);
}

}  // namespace
}  // namespace txr::test
