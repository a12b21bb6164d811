// The Plug-in Support page, driven in a modeless wizard sheet: the list,
// its pictures and action texts, toggling by click, double click and space
// bar, and saving on Finish.
#include "plugins/plugin_page.h"

#include "plugins/plugin_list.h"
#include "registration/message_text.h"
#include "resource_ids.h"
#include "setup/wizard_frame.h"
#include "tests/support/library_test.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/seams.h"
#include "tests/support/sheet_driver.h"

#include <string>

namespace txr::test {
namespace {

constexpr const char* kPlugins = "Software\\Corvel\\Orbisel\\CurrentVersion\\Plugins";

// Counts PSM_CHANGED sent to any window of this thread.
int g_changedCount = 0;
LRESULT CALLBACK WatchChanged(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == PSM_CHANGED) ++g_changedCount;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class PluginPageTest : public LibraryTest {
protected:
    PluginPageTest() {
        std::string install = browsers_ / "Netscape";
        WriteFile(install + "\\Program\\Plugins\\npqtw32.dll", "np");
        SetString(HKEY_CURRENT_USER, "Software\\Netscape\\Netscape Navigator\\Main",
                  "Install Directory", install);
        g_changedCount = 0;
        hook_ = SetWindowsHookExA(WH_CALLWNDPROC, &WatchChanged, nullptr, GetCurrentThreadId());
    }
    ~PluginPageTest() override {
        UnhookWindowsHookEx(hook_);
        FreePluginList();
    }

    void Open() {
        wizard_ = std::make_unique<SinglePageWizard>(IDD_PLUGINS, &PluginSupportPage);
        driver_ = &wizard_->driver();
        list_ = GetDlgItem(driver_->page(), IDC_PLUGINS_LIST);
    }
    int Row(const std::string& name) { return ListRowNamed(list_, name); }

    ScratchFolder browsers_;
    ScriptedPrompts prompts_;
    HHOOK hook_ = nullptr;
    std::unique_ptr<SinglePageWizard> wizard_;
    SheetDriver* driver_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(PluginPageTest, TheFirstActivationListsEveryPluginWithItsProposal) {
    Open();
    HWND page = driver_->page();
    EXPECT_EQ(LoadMessageText(1023), ControlText(page, IDC_PLUGINS_TEXT));
    EXPECT_EQ(11, ListCount(list_));
    int quicktime = Row("Apple QuickTime");
    EXPECT_EQ(4, ListStatePicture(list_, quicktime));
    EXPECT_EQ("Enable Plug-in", ListText(list_, quicktime, 1));
    int acrobat = Row("Adobe Acrobat");
    EXPECT_EQ(1, ListStatePicture(list_, acrobat));
    EXPECT_EQ(" ", ListText(list_, acrobat, 1));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_PLUGINS_PROPERTIES)));
    EXPECT_TRUE(driver_->ButtonEnabled(0x3025)) << "Finish";
    EXPECT_TRUE(driver_->ButtonEnabled(0x3023)) << "Back";
}

TEST_F(PluginPageTest, ColumnsSplitTheListWidthFourteenTwentyFourths) {
    Open();
    RECT client;
    GetClientRect(list_, &client);
    int w = client.right;
    EXPECT_EQ(w * 14 / 24, ListView_GetColumnWidth(list_, 0));
    EXPECT_EQ(w - w * 14 / 24, ListView_GetColumnWidth(list_, 1));
    EXPECT_EQ(175, PluginColumnWidth(300));
    EXPECT_EQ(125, 300 - PluginColumnWidth(300));
}

TEST_F(PluginPageTest, OneClickWithdrawsAProposalWithoutMarkingTheSheetChanged) {
    Open();
    int quicktime = Row("Apple QuickTime");
    ListClickStatePicture(list_, quicktime);
    EXPECT_EQ(1, ListStatePicture(list_, quicktime));
    EXPECT_EQ(" ", ListText(list_, quicktime, 1));
    EXPECT_EQ(0, g_changedCount);
    ListClickStatePicture(list_, quicktime);
    EXPECT_EQ(4, ListStatePicture(list_, quicktime));
    EXPECT_EQ("Enable Plug-in", ListText(list_, quicktime, 1));
    EXPECT_EQ(1, g_changedCount) << "a new pending action marks the sheet changed";
}

TEST_F(PluginPageTest, ADoubleClickOnThePictureLeavesTheItemAsItWas) {
    Open();
    int quicktime = Row("Apple QuickTime");
    ListClickStatePicture(list_, quicktime, true);
    EXPECT_EQ(4, ListStatePicture(list_, quicktime));
    EXPECT_EQ("Enable Plug-in", ListText(list_, quicktime, 1));
}

TEST_F(PluginPageTest, APluginNotFoundIsRefusedAndSelected) {
    Open();
    int acrobat = Row("Adobe Acrobat");
    ListClickStatePicture(list_, acrobat);
    ASSERT_EQ(1u, prompts_.shown().size());
    EXPECT_EQ("The Adobe Acrobat plug-in was not found on your system. Use the Properties button "
              "to set up this plug-in.",
              prompts_.shown()[0].text);
    EXPECT_EQ("Setup Information", prompts_.shown()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), prompts_.shown()[0].style);
    EXPECT_EQ(driver_->page(), prompts_.shown()[0].owner);
    EXPECT_EQ(1, ListStatePicture(list_, acrobat));
    EXPECT_TRUE(ListView_GetItemState(list_, acrobat, LVIS_SELECTED));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(driver_->page(), IDC_PLUGINS_PROPERTIES)));
}

TEST_F(PluginPageTest, TheSpaceBarTogglesTheSelectedItemOnly) {
    Open();
    SendMessageA(list_, WM_KEYDOWN, VK_SPACE, 0);
    PumpMessages();
    EXPECT_TRUE(prompts_.shown().empty()) << "nothing selected: nothing happens";
    int quicktime = Row("Apple QuickTime");
    EXPECT_EQ(4, ListStatePicture(list_, quicktime));

    ListSelect(list_, quicktime);
    SendMessageA(list_, WM_KEYDOWN, VK_SPACE, 0);
    PumpMessages();
    EXPECT_EQ(1, ListStatePicture(list_, quicktime));
}

TEST_F(PluginPageTest, FinishSavesTheChoices) {
    Open();
    driver_->Press(PSBTN_FINISH);
    EXPECT_EQ(Dword(1),
              GetValue(HKEY_LOCAL_MACHINE, std::string(kPlugins) + "\\Quicktime", "Enabled"));
    EXPECT_EQ(Dword(0),
              GetValue(HKEY_LOCAL_MACHINE, std::string(kPlugins) + "\\Acrobat", "Enabled"));
    EXPECT_TRUE(PluginList().empty()) << "the list is released at the end";
}

TEST_F(PluginPageTest, AnEnabledPluginTogglesToDisableAndBack) {
    LoadPluginList(0);
    SavePluginList();  // QuickTime enabled, nothing pending
    Open();
    int quicktime = Row("Apple QuickTime");
    EXPECT_EQ(2, ListStatePicture(list_, quicktime));
    ListClickStatePicture(list_, quicktime);
    EXPECT_EQ(3, ListStatePicture(list_, quicktime));
    EXPECT_EQ("Disable Plug-in", ListText(list_, quicktime, 1));
    ListClickStatePicture(list_, quicktime);
    EXPECT_EQ(2, ListStatePicture(list_, quicktime));
}

TEST(PluginPictureRuleTest, PicturesAndActionTexts) {
    EXPECT_EQ(1, PluginStatePicture(0, kPluginNone));
    EXPECT_EQ(1, PluginStatePicture(0, kPluginDisable));
    EXPECT_EQ(4, PluginStatePicture(0, kPluginEnable));
    EXPECT_EQ(2, PluginStatePicture(1, kPluginNone));
    EXPECT_EQ(2, PluginStatePicture(1, kPluginNoKey));
    EXPECT_EQ(3, PluginStatePicture(1, kPluginDisable));
    EXPECT_EQ(4, PluginStatePicture(1, kPluginEnable));
    EXPECT_EQ(2015, PluginActionMessage(kPluginEnable));
    EXPECT_EQ(2016, PluginActionMessage(kPluginDisable));
    EXPECT_EQ(65, PluginActionMessage(kPluginNone));
}

}  // namespace
}  // namespace txr::test
