// The plug-in properties sheet: which page it opens on, the Location page's
// Browse, Scan and Link to URL, and the File Extension(s) page's editing
// with its removal queue.
#include "plugins/plugin_properties.h"

#include "platform/shell.h"
#include "plugins/module_search.h"
#include "plugins/plugin_list.h"
#include "plugins/plugin_registry.h"
#include "resource_ids.h"
#include "tests/support/library_test.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/seams.h"
#include "tests/support/sheet_driver.h"

#include <string>
#include <vector>

namespace txr::test {
namespace {

constexpr const char* kPlugins = "Software\\Corvel\\Orbisel\\CurrentVersion\\Plugins";

class PluginPropertiesTest : public LibraryTest {
protected:
    PluginPropertiesTest() {
        LoadPluginList(0);
        shell::SetBrowseHook([this](HWND, const char* title) {
            browseTitles_.push_back(title);
            return browseAnswer_;
        });
        shell::SetOpenHook([this](HWND, const char* document, const char* directory) {
            opened_.push_back(std::string(document) + " in " + directory);
        });
    }
    ~PluginPropertiesTest() override {
        driver_.reset();
        shell::SetBrowseHook({});
        shell::SetOpenHook({});
        FreePluginList();
    }

    int IndexOf(const std::string& keyName) {
        for (std::size_t i = 0; i < PluginList().size(); ++i) {
            if (keyName == PluginList()[i].keyName) return static_cast<int>(i);
        }
        ADD_FAILURE() << "no entry " << keyName;
        return -1;
    }
    void Open(const std::string& keyName) {
        driver_.reset();
        ASSERT_TRUE(BuildPluginPropertiesSheet(nullptr, IndexOf(keyName), PSH_MODELESS, sheet_));
        driver_ = std::make_unique<SheetDriver>(sheet_.header);
    }
    HWND Page(int index) { return PropSheet_IndexToHwnd(driver_->sheet(), index); }
    void Command(HWND page, int control) {
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(page, control)));
        PumpMessages();
    }
    // The File Extension(s) page, activated.
    HWND Extensions() {
        PropSheet_SetCurSel(driver_->sheet(), nullptr, 1);
        PumpMessages();
        return Page(1);
    }
    void Type(HWND page, const std::string& text) {
        SetDlgItemTextA(page, IDC_EXTENSIONS_EDIT, text.c_str());
        Command(page, IDC_EXTENSIONS_ADD);
    }
    std::vector<std::string> Listed(HWND page) {
        HWND list = GetDlgItem(page, IDC_EXTENSIONS_LIST);
        std::vector<std::string> items;
        for (int i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) {
            char text[300] = "";
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            items.push_back(text);
        }
        return items;
    }
    void RemoveListed(HWND page, const std::string& extension) {
        HWND list = GetDlgItem(page, IDC_EXTENSIONS_LIST);
        LRESULT at = SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(extension.c_str()));
        ASSERT_NE(LB_ERR, at) << extension;
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
        Command(page, IDC_EXTENSIONS_REMOVE);
    }
    std::optional<std::string> Owner(const std::string& extension) {
        return GetString(HKEY_LOCAL_MACHINE, std::string(kPlugins) + "\\FI\\1999\\" + extension, "");
    }

    ScriptedPrompts prompts_;
    ScratchFolder folder_;
    PluginPropertiesSheet sheet_{};
    std::unique_ptr<SheetDriver> driver_;
    std::string browseAnswer_;
    std::vector<std::string> browseTitles_;
    std::vector<std::string> opened_;
};

TEST_F(PluginPropertiesTest, TheSheetOpensOnExtensionsOnlyForAnEnabledPluginChosenByExtension) {
    PluginList()[IndexOf("Flying Carpet")].enabled = 1;
    Open("Flying Carpet");
    EXPECT_EQ(IDD_PLUGIN_EXTENSIONS, driver_->pageId());
    char caption[100] = "";
    GetWindowTextA(driver_->sheet(), caption, sizeof caption);
    EXPECT_STREQ("Flying Carpet", caption) << "the entry's name alone";

    PluginList()[IndexOf("Flying Carpet")].enabled = 0;
    Open("Flying Carpet");
    EXPECT_EQ(IDD_PLUGIN_LOCATION, driver_->pageId());

    PluginList()[IndexOf("Acrobat")].enabled = 1;
    Open("Acrobat");
    EXPECT_EQ(IDD_PLUGIN_LOCATION, driver_->pageId());
}

TEST_F(PluginPropertiesTest, LocationShowsThePathOrWhatIsMissing) {
    Open("Flash");
    EXPECT_EQ("The plug-in (npswf32.dll,npspl32.dll) was not found on your system.",
              ControlText(Page(0), IDC_LOCATION_PATH));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Page(0), IDC_LOCATION_URL)))
        << "no web browser registered for http";

    CreateKey(HKEY_CLASSES_ROOT, "http\\shell\\open\\command");
    lstrcpyA(PluginList()[IndexOf("Flash")].path, "C:\\NS\\npswf32.dll");
    Open("Flash");
    EXPECT_EQ("C:\\NS\\npswf32.dll", ControlText(Page(0), IDC_LOCATION_PATH));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Page(0), IDC_LOCATION_URL)));
}

TEST_F(PluginPropertiesTest, BrowseTakesAFolderHoldingAnyOfTheModuleNames) {
    WriteFile(folder_ / "Flash\\npspl32.dll", "np");
    Open("Flash");
    browseAnswer_ = folder_ / "Flash";
    Command(Page(0), IDC_LOCATION_BROWSE);
    ASSERT_EQ(1u, browseTitles_.size());
    EXPECT_EQ("Select the location of the Shockwave Flash plug-in, then press OK", browseTitles_[0]);
    const PluginEntry& flash = PluginList()[IndexOf("Flash")];
    EXPECT_EQ(folder_ / "Flash\\npspl32.dll", flash.path);
    EXPECT_EQ(1u, flash.found);
    EXPECT_EQ(kPluginPathChanged, flash.flags & kPluginPathChanged);
    EXPECT_EQ(folder_ / "Flash\\npspl32.dll", ControlText(Page(0), IDC_LOCATION_PATH));
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(PluginPropertiesTest, BrowseIntoAFolderWithoutTheModuleChangesNothing) {
    Open("Acrobat");
    browseAnswer_ = folder_.path();
    Command(Page(0), IDC_LOCATION_BROWSE);
    ASSERT_EQ(1u, prompts_.shown().size());
    EXPECT_EQ("The Adobe Acrobat plug-in's executable module, nppdf32.dll, was not found in this "
              "folder.",
              prompts_.shown()[0].text);
    EXPECT_EQ("<default>", prompts_.shown()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), prompts_.shown()[0].style);
    EXPECT_EQ(0u, PluginList()[IndexOf("Acrobat")].flags);
    EXPECT_STREQ("", PluginList()[IndexOf("Acrobat")].path);

    browseAnswer_ = "";  // cancelled
    Command(Page(0), IDC_LOCATION_BROWSE);
    EXPECT_EQ(1u, prompts_.shown().size());
}

TEST_F(PluginPropertiesTest, LinkToUrlOpensOnlyWebAddresses) {
    std::string key = std::string(kPlugins) + "\\Acrobat";
    Open("Acrobat");
    Command(Page(0), IDC_LOCATION_URL);
    ASSERT_EQ(1u, opened_.size());
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    EXPECT_EQ(std::string("https://get.adobe.com/reader/ in ") + windows, opened_[0]);

    for (const char* value : {"C:\\windows\\notepad.exe", "notepad", "file:///C:/x.exe",
                              "javascript:alert(1)", "", "http:/missing-slash"}) {
        SetString(HKEY_LOCAL_MACHINE, key, "URL", value);
        Command(Page(0), IDC_LOCATION_URL);
        EXPECT_EQ(1u, opened_.size()) << value;
    }
    SetString(HKEY_LOCAL_MACHINE, key, "URL", "HTTP://EXAMPLE.ORG/acrobat");
    Command(Page(0), IDC_LOCATION_URL);
    EXPECT_EQ(2u, opened_.size());
}

TEST(PluginSearchTest, FilesBeforeSubfoldersAndDotFoldersSkipped) {
    ScratchFolder root;
    WriteFile(root / "a\\deep\\npswf32.dll", "1");
    WriteFile(root / "b\\NPSWF32.DLL", "2");
    WriteFile(root / ".hidden\\npswf32.dll", "3");
    char out[260] = "";
    EXPECT_EQ(1, SearchFolderForFile(root.path().c_str(), "npswf32.dll", out, nullptr));
    std::string found = out;
    EXPECT_TRUE(found == root / "a\\deep\\npswf32.dll" || found == root / "b\\npswf32.dll")
        << found;
    EXPECT_EQ(std::string::npos, found.find(".hidden"));

    ScratchFolder onlyDot;
    WriteFile(onlyDot / ".hidden\\npswf32.dll", "3");
    EXPECT_EQ(0, SearchFolderForFile(onlyDot.path().c_str(), "npswf32.dll", out, nullptr));

    ScratchFolder flat;
    WriteFile(flat / "npswf32.dll", "x");
    WriteFile(flat / "sub\\npswf32.dll", "y");
    EXPECT_EQ(1, SearchFolderForFile(flat.path().c_str(), "NPSWF32.dll", out, nullptr));
    EXPECT_EQ(flat / "NPSWF32.dll", out) << "the name as requested, files first";
}

TEST(PluginSearchTest, PathsBeyondTheLimitArePassedOver) {
    ScratchFolder root;
    WriteFile(root / "np.dll", "x");
    // A folder whose listing pattern would not fit 259 characters is not
    // listed at all, and nothing is written.
    std::string deep = root.path();
    while (deep.size() < 258) deep += "d";
    deep += "\\";
    char out[260] = "untouched";
    EXPECT_EQ(0, SearchFolderForFile(deep.c_str(), "np.dll", out, nullptr));
    EXPECT_STREQ("untouched", out);
    // A file name that would make the found path longer than 259.
    std::string name(259 - root.path().size() + 1, 'n');
    WriteFile(root / "short.dll", "x");
    EXPECT_EQ(0, SearchFolderForFile(root.path().c_str(), name.c_str(), out, nullptr));
    EXPECT_STREQ("untouched", out);
}

TEST_F(PluginPropertiesTest, ExtensionsPageOfAPluginChosenByExtension) {
    Open("Flying Carpet");
    HWND page = Extensions();
    EXPECT_EQ("Files with the extensions listed below will be viewed with the Flying Carpet "
              "plug-in.",
              ControlText(page, IDC_EXTENSIONS_TEXT));
    EXPECT_EQ(std::vector<std::string>{"rtb"}, Listed(page));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_EXTENSIONS_REMOVE)));
}

TEST_F(PluginPropertiesTest, ExtensionsPageOfAPluginChosenByFileType) {
    Open("Acrobat");
    HWND page = Extensions();
    EXPECT_EQ("Orbisel will identify files for the Adobe Acrobat plug-in without using file "
              "extensions.",
              ControlText(page, IDC_EXTENSIONS_TEXT));
    for (int control : {IDC_EXTENSIONS_LIST, IDC_EXTENSIONS_EDIT, IDC_EXTENSIONS_ADD,
                        IDC_EXTENSIONS_REMOVE, IDC_EXTENSIONS_GROUP}) {
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, control))) << control;
    }
}

TEST_F(PluginPropertiesTest, TypedExtensionsAreCheckedCutAndListed) {
    Open("Flying Carpet");
    HWND page = Extensions();
    Type(page, ".rt2");
    Type(page, ".");
    Type(page, "a:b");
    EXPECT_EQ("a:b", ControlText(page, IDC_EXTENSIONS_EDIT)) << "a refused entry stays typed";
    Type(page, std::string(40, 'x'));
    EXPECT_EQ((std::vector<std::string>{"rt2", "rtb", std::string(31, 'x')}), Listed(page));
    ASSERT_EQ(1u, prompts_.shown().size());
    EXPECT_EQ("Invalid Extension", prompts_.shown()[0].text);
    EXPECT_EQ("Error", prompts_.shown()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), prompts_.shown()[0].style);
    for (const char* bad : {"*", "/", "<", ">", "?", "\\", "|"}) Type(page, std::string("e") + bad);
    EXPECT_EQ(8u, prompts_.shown().size());
    Type(page, "quo\"te");
    EXPECT_EQ(8u, prompts_.shown().size()) << "the double quote is allowed";

    driver_->Press(PSBTN_OK);
    EXPECT_EQ("Flying Carpet", Owner("rt2"));
    EXPECT_EQ("Flying Carpet", Owner(std::string(31, 'x')));
}

TEST_F(PluginPropertiesTest, RemovingAndAddingAgainBeforeOkKeepsTheExtension) {
    Open("Flying Carpet");
    HWND page = Extensions();
    RemoveListed(page, "rtb");
    EXPECT_EQ(1u, PendingExtensionRemovals());
    Type(page, "rtb");
    driver_->Press(PSBTN_OK);
    EXPECT_EQ("Flying Carpet", Owner("rtb"));
    EXPECT_EQ(0u, PendingExtensionRemovals());
}

TEST_F(PluginPropertiesTest, OkDeletesRemovedExtensionsAndCancelForgetsThem) {
    Open("Flying Carpet");
    HWND page = Extensions();
    RemoveListed(page, "rtb");
    driver_->Press(PSBTN_CANCEL);
    EXPECT_EQ("Flying Carpet", Owner("rtb"));
    EXPECT_EQ(0u, PendingExtensionRemovals());

    Open("Flying Carpet");
    page = Extensions();
    RemoveListed(page, "rtb");
    driver_->Press(PSBTN_OK);
    EXPECT_FALSE(Owner("rtb"));
}

TEST_F(PluginPropertiesTest, AnExtensionOfAnotherPluginIsListedUntilOkButNotTaken) {
    Open("Flying Carpet");
    HWND page = Extensions();
    Type(page, "svf");
    EXPECT_EQ((std::vector<std::string>{"rtb", "svf"}), Listed(page));
    // Removed again before OK: the other plug-in keeps its extension.
    RemoveListed(page, "svf");
    Type(page, "svf");
    driver_->Press(PSBTN_OK);
    EXPECT_EQ("Simple Vector", Owner("svf"));
    Open("Flying Carpet");
    EXPECT_EQ(std::vector<std::string>{"rtb"}, Listed(Extensions()));
}

TEST_F(PluginPropertiesTest, RemovingAnOverlongExtensionFromTheRegistryRemovesThatKey) {
    std::string longName(40, 'L');
    SetString(HKEY_LOCAL_MACHINE, std::string(kPlugins) + "\\FI\\1999\\" + longName, "",
              "Flying Carpet");
    Open("Flying Carpet");
    HWND page = Extensions();
    RemoveListed(page, longName);
    driver_->Press(PSBTN_OK);
    EXPECT_FALSE(Owner(longName));
    EXPECT_FALSE(Owner(longName.substr(0, 31)));
}

}  // namespace
}  // namespace txr::test

namespace txr::test {
namespace {

// The Location page's Scan over the fixed drives that scripts/test maps for
// the scans (J: and K: fixed, L: a CD-ROM, N: a network drive; Q: holds a
// link back to itself).  The plug-in tests run one at a time, so the drives
// are theirs while they run.
class PluginScanTest : public PluginPropertiesTest {
protected:
    ~PluginScanTest() override {
        for (const char* file : {"J:\\Netscape\\Plugins\\npspl32.dll", "K:\\npswf32.dll",
                                 "L:\\npswf32.dll", "N:\\npswf32.dll", "J:\\.hidden\\npswf32.dll"}) {
            DeleteFileA(file);
        }
        for (const char* folder : {"J:\\Netscape\\Plugins", "J:\\Netscape", "J:\\.hidden"}) {
            RemoveDirectoryA(folder);
        }
    }
    static bool DrivesReady() { return GetDriveTypeA("J:\\") == DRIVE_FIXED; }
};

TEST_F(PluginScanTest, EveryFixedDriveIsSearchedForTheFirstNameBeforeTheSecond) {
    if (!DrivesReady()) GTEST_SKIP() << "the scan drives of scripts/test are not mapped";
    WriteFile("J:\\Netscape\\Plugins\\npspl32.dll", "second name, first drive");
    WriteFile("K:\\npswf32.dll", "first name, second drive");
    Open("Flash");
    SendMessageA(Page(0), WM_COMMAND, MAKEWPARAM(IDC_LOCATION_SCAN, BN_CLICKED), 0);
    PumpMessages();
    const PluginEntry& flash = PluginList()[IndexOf("Flash")];
    EXPECT_STREQ("K:\\npswf32.dll", flash.path);
    EXPECT_EQ(1u, flash.found);
    EXPECT_EQ(kPluginPathChanged, flash.flags & kPluginPathChanged);
    EXPECT_EQ("K:\\npswf32.dll", ControlText(Page(0), IDC_LOCATION_PATH));

    DeleteFileA("K:\\npswf32.dll");
    char out[260] = "";
    EXPECT_EQ(1, ScanDrivesForModule(out, "npswf32.dll,npspl32.dll", nullptr));
    EXPECT_STREQ("J:\\Netscape\\Plugins\\npspl32.dll", out) << "either name is found";
}

TEST_F(PluginScanTest, RemovableNetworkAndDotFoldersAreNotSearched) {
    if (!DrivesReady()) GTEST_SKIP() << "the scan drives of scripts/test are not mapped";
    WriteFile("L:\\npswf32.dll", "on the CD-ROM");
    WriteFile("N:\\npswf32.dll", "on the network");
    WriteFile("J:\\.hidden\\npswf32.dll", "in a dot folder");
    Open("Flash");
    SendMessageA(Page(0), WM_COMMAND, MAKEWPARAM(IDC_LOCATION_SCAN, BN_CLICKED), 0);
    PumpMessages();
    const PluginEntry& flash = PluginList()[IndexOf("Flash")];
    EXPECT_STREQ("", flash.path);
    EXPECT_EQ(0u, flash.flags);
    EXPECT_EQ("The plug-in (npswf32.dll,npspl32.dll) was not found on your system.",
              ControlText(Page(0), IDC_LOCATION_PATH));
}

}  // namespace
}  // namespace txr::test
