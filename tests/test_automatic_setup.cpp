// The unattended setup in-process: which applications it integrates (all
// eligible ones, or as the options file says), what it leaves alone, and
// the plug-in step through XCVSETUP.INI in the Windows directory.
#include "setup/automatic_setup.h"

#include "plugins/plugin_list.h"
#include "setup/library_state.h"
#include "tests/integration_fixture.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/seams.h"

#include <algorithm>
#include <string>

namespace txr::test {
namespace {

constexpr const char* kPlugins = "Software\\Corvel\\Orbisel\\CurrentVersion\\Plugins";

// Eligible: Writer and Mailer (the module knows where), Finder (kind 3,
// its location recorded).  Not: Absent (kind 2), Lost (kind 3, nowhere),
// Done (already integrated).
constexpr const char* kProbeSettings =
    "[Module]\r\nCount=6\r\n"
    "[App0]\r\nKeyName=Writer\r\nDisplayName=Writer\r\nKind=4\r\nDefaultPath=C:\\WRITER\r\n"
    "[App1]\r\nKeyName=Mailer\r\nDisplayName=Mailer\r\nKind=4\r\nDefaultPath=C:\\MAILER\r\n"
    "[App2]\r\nKeyName=Finder\r\nDisplayName=Finder\r\nKind=3\r\nFiles=zz_nowhere.exe\r\n"
    "[App3]\r\nKeyName=Absent\r\nDisplayName=Absent\r\nKind=2\r\n"
    "[App4]\r\nKeyName=Lost\r\nDisplayName=Lost\r\nKind=3\r\nFiles=zz_nowhere_either.exe\r\n"
    "[App5]\r\nKeyName=Done\r\nDisplayName=Done\r\nKind=4\r\nDefaultPath=C:\\DONE\r\n";

class AutomaticSetupTest : public IntegrationTest {
protected:
    AutomaticSetupTest() {
        WriteFile(support() + "QUIKVIEW.EXE", "product viewer");
        AddProbe(kProbeSettings);
        SetString(HKEY_LOCAL_MACHINE, AppKey("Finder"), "AppPath", "C:\\FINDER\\");
        SetDword(HKEY_LOCAL_MACHINE, AppKey("Done"), "Status", kStatusIntegrated);
        // A browser plug-in folder with the QuickTime module.
        std::string netscape = scratch_ / "Netscape";
        WriteFile(netscape + "\\Program\\Plugins\\npqtw32.dll", "np");
        WriteFile(netscape + "\\Program\\Plugins\\nppdf32.dll", "np");
        SetString(HKEY_CURRENT_USER, "Software\\Netscape\\Netscape Navigator\\Main",
                  "Install Directory", netscape);
        DeleteFileA(WindowsFile("XCVSETUP.INI").c_str());
    }
    ~AutomaticSetupTest() override {
        DeleteFileA(WindowsFile("XCVSETUP.INI").c_str());
        DeleteFileA((Viewers() + "QUIKVIEW.EXE").c_str());
        DeleteFileA((Viewers() + "QUIKVIEW.ORG").c_str());
        FreePluginList();
    }
    void Options(const std::string& text) {
        std::string path = scratch_ / "SITE.INI";
        WriteFile(path, text);
        lstrcpynA(Library().optionsFilePath, path.c_str(), kPathSize);
    }
    std::optional<DWORD> Status(const char* key) {
        return GetDword(HKEY_LOCAL_MACHINE, AppKey(key), "Status");
    }
    // The module requests with their index ("6/0": integrate Writer).
    std::vector<std::string> Requests() {
        std::vector<std::string> calls = ProbeCalls();
        calls.erase(std::remove_if(calls.begin(), calls.end(),
                                   [](const std::string& call) {
                                       return call.rfind("6/", 0) != 0 && call.rfind("7/", 0) != 0;
                                   }),
                    calls.end());
        return calls;
    }
    std::optional<DWORD> Enabled(const char* plugin) {
        return GetDword(HKEY_LOCAL_MACHINE, std::string(kPlugins) + "\\" + plugin, "Enabled");
    }

    ScriptedPrompts prompts_;
};

TEST_F(AutomaticSetupTest, WithoutOptionsEveryEligibleApplicationIsIntegratedUnattended) {
    EXPECT_EQ(1, RunAutomaticSetup(0));
    EXPECT_EQ((std::vector<std::string>{"6/0", "6/1", "6/2"}), Requests());
    std::vector<std::string> log = ProbeLog();
    EXPECT_EQ(3, std::count(log.begin(), log.end(), "Owner=0 Unattended=1"));
    EXPECT_EQ(2u, Status("Writer"));
    EXPECT_EQ(2u, Status("Mailer"));
    EXPECT_EQ(2u, Status("Finder"));
    EXPECT_EQ(1u, Status("Absent"));
    EXPECT_EQ(1u, Status("Lost"));
    EXPECT_EQ(2u, Status("Done")) << "left as it was";
    EXPECT_TRUE(prompts_.shown().empty());
    EXPECT_EQ(1u, Enabled("Quicktime")) << "plug-ins by the registration's proposals";
    EXPECT_EQ(1u, Enabled("Acrobat"));
    EXPECT_EQ(0u, Enabled("Corel"));
    EXPECT_FALSE(FileExists(WindowsFile("XCVSETUP.INI")));
}

TEST_F(AutomaticSetupTest, TheOptionsFileSelectsIntegrationsAndPlugins) {
    Options("[Integrations]\r\nWriter=no\r\nMailer=Yes\r\nDone=NO\r\nAbsent=YES\r\n"
            "Stranger=YES\r\nFinder=maybe\r\n"
            "[Plugins]\r\nAdobe Acrobat=NO\r\n");
    EXPECT_EQ(1, RunAutomaticSetup(1));
    EXPECT_EQ((std::vector<std::string>{"7/0", "6/1"}), Requests())
        << "no: the remove action even though not integrated; yes: integrated; another value: "
           "unchanged; not eligible: untouched";
    EXPECT_EQ(1u, Status("Writer"));
    EXPECT_EQ(2u, Status("Mailer"));
    EXPECT_EQ(1u, Status("Finder"));
    EXPECT_EQ(2u, Status("Done")) << "an integrated application keeps its integration";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, AppKey("Stranger")));
    EXPECT_EQ(1u, Enabled("Quicktime"));
    EXPECT_EQ(0u, Enabled("Acrobat")) << "the options file's Plugins section, through XCVSETUP.INI";
    EXPECT_FALSE(FileExists(WindowsFile("XCVSETUP.INI"))) << "the copy is gone again";
}

TEST_F(AutomaticSetupTest, AutoAndMissingKeysIntegrateToo) {
    Options("[Integrations]\r\nWriter=auto\r\n");
    EXPECT_EQ(1, RunAutomaticSetup(1));
    EXPECT_EQ((std::vector<std::string>{"6/0", "6/1", "6/2"}), Requests());
}

TEST_F(AutomaticSetupTest, ASetupFileAlreadyInTheWindowsDirectoryIsUsedAndDeleted) {
    WriteFile(WindowsFile("XCVSETUP.INI"), "[Plugins]\r\nApple QuickTime=NO\r\n");
    EXPECT_EQ(1, RunAutomaticSetup(0));
    EXPECT_EQ(0u, Enabled("Quicktime"));
    EXPECT_EQ(1u, Enabled("Acrobat"));
    EXPECT_FALSE(FileExists(WindowsFile("XCVSETUP.INI")));
}

TEST_F(AutomaticSetupTest, AFailedInstallStopsBeforeIntegrationsAndPlugins) {
    RegistryFaults faults;
    faults.Fail(reg::Op::Create, "HKLM\\Software\\Corvel\\Orbisel\\CurrentVersion");
    EXPECT_EQ(0, RunAutomaticSetup(0));
    EXPECT_TRUE(Requests().empty());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kPlugins));
    EXPECT_EQ(1u, prompts_.shown().size()) << "only the engine's fatal box";
}

}  // namespace
}  // namespace txr::test
