// The sample modules shipped in the demo share, driven through the
// library: Quillpad's settings file really changes and is restored byte for
// byte; Wayfarer is automatic.
#include "integration/app_table.h"
#include "integration/integration_module.h"

#include "platform/bounded_text.h"
#include "tests/integration_fixture.h"
#include "tests/support/registry_tree.h"
#include "tests/support/seams.h"

#include <cstring>
#include <string>

namespace txr::test {
namespace {

class QuillpadTest : public IntegrationTest {
protected:
    QuillpadTest() : program_(scratch_ / "Programs\\Quillpad\\") {
        AddSampleModule("AIQUILL.DLL");
        MakeFolders(setup() + "PROGRAM");
        WriteFile(program_ + "QUILLPAD.EXE", "MZ");
    }

    // Loads the module and the records, gives Quillpad its folder (as the
    // scan would), carries out action and writes the records: one run.
    void Run(int action) {
        Apps() = AppTable{};
        LoadIntegrationModules();
        ReadAppRecords();
        ASSERT_EQ(1u, table().AppCount);
        text::Copy(record(0).AppPath, program_.c_str());
        record(0).PathKnown = 1;
        record(0).Action = action;
        ApplyIntegrationActions(nullptr);
        WriteAppRecords();
    }

    std::string Settings() { return ReadFile(program_ + "QUILLPAD.INI"); }
    std::string Viewer() {
        char shortPath[MAX_PATH] = "";
        GetShortPathNameA((setup() + "PROGRAM\\").c_str(), shortPath, sizeof shortPath);
        return std::string(shortPath) + "TXR32.EXE";
    }

    std::string program_;
    ScriptedPrompts prompts_;
};

TEST_F(QuillpadTest, AnnouncesAProgramFoundByItsTwoFiles) {
    LoadIntegrationModules();
    ASSERT_EQ(1u, table().AppCount);
    EXPECT_STREQ("Quillpad", record(0).KeyName);
    EXPECT_STREQ("Quillpad Editor", record(0).DisplayName);
    EXPECT_EQ(kKindFoundByScan, record(0).KindFlags);
    ASSERT_EQ(2u, record(0).FileNameCount);
    EXPECT_STREQ("QUILLPAD.EXE", record(0).FileNames[0]);
    EXPECT_STREQ("QUILLPAD.INI", record(0).FileNames[1]);
    EXPECT_EQ(1, record(0).Listed);
}

TEST_F(QuillpadTest, ItsDescriptionFitsTheSharedBuffer) {
    LoadIntegrationModules();
    IntegrationModule module;
    ASSERT_TRUE(module.Load("AIQUILL.DLL"));
    char buffer[kAiInfoTextSize] = {};
    char* at = buffer;
    for (int code : {AI_INFOTEXT1, AI_INFOTEXT2, AI_INFOTEXT3}) {
        module.Ask(code, 0, at);
        at += std::strlen(at);
        ASSERT_LT(at + 4, buffer + sizeof buffer);
        std::memcpy(at, "\r\n\r\n", 5);
        at += 4;
    }
    std::string description = buffer;
    EXPECT_NE(std::string::npos, description.find("QUILLPAD.INI"));
    EXPECT_NE(std::string::npos, description.find("[Viewer]"));
    EXPECT_NE(std::string::npos, description.find("exactly as it was"));
}

TEST_F(QuillpadTest, IntegratingNamesTheViewerAndRemovingRestoresTheFileExactly) {
    const std::string original =
        "; Quillpad settings\r\n[Editor]\r\nFont=Courier\r\n"
        "[Viewer]\r\n  program = C:\\OLDVIEW\\VIEW.EXE  \r\nZoom=100\r\n[Print]\r\nMargins=1\r\n";
    WriteFile(program_ + "QUILLPAD.INI", original);

    Run(kActionIntegrate);
    EXPECT_EQ(kStatusIntegrated, record(0).Status);
    EXPECT_EQ("; Quillpad settings\r\n[Editor]\r\nFont=Courier\r\n[Viewer]\r\nProgram=" +
                  Viewer() + "\r\nZoom=100\r\n[Print]\r\nMargins=1\r\n",
              Settings());
    char value[MAX_PATH] = "";
    GetPrivateProfileStringA("Viewer", "Program", "", value, sizeof value,
                             (program_ + "QUILLPAD.INI").c_str());
    EXPECT_EQ(Viewer(), value);
    // What is needed to undo it is in the registry record.
    auto saved = GetValue(HKEY_LOCAL_MACHINE, AppKey("Quillpad"), "SaveData");
    ASSERT_TRUE(saved);
    EXPECT_EQ(0, std::memcmp("QPV1", saved->data.data(), 4));

    // A later run removes it, with SaveData from the registry only.
    Run(kActionRemove);
    EXPECT_EQ(kStatusNotIntegrated, record(0).Status);
    EXPECT_EQ(original, Settings());
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(QuillpadTest, ASettingsFileWithoutTheSectionGetsOneAndLosesItAgain) {
    const std::string original = "[Editor]\nFont=Courier";  // LF only, no final line end
    WriteFile(program_ + "QUILLPAD.INI", original);
    Run(kActionIntegrate);
    EXPECT_EQ("[Editor]\nFont=Courier\n[Viewer]\nProgram=" + Viewer() + "\n", Settings());
    Run(kActionRemove);
    EXPECT_EQ(original, Settings());
}

TEST_F(QuillpadTest, ASectionWithoutTheEntryGetsItRightBelowItsHeader) {
    const std::string original = "[viewer]\r\nZoom=50\r\n";
    WriteFile(program_ + "QUILLPAD.INI", original);
    Run(kActionIntegrate);
    EXPECT_EQ("[viewer]\r\nProgram=" + Viewer() + "\r\nZoom=50\r\n", Settings());
    Run(kActionRemove);
    EXPECT_EQ(original, Settings());
}

TEST_F(QuillpadTest, IntegratingTwiceStillRestoresTheOriginal) {
    const std::string original = "[Viewer]\r\nProgram=OLD.EXE\r\n";
    WriteFile(program_ + "QUILLPAD.INI", original);
    Run(kActionIntegrate);
    // A line added above the entry in between moves it.
    WriteFile(program_ + "QUILLPAD.INI", "; edited\r\n" + Settings());
    Run(kActionIntegrate);
    EXPECT_EQ("; edited\r\n[Viewer]\r\nProgram=" + Viewer() + "\r\n", Settings());
    Run(kActionRemove);
    EXPECT_EQ("; edited\r\n" + original, Settings());
}

TEST_F(QuillpadTest, AnEntryChangedSinceIsLeftAlone) {
    WriteFile(program_ + "QUILLPAD.INI", "[Viewer]\r\nProgram=OLD.EXE\r\n");
    Run(kActionIntegrate);
    WriteFile(program_ + "QUILLPAD.INI", "[Viewer]\r\nProgram=CHOSEN.EXE\r\n");
    Run(kActionRemove);
    EXPECT_EQ(kStatusNotIntegrated, record(0).Status);
    EXPECT_EQ("[Viewer]\r\nProgram=CHOSEN.EXE\r\n", Settings());
}

TEST_F(QuillpadTest, WithoutItsSettingsFileTheIntegrationFails) {
    Run(kActionIntegrate);
    EXPECT_EQ(kStatusFailed, record(0).Status);
    ASSERT_EQ(1u, prompts_.shown().size());
    EXPECT_EQ("The integration with Quillpad Editor failed", prompts_.shown()[0].text);
    EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, AppKey("Quillpad"), "SaveData"));
}

using WayfarerTest = IntegrationTest;

TEST_F(WayfarerTest, IsAutomaticAndKnowsItsFolder) {
    AddSampleModule("AIWAYFAR.DLL");
    LoadIntegrationModules();
    ASSERT_EQ(1u, table().AppCount);
    EXPECT_STREQ("Wayfarer", record(0).KeyName);
    EXPECT_EQ(kKindModuleKnows, LocationKind(record(0)));
    EXPECT_TRUE(IsAutomatic(record(0)));
    EXPECT_EQ(kStatusIntegrated, record(0).Status);
    EXPECT_EQ(1, record(0).PathKnown);
    EXPECT_STREQ("C:\\Program Files\\Wayfarer\\", record(0).AppPath);

    SetString(HKEY_LOCAL_MACHINE,
              "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\WAYFARER.EXE", "",
              "D:\\Web\\Wayfarer 2\\WAYFARER.EXE");
    LoadIntegrationModules();
    EXPECT_STREQ("D:\\Web\\Wayfarer 2\\", record(0).AppPath);

    // Its Status is never taken from the registry; integrating and removing
    // always succeed.
    SetDword(HKEY_LOCAL_MACHINE, AppKey("Wayfarer"), "Status", 1);
    ReadAppRecords();
    EXPECT_EQ(kStatusIntegrated, record(0).Status);
    EXPECT_EQ(1, IntegrateApp(0, nullptr));
    EXPECT_EQ(1, RemoveAppIntegration(0, nullptr));
}

}  // namespace
}  // namespace txr::test
