// The plug-in catalogue's one-time registration, the plug-in list built
// from the registry, and saving the choices.
#include "plugins/plugin_list.h"

#include "plugins/plugin_catalogue.h"
#include "plugins/plugin_registry.h"
#include "tests/support/library_test.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/seams.h"

#include <set>
#include <string>

namespace txr::test {
namespace {

constexpr const char* kPlugins = "Software\\Corvel\\Orbisel\\CurrentVersion\\Plugins";
constexpr const char* kNetscape = "Software\\Netscape\\Netscape Navigator\\Main";
constexpr const char* kExplorer =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";

class PluginListTest : public LibraryTest {
protected:
    ~PluginListTest() override { FreePluginList(); }

    // A Netscape installation whose plug-in folder holds the given modules.
    std::string Netscape(std::initializer_list<const char*> modules) {
        std::string install = browsers_ / "Netscape";
        for (const char* module : modules) WriteFile(install + "\\Program\\Plugins\\" + module, "np");
        SetString(HKEY_CURRENT_USER, kNetscape, "Install Directory", install);
        return install + "\\Program\\Plugins\\";
    }
    const PluginEntry* Find(const std::string& keyName) {
        for (const PluginEntry& entry : PluginList()) {
            if (keyName == entry.keyName) return &entry;
        }
        return nullptr;
    }

    ScratchFolder browsers_;
};

TEST_F(PluginListTest, TheFirstRunRegistersTheWholeCatalogue) {
    EXPECT_EQ(1, LoadPluginList(0));
    RegTree tree = ReadTree(HKEY_LOCAL_MACHINE, kPlugins);

    std::set<std::string> pluginKeys, indexKeys;
    for (const auto& [path, values] : tree) {
        if (path.empty() || path == "FI" || path == "FI\\1999") continue;
        if (path.rfind("FI\\", 0) == 0) indexKeys.insert(path.substr(3));
        else pluginKeys.insert(path);
    }
    EXPECT_EQ((std::set<std::string>{"Quicktime", "Acrobat", "Corel", "Envoy", "Flash",
                                     "Flying Carpet", "Shockwave", "Simple Vector", "Soft DWG",
                                     "LiveAudio", "NP AVI"}),
              pluginKeys);
    EXPECT_EQ((std::set<std::string>{"1552", "1557", "1576", "1585", "1700", "1701", "1702",
                                     "1703", "1704", "1705", "1808", "1811", "1999\\rtb",
                                     "1999\\svf"}),
              indexKeys);
    EXPECT_EQ(Sz("Flying Carpet"), tree["FI\\1999\\rtb"][""]);
    EXPECT_EQ(Sz("Simple Vector"), tree["FI\\1999\\svf"][""]);
    EXPECT_EQ(Sz("LiveAudio"), tree["FI\\1700"][""]);
    EXPECT_EQ(Sz("LiveAudio"), tree["FI\\1702"][""]);

    for (const std::string& key : pluginKeys) {
        bool byExtension = key == "Flying Carpet" || key == "Simple Vector";
        EXPECT_EQ(Sz(byExtension ? "UN" : "FI"), tree[key][""]) << key;
        EXPECT_EQ(10u, tree[key].size()) << key;
        EXPECT_EQ(Dword(0), tree[key]["Enabled"]) << key;
        EXPECT_EQ(Sz(""), tree[key]["Path"]) << key;
        auto url = tree[key]["URL"];
        EXPECT_EQ(0, std::string(url.data.begin(), url.data.end()).rfind("https://", 0)) << key;
    }
    EXPECT_EQ(Sz("Netscape AVI Player"), tree["NP AVI"]["Name"]);
    EXPECT_EQ(Dword(6), tree["NP AVI"]["NSVersion"]);
    EXPECT_EQ(Dword(1), tree["NP AVI"]["UseWin"]);
    EXPECT_EQ(Dword(1), tree["Acrobat"]["CanPrint"]);
    EXPECT_EQ(Dword(1), tree["Flying Carpet"]["Number"]);
    EXPECT_EQ(Sz("npswf32.dll,npspl32.dll"), tree["Flash"]["ModuleName"]);
}

TEST_F(PluginListTest, ValuesAreWrittenInTheirOrderAndTheKeysCarryTheirClass) {
    RegistryFaults faults;  // only watches
    LoadPluginList(0);
    std::vector<std::string> names;
    for (const reg::Call& call : faults.calls()) {
        if (call.op == reg::Op::SetValue && EndsWithNoCase(call.keyPath, "Plugins\\Corel")) {
            names.push_back(call.name);
        }
    }
    EXPECT_EQ((std::vector<std::string>{"", "Path", "NSVersion", "Name", "Enabled", "ModuleName",
                                        "CanPrint", "Number", "UseWin", "URL"}),
              names);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                                           (std::string(kPlugins) + "\\FI\\1999\\rtb").c_str(), 0,
                                           KEY_READ, &key));
    char keyClass[16] = "";
    DWORD length = sizeof keyClass;
    RegQueryInfoKeyA(key, keyClass, &length, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    EXPECT_STREQ("String", keyClass);
}

TEST_F(PluginListTest, RepeatedKeyNamesGiveOneEntryEachWithTheLastRowsValues) {
    LoadPluginList(0);
    ASSERT_EQ(11u, PluginList().size());
    const PluginEntry* audio = Find("LiveAudio");
    ASSERT_NE(nullptr, audio);
    EXPECT_STREQ("Netscape LiveAudio Player", audio->name);
    EXPECT_STREQ("npaudio.dll", audio->moduleName);
}

TEST_F(PluginListTest, FoundModulesAreProposedOnlyOnTheRegisteringRun) {
    std::string folder = Netscape({"npqtw32.dll", "npswf32.dll"});
    LoadPluginList(0);
    const PluginEntry* quicktime = Find("Quicktime");
    ASSERT_NE(nullptr, quicktime);
    EXPECT_EQ(1u, quicktime->found);
    EXPECT_EQ(static_cast<DWORD>(kPluginEnable), quicktime->pendingAction);
    EXPECT_EQ(0u, quicktime->enabled);
    EXPECT_EQ(folder + "npqtw32.dll", quicktime->path);
    EXPECT_EQ(folder + "npqtw32.dll",
              GetString(HKEY_LOCAL_MACHINE, std::string(kPlugins) + "\\Quicktime", "Path"));
    const PluginEntry* flash = Find("Flash");
    EXPECT_EQ(0u, flash->found) << "the registration tests the whole list as one file name";
    EXPECT_EQ(static_cast<DWORD>(kPluginNone), flash->pendingAction);

    SavePluginList();
    FreePluginList();
    EXPECT_EQ(Dword(1), GetValue(HKEY_LOCAL_MACHINE, std::string(kPlugins) + "\\Quicktime",
                                 "Enabled"));

    EXPECT_EQ(1, LoadPluginList(0));
    for (const PluginEntry& entry : PluginList()) {
        EXPECT_EQ(static_cast<DWORD>(kPluginNone), entry.pendingAction) << entry.keyName;
    }
    EXPECT_EQ(1u, Find("Quicktime")->enabled);
}

TEST_F(PluginListTest, APluginWhoseFileVanishedIsSavedAsDisabled) {
    std::string folder = Netscape({"npqtw32.dll"});
    LoadPluginList(0);
    SavePluginList();
    FreePluginList();
    DeleteFileA((folder + "npqtw32.dll").c_str());
    LoadPluginList(0);
    const PluginEntry* quicktime = Find("Quicktime");
    EXPECT_EQ(0u, quicktime->found);
    EXPECT_EQ(0u, quicktime->enabled);
    EXPECT_STREQ("", quicktime->path) << "a path naming a missing file is emptied";
    SavePluginList();
    EXPECT_EQ(Dword(0), GetValue(HKEY_LOCAL_MACHINE, std::string(kPlugins) + "\\Quicktime",
                                 "Enabled"));
}

TEST_F(PluginListTest, TheListHoldsOneEntryPerPluginKeyWhereverFIStands) {
    // Keys named to sort before and after FI.
    WriteTree(HKEY_LOCAL_MACHINE, kPlugins, {
        {"AAA", {{"Name", Sz("First")}}},
        {"FI", {}},
        {"ZZZ", {{"Name", Sz("Last")}}},
    });
    LoadPluginList(0);
    ASSERT_EQ(2u, PluginList().size());
    EXPECT_STREQ("AAA", PluginList()[0].keyName);
    EXPECT_STREQ("ZZZ", PluginList()[1].keyName);
    EXPECT_STREQ("Last", PluginList()[1].name);
}

TEST_F(PluginListTest, APluginsKeyWithoutFIOrWithoutSubkeys) {
    CreateKey(HKEY_LOCAL_MACHINE, kPlugins);
    EXPECT_EQ(1, LoadPluginList(0));
    EXPECT_TRUE(PluginList().empty());
    FreePluginList();
    WriteTree(HKEY_LOCAL_MACHINE, kPlugins, {{"Only", {{"Name", Sz("Only one")}}}});
    LoadPluginList(0);
    ASSERT_EQ(1u, PluginList().size());
    EXPECT_STREQ("Only", PluginList()[0].keyName);
}

TEST_F(PluginListTest, KeyNamesTooLongForAnEntryArePassedOver) {
    WriteTree(HKEY_LOCAL_MACHINE, kPlugins, {
        {"A", {{"Name", Sz("a")}}},
        {std::string(60, 'B'), {{"Name", Sz("long")}}},
        {"C", {{"Name", Sz("c")}}},
    });
    LoadPluginList(0);
    ASSERT_EQ(3u, PluginList().size());
    EXPECT_STREQ("A", PluginList()[0].keyName);
    EXPECT_STREQ("C", PluginList()[1].keyName);
    EXPECT_STREQ("", PluginList()[2].keyName);
    SavePluginList();  // the empty entry must not write into Plugins itself
    EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, kPlugins, "Enabled"));
}

TEST_F(PluginListTest, AFailedRegistrationLeavesTheProvisionalList) {
    RegistryFaults faults;
    faults.Fail(reg::Op::Create, "Plugins\\Corel");
    EXPECT_EQ(0, LoadPluginList(0));
    ASSERT_EQ(14u, PluginList().size());
    EXPECT_STREQ("Apple QuickTime", PluginList()[0].name);
    EXPECT_STREQ("npqtw32.dll", PluginList()[0].moduleName);
    EXPECT_STREQ("", PluginList()[2].name) << "the row whose key failed stays empty";
    EXPECT_STREQ("Envoy", PluginList()[3].name);
    for (const PluginEntry& entry : PluginList()) {
        EXPECT_STREQ("", entry.keyName);
        EXPECT_EQ(0u, entry.pendingAction);
    }
    SavePluginList();  // provisional entries have no key: nothing is written
    EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, kPlugins, "Enabled"));
}

TEST_F(PluginListTest, AFailedValueWriteStillWritesTheOthers) {
    RegistryFaults faults;
    faults.Fail(reg::Op::SetValue, "Plugins\\Acrobat\\Name");
    EXPECT_EQ(0, LoadPluginList(0));
    EXPECT_EQ(Dword(1), GetValue(HKEY_LOCAL_MACHINE, std::string(kPlugins) + "\\Acrobat",
                                 "CanPrint"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kPlugins) + "\\NP AVI"));
}

TEST_F(PluginListTest, SavingAppliesPendingActionsAndChangedPaths) {
    LoadPluginList(0);
    PluginEntry* acrobat = const_cast<PluginEntry*>(Find("Acrobat"));
    PluginEntry* corel = const_cast<PluginEntry*>(Find("Corel"));
    acrobat->pendingAction = kPluginEnable;
    lstrcpyA(acrobat->path, "C:\\Moved\\nppdf32.dll");
    acrobat->flags = kPluginPathChanged;
    corel->enabled = 1;
    corel->pendingAction = kPluginDisable;
    lstrcpyA(corel->path, "C:\\NotWritten.dll");
    SavePluginList();
    std::string key = std::string(kPlugins) + "\\";
    EXPECT_EQ(Dword(1), GetValue(HKEY_LOCAL_MACHINE, key + "Acrobat", "Enabled"));
    EXPECT_EQ("C:\\Moved\\nppdf32.dll", GetString(HKEY_LOCAL_MACHINE, key + "Acrobat", "Path"));
    EXPECT_EQ(Dword(0), GetValue(HKEY_LOCAL_MACHINE, key + "Corel", "Enabled"));
    EXPECT_EQ("", GetString(HKEY_LOCAL_MACHINE, key + "Corel", "Path"));
    EXPECT_EQ(static_cast<DWORD>(kPluginNone), acrobat->pendingAction);
    EXPECT_EQ(kPluginPathChanged, acrobat->flags) << "flags are not cleared";
}

TEST_F(PluginListTest, TheProgramRuleForNetscapeFolders) {
    std::string base = browsers_ / "NS";
    WriteFile(base + "\\Program\\Plugins\\np.dll", "x");
    WriteFile(base + "\\PROGRAM\\Program\\Plugins\\np.dll", "x");
    char out[260] = "untouched";

    SetString(HKEY_CURRENT_USER, kNetscape, "Install Directory", base + "\\Program");
    EXPECT_EQ(1, FindBrowserPlugin("np.dll", out));
    EXPECT_EQ(base + "\\Program\\Plugins\\np.dll", out);

    SetString(HKEY_CURRENT_USER, kNetscape, "Install Directory", base);
    EXPECT_EQ(1, FindBrowserPlugin("np.dll", out));
    EXPECT_EQ(base + "\\Program\\Plugins\\np.dll", out);

    SetString(HKEY_CURRENT_USER, kNetscape, "Install Directory", base + "\\PROGRAM");
    EXPECT_EQ(1, FindBrowserPlugin("np.dll", out));
    EXPECT_EQ(base + "\\PROGRAM\\Program\\Plugins\\np.dll", out) << "other case gains \\Program";
}

TEST_F(PluginListTest, InternetExplorerFolderAndNotFound) {
    std::string explorer = browsers_ / "IE";
    WriteFile(explorer + "\\Plugins\\npie.dll", "x");
    SetString(HKEY_CURRENT_USER, kExplorer, "Path", explorer);
    char out[260] = "untouched";
    EXPECT_EQ(0, FindBrowserPlugin("missing.dll", out));
    EXPECT_STREQ("untouched", out);
    EXPECT_EQ(1, FindBrowserPlugin("npie.dll", out));
    EXPECT_EQ(explorer + "\\Plugins\\npie.dll", out);
    MakeFolders(explorer + "\\Plugins\\folder.dll");
    EXPECT_EQ(0, FindBrowserPlugin("folder.dll", out)) << "a folder is no module";
    SetString(HKEY_CURRENT_USER, kExplorer, "Path", std::string(250, 'p'));
    EXPECT_EQ(0, FindBrowserPlugin("npie.dll", out)) << "a path beyond 260 is not found";
}

TEST_F(PluginListTest, PathValuesThatAreEmptyOrMissingFiles) {
    WriteTree(HKEY_LOCAL_MACHINE, "P", {{"", {{"Path", Sz("")}}}});
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "P", 0, KEY_ALL_ACCESS, &key);
    char out[260] = "untouched";
    EXPECT_EQ(0, GetPluginPath(key, out));
    EXPECT_STREQ("untouched", out);
    RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\gone.dll"), 12);
    EXPECT_EQ(0, GetPluginPath(key, out));
    EXPECT_STREQ("", out);
    RegCloseKey(key);
}

TEST_F(PluginListTest, ExtensionsBelongToOnePluginAtATime) {
    LoadPluginList(0);
    EXPECT_EQ(1, IsFileIdPlugin("Acrobat"));
    EXPECT_EQ(0, IsFileIdPlugin("Flying Carpet"));
    EXPECT_EQ(0, IsFileIdPlugin("No Such Plugin"));

    EXPECT_EQ(0, AddPluginExtension("Flying Carpet", "svf")) << "owned by Simple Vector";
    EXPECT_EQ(Sz("Simple Vector"), GetValue(HKEY_LOCAL_MACHINE,
                                            std::string(kPlugins) + "\\FI\\1999\\svf", ""));
    EXPECT_EQ(1, AddPluginExtension("Flying Carpet", "rt2"));
    EXPECT_EQ(0, AddPluginExtension("Flying Carpet", "rt2"));
    EXPECT_EQ(0, AddPluginExtension("Flying Carpet", ""));
    EXPECT_EQ(0, AddPluginExtension("Flying Carpet", "a\\b"));
    EXPECT_EQ(1, DeletePluginExtension("rt2"));
    EXPECT_EQ(0, DeletePluginExtension("rt2"));
    EXPECT_EQ(1, DeletePluginExtension("svf")) << "deleted whichever plug-in it names";
}

// These tests place XCVSETUP.INI in the Windows directory: ctest runs them
// one at a time.
class PluginSetupFileTest : public PluginListTest {
protected:
    PluginSetupFileTest() {
        char windows[MAX_PATH];
        GetWindowsDirectoryA(windows, sizeof windows);
        file_ = std::string(windows) + "\\XCVSETUP.INI";
        Netscape({"npqtw32.dll", "nppdf32.dll", "npcmx32.dll"});
    }
    ~PluginSetupFileTest() override { DeleteFileA(file_.c_str()); }
    void Settings(const std::string& lines) { WriteFile(file_, "[Plugins]\r\n" + lines); }

    std::string file_;
};

TEST_F(PluginSetupFileTest, UnattendedProposalsFollowTheSetupFile) {
    Settings("Apple QuickTime=NO\r\nAdobe Acrobat=yes\r\n");
    LoadPluginList(1);
    EXPECT_EQ(static_cast<DWORD>(kPluginNone), Find("Quicktime")->pendingAction);
    EXPECT_EQ(1u, Find("Quicktime")->found);
    EXPECT_EQ(static_cast<DWORD>(kPluginEnable), Find("Acrobat")->pendingAction);
    EXPECT_EQ(static_cast<DWORD>(kPluginEnable), Find("Corel")->pendingAction)
        << "a missing key proposes";
}

TEST_F(PluginSetupFileTest, AutoInAnyCaseAndOtherValues) {
    Settings("Apple QuickTime=Auto\r\nAdobe Acrobat=maybe\r\n");
    LoadPluginList(1);
    EXPECT_EQ(static_cast<DWORD>(kPluginEnable), Find("Quicktime")->pendingAction);
    EXPECT_EQ(static_cast<DWORD>(kPluginNone), Find("Acrobat")->pendingAction);
}

TEST_F(PluginSetupFileTest, ThePageIgnoresTheSetupFile) {
    Settings("Apple QuickTime=NO\r\n");
    LoadPluginList(0);
    EXPECT_EQ(static_cast<DWORD>(kPluginEnable), Find("Quicktime")->pendingAction);
}

}  // namespace
}  // namespace txr::test
