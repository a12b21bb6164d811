// Install then uninstall on realistic workstations leaves HKEY_CLASSES_ROOT
// and HKEY_LOCAL_MACHINE as they were, apart from the leftovers that
// tests/support/workstation.h lists with their reasons.  So does any number
// of reinstalls before the uninstall: every server upgrade has users run
// setup again over an installed workstation.
#include "setup/install_engine.h"

#include "setup/library_state.h"
#include "tests/support/library_test.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/seams.h"
#include "tests/support/workstation.h"

#include <string>

namespace txr::test {
namespace {

class NothingLostTest : public LibraryTest {
protected:
    NothingLostTest() {
        WriteFile(server_ / "SUPPORT\\QUIKVIEW.EXE", "product viewer");
        std::string root = server_.path();
        lstrcpynA(Library().setupDirectory, root.c_str(), kPathSize);
    }

    // Installs `installs` times, then uninstalls; the registry must be as
    // before, less the leftovers.
    void RoundTrip(const std::string& label, int installs = 1) {
        RegTree classesBefore = ReadTree(HKEY_CLASSES_ROOT, "");
        RegTree machineBefore = ReadTree(HKEY_LOCAL_MACHINE, "");
        for (int run = 1; run <= installs; ++run) {
            ResetInstallPathToSetupDirectory();
            ASSERT_EQ(1, InstallFromServer()) << label << ", install " << run;
        }
        ASSERT_EQ(0, UninstallWorkstation()) << label;
        RegTree classesAfter = ReadTree(HKEY_CLASSES_ROOT, "");
        RegTree machineAfter = ReadTree(HKEY_LOCAL_MACHINE, "");
        RegTree classesExpected = ExpectedClassesAfterUninstall(classesBefore);
        RegTree machineExpected = ExpectedMachineAfterUninstall(machineBefore, server_.path());
        EXPECT_EQ(classesExpected, classesAfter)
            << label << "\nexpected:\n" << Dump(classesExpected) << "actual:\n" << Dump(classesAfter);
        EXPECT_EQ(machineExpected, machineAfter)
            << label << "\nexpected:\n" << Dump(machineExpected) << "actual:\n" << Dump(machineAfter);
    }

    ScratchFolder server_;
    ScriptedPrompts prompts_;
};

TEST_F(NothingLostTest, ARealisticWorkstation) {
    for (int installs = 1; installs <= 3; ++installs) {
        RegistryRedirect fresh;
        RealisticWorkstation(server_.path());
        RoundTrip("realistic workstation", installs);
        EXPECT_EQ("Quick View", GetString(HKEY_CLASSES_ROOT, "QuickView", ""))
            << "the system's name of Quick View after " << installs << " installs";
        EXPECT_EQ("&Quick View,0,2", GetString(HKEY_CLASSES_ROOT, kExchangeVerbKeys[1], ""))
            << "leftover 2: the standard spelling comes back";
    }
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(NothingLostTest, AnEmptyWorkstation) { RoundTrip("empty workstation"); }

TEST_F(NothingLostTest, ThreeHundredRandomWorkstations) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        RegistryRedirect fresh;
        RandomWorkstation(seed, server_.path());
        // One to three installs before the uninstall.
        RoundTrip("seed " + std::to_string(seed), 1 + static_cast<int>(seed % 3));
        if (HasFailure()) break;
    }
}

}  // namespace
}  // namespace txr::test
