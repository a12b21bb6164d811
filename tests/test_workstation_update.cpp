// The workstation update (TXRUpdate): the question with the library's own
// version, declining, updating a record whose path lacks its backslash, and
// a workstation without a record.
#include "setup/automatic_setup.h"

#include "setup/library_state.h"
#include "tests/support/library_test.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/seams.h"

#include <string>

namespace txr::test {
namespace {

constexpr const char* kProduct = "Software\\Corvel\\Orbisel\\CurrentVersion";

class WorkstationUpdateTest : public LibraryTest {
protected:
    WorkstationUpdateTest() {
        WriteFile(server_ / "SUPPORT\\QUIKVIEW.EXE", "updated viewer");
        DeleteFileA((Viewers() + "QUIKVIEW.EXE").c_str());
        DeleteFileA((Viewers() + "QUIKVIEW.ORG").c_str());
    }
    ~WorkstationUpdateTest() override {
        DeleteFileA((Viewers() + "QUIKVIEW.EXE").c_str());
        DeleteFileA((Viewers() + "QUIKVIEW.ORG").c_str());
    }
    // A set-up workstation whose record names the server without its
    // trailing backslash.
    std::string Record() {
        std::string path = server_.path();
        path.pop_back();
        SetString(HKEY_LOCAL_MACHINE, kProduct, "InstallPath", path);
        SetDword(HKEY_LOCAL_MACHINE, kProduct, "Network", 1);
        return path;
    }

    ScratchFolder server_;
    ScriptedPrompts prompts_;
};

const char* kQuestion =
    "Your network administrator has updated Orbisel on the server to version 4.5.0.\n\n"
    "Press Yes to update your computer to use this new version.\nPress No to exit.";

TEST_F(WorkstationUpdateTest, DecliningChangesNothing) {
    Record();
    RegTree before = ReadTree(HKEY_LOCAL_MACHINE, "");
    prompts_.Answer(IDNO);
    EXPECT_EQ(0, TXRUpdate());
    ASSERT_EQ(1u, prompts_.shown().size());
    EXPECT_EQ(kQuestion, prompts_.shown()[0].text);
    EXPECT_EQ("Orbisel Workstation Setup", prompts_.shown()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), prompts_.shown()[0].style);
    EXPECT_EQ(nullptr, prompts_.shown()[0].owner);
    EXPECT_EQ(before, ReadTree(HKEY_LOCAL_MACHINE, ""));
    EXPECT_FALSE(FileExists(Viewers() + "QUIKVIEW.EXE"));
}

TEST_F(WorkstationUpdateTest, UpdatingRewritesTheRecordWithItsBackslash) {
    Record();
    prompts_.Answer(IDYES);
    EXPECT_EQ(1, TXRUpdate());
    EXPECT_EQ(server_.path(), GetString(HKEY_LOCAL_MACHINE, kProduct, "InstallPath"));
    EXPECT_EQ(server_.path(), GetString(HKEY_LOCAL_MACHINE, kProduct, "SourcePath"));
    EXPECT_EQ(5u, GetDword(HKEY_LOCAL_MACHINE, kProduct, "MinorRelease"));
    EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kProduct, "InstallStatus"));
    EXPECT_EQ("updated viewer", ReadFile(Viewers() + "QUIKVIEW.EXE"));
    ASSERT_EQ(2u, prompts_.shown().size());
    EXPECT_EQ("You computer has been updated to Orbisel version 4.5.0.", prompts_.shown()[1].text);
    EXPECT_EQ(static_cast<UINT>(MB_OK), prompts_.shown()[1].style);
}

TEST_F(WorkstationUpdateTest, AFailedUpdateStillCountsAsChosenAndSaysNothingMore) {
    Record();
    prompts_.Answer(IDYES);
    RegistryFaults faults;
    faults.Fail(reg::Op::Create, "HKLM\\Software\\Corvel\\Orbisel\\CurrentVersion");
    EXPECT_EQ(1, TXRUpdate());
    ASSERT_EQ(2u, prompts_.shown().size()) << "the question and the engine's fatal box";
    EXPECT_NE(std::string::npos, prompts_.shown()[1].text.find("[100]"));
    EXPECT_FALSE(FileExists(Viewers() + "QUIKVIEW.EXE"));
}

TEST_F(WorkstationUpdateTest, AWorkstationWithoutARecordIsNotUpdated) {
    EXPECT_EQ(0, TXRUpdate());
    EXPECT_TRUE(prompts_.shown().empty()) << "nothing to update: no question";
    EXPECT_EQ(RegTree({{"", {}}}), ReadTree(HKEY_LOCAL_MACHINE, ""));

    SetDword(HKEY_LOCAL_MACHINE, kProduct, "Network", 1);  // a record without a path
    EXPECT_EQ(0, TXRUpdate());
    EXPECT_TRUE(prompts_.shown().empty());
    EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, kProduct, "InstallPath"));
}

}  // namespace
}  // namespace txr::test
