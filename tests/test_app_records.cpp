// The registry record of each application: what WriteAppRecords leaves in
// HKLM\...\Apps\<KeyName>, what ReadAppRecords takes from it, and values
// that do not fit or cannot be read.
#include "integration/app_table.h"

#include "platform/bounded_text.h"
#include "tests/integration_fixture.h"
#include "tests/support/registry_tree.h"
#include "tests/support/seams.h"

#include <cstring>
#include <string>

namespace txr::test {
namespace {

class AppRecordsTest : public IntegrationTest {
protected:
    // Three applications: a kind-3 one, a kind-4 one at C:\Known\ and an
    // automatic kind-4 one, which starts integrated.
    void LoadThree() {
        AddProbe("[Module]\nCount=3\n"
                 "[App0]\nKeyName=Scan\nDisplayName=Scan\nKind=3\nFiles=A.EXE|B.INI\n"
                 "[App1]\nKeyName=Known\nDisplayName=Known\nKind=4\nDefaultPath=C:\\Known\\\n"
                 "[App2]\nKeyName=Auto\nDisplayName=Auto\nKind=0x40004\nDefaultPath=C:\\Auto\\\n");
        LoadIntegrationModules();
        ASSERT_EQ(3u, table().AppCount);
    }
    void SetSaveData(AppRecord& r, const std::string& bytes) {
        std::memcpy(r.SaveData, bytes.data(), bytes.size());
        r.SaveDataLength = static_cast<std::uint32_t>(bytes.size());
        r.SaveDataPresent = 1;
    }
};

std::string KeyClass(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return "<no key>";
    }
    char keyClass[64] = "";
    DWORD length = sizeof keyClass;
    RegQueryInfoKeyA(key, keyClass, &length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return keyClass;
}

TEST_F(AppRecordsTest, RecordsAreWrittenAndReadBack) {
    LoadThree();
    record(0).Status = kStatusIntegrated;
    text::Copy(record(0).AppPath, "D:\\Apps\\Scan\\");
    record(0).PathKnown = 1;
    SetSaveData(record(0), std::string("sa\0ve", 5));
    record(1).Status = kStatusFailed;
    WriteAppRecords();

    RegTree expected = {
        {"", {}},
        {"Scan", {{"Status", Dword(2)}, {"AppPath", Sz("D:\\Apps\\Scan\\")},
                  {"SaveData", Binary({'s', 'a', 0, 'v', 'e'})}}},
        {"Known", {{"Status", Dword(4)}, {"AppPath", Sz("C:\\Known\\")}}},
        {"Auto", {{"Status", Dword(2)}, {"AppPath", Sz("C:\\Auto\\")}}},
    };
    EXPECT_EQ(expected, ReadTree(HKEY_LOCAL_MACHINE, "Software\\Corvel\\Orbisel\\CurrentVersion\\Apps"))
        << Dump(ReadTree(HKEY_LOCAL_MACHINE, "Software\\Corvel\\Orbisel\\CurrentVersion\\Apps"));
    EXPECT_EQ("Corvel", KeyClass(AppKey("Scan")));

    // A later run: the modules again, then the records.
    Apps() = AppTable{};
    LoadIntegrationModules();
    ReadAppRecords();
    EXPECT_EQ(kStatusIntegrated, record(0).Status);
    EXPECT_EQ(1, record(0).PathKnown);
    EXPECT_STREQ("D:\\Apps\\Scan\\", record(0).AppPath);
    EXPECT_EQ(1, record(0).SaveDataPresent);
    EXPECT_EQ(5u, record(0).SaveDataLength);
    EXPECT_EQ(0, std::memcmp("sa\0ve", record(0).SaveData, 5));
    EXPECT_EQ(kStatusFailed, record(1).Status);
    EXPECT_EQ(0, record(1).SaveDataPresent);
}

TEST_F(AppRecordsTest, ValuesAreOnlyWrittenNeverDeleted) {
    LoadThree();
    SetString(HKEY_LOCAL_MACHINE, AppKey("Scan"), "AppPath", "E:\\Old\\");
    SetValue(HKEY_LOCAL_MACHINE, AppKey("Scan"), "SaveData", Binary({1, 2, 3}));
    SetString(HKEY_LOCAL_MACHINE, AppKey("Scan"), "Other", "kept");
    WriteAppRecords();  // PathKnown 0 and no SaveData: those values stay
    EXPECT_EQ(Sz("E:\\Old\\"), GetValue(HKEY_LOCAL_MACHINE, AppKey("Scan"), "AppPath"));
    EXPECT_EQ(Binary({1, 2, 3}), GetValue(HKEY_LOCAL_MACHINE, AppKey("Scan"), "SaveData"));
    EXPECT_EQ(Sz("kept"), GetValue(HKEY_LOCAL_MACHINE, AppKey("Scan"), "Other"));
    EXPECT_EQ(Dword(1), GetValue(HKEY_LOCAL_MACHINE, AppKey("Scan"), "Status"));
}

TEST_F(AppRecordsTest, AnAutomaticApplicationKeepsTheStatusItGotAtLoad) {
    LoadThree();
    SetDword(HKEY_LOCAL_MACHINE, AppKey("Auto"), "Status", 1);
    SetDword(HKEY_LOCAL_MACHINE, AppKey("Known"), "Status", 2);
    ReadAppRecords();
    EXPECT_EQ(kStatusIntegrated, record(2).Status);
    EXPECT_EQ(kStatusIntegrated, record(1).Status);
}

TEST_F(AppRecordsTest, MissingKeysAndValuesLeaveTheRecordAsLoaded) {
    LoadThree();
    CreateKey(HKEY_LOCAL_MACHINE, AppKey("Known"));  // a key without values
    ReadAppRecords();
    EXPECT_EQ(kStatusNotIntegrated, record(0).Status);
    EXPECT_EQ(0, record(0).PathKnown);
    EXPECT_EQ(kStatusNotIntegrated, record(1).Status);
    EXPECT_EQ(1, record(1).PathKnown);
    EXPECT_STREQ("C:\\Known\\", record(1).AppPath);
}

TEST_F(AppRecordsTest, SaveDataOfLengthZeroIsNoSaveData) {
    LoadThree();
    SetValue(HKEY_LOCAL_MACHINE, AppKey("Scan"), "SaveData", Binary({}));
    ReadAppRecords();
    EXPECT_EQ(0, record(0).SaveDataPresent);
    EXPECT_EQ(0u, record(0).SaveDataLength);
}

TEST_F(AppRecordsTest, ValuesThatDoNotFitAreNotTaken) {
    LoadThree();
    // 1025 bytes of SaveData, an AppPath of 260 characters: neither fits.
    SetValue(HKEY_LOCAL_MACHINE, AppKey("Scan"), "SaveData",
             Binary(std::vector<BYTE>(1025, 0x5A)));
    SetString(HKEY_LOCAL_MACHINE, AppKey("Known"), "AppPath", "C:\\" + std::string(257, 'x'));
    ReadAppRecords();
    EXPECT_EQ(0, record(0).SaveDataPresent);
    EXPECT_EQ(0u, record(0).SaveDataLength);
    // The location the module gave stays.
    EXPECT_EQ(1, record(1).PathKnown);
    EXPECT_STREQ("C:\\Known\\", record(1).AppPath);

    // Exactly 1024 bytes and 259 characters do.
    SetValue(HKEY_LOCAL_MACHINE, AppKey("Scan"), "SaveData",
             Binary(std::vector<BYTE>(1024, 0x5A)));
    std::string longest = "C:\\" + std::string(256, 'x');
    SetString(HKEY_LOCAL_MACHINE, AppKey("Known"), "AppPath", longest);
    ReadAppRecords();
    EXPECT_EQ(1024u, record(0).SaveDataLength);
    EXPECT_EQ(longest, record(1).AppPath);
}

TEST_F(AppRecordsTest, AnUnterminatedAppPathIsTerminated) {
    LoadThree();
    SetValue(HKEY_LOCAL_MACHINE, AppKey("Scan"), "AppPath",
             RegValue{REG_SZ, {'D', ':', '\\', 'X', '\\'}});
    ReadAppRecords();
    EXPECT_EQ(1, record(0).PathKnown);
    EXPECT_STREQ("D:\\X\\", record(0).AppPath);
}

TEST_F(AppRecordsTest, FailuresAreIgnoredRecordByRecord) {
    LoadThree();
    SetDword(HKEY_LOCAL_MACHINE, AppKey("Known"), "Status", 4);
    SetDword(HKEY_LOCAL_MACHINE, AppKey("Scan"), "Status", 2);
    {
        RegistryFaults faults;
        faults.Fail(reg::Op::Open, "\\Apps\\Scan");
        ReadAppRecords();
    }
    EXPECT_EQ(kStatusNotIntegrated, record(0).Status);
    EXPECT_EQ(kStatusFailed, record(1).Status);

    record(0).Status = kStatusIntegrated;
    record(1).Status = kStatusIntegrated;
    record(2).PathKnown = 1;
    {
        RegistryFaults faults;
        faults.Fail(reg::Op::Create, "\\Apps\\Scan");
        faults.Fail(reg::Op::SetValue, "\\Apps\\Auto\\Status");
        WriteAppRecords();
        EXPECT_EQ(2u, faults.failures());
    }
    EXPECT_EQ(Dword(2), GetValue(HKEY_LOCAL_MACHINE, AppKey("Scan"), "Status"));  // as before
    EXPECT_EQ(Dword(2), GetValue(HKEY_LOCAL_MACHINE, AppKey("Known"), "Status"));
    EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, AppKey("Auto"), "Status"));
    EXPECT_EQ(Sz("C:\\Auto\\"), GetValue(HKEY_LOCAL_MACHINE, AppKey("Auto"), "AppPath"));
}

TEST_F(AppRecordsTest, ARecordWithoutKeyNameHasNoKey) {
    AddProbe("[Module]\nCount=1\n[App0]\nKeyName=\nDisplayName=Nameless\nKind=4\n"
             "DefaultPath=C:\\N\\\n");
    LoadIntegrationModules();
    ASSERT_EQ(1u, table().AppCount);
    SetDword(HKEY_LOCAL_MACHINE, "Software\\Corvel\\Orbisel\\CurrentVersion\\Apps", "Status", 2);
    ReadAppRecords();
    EXPECT_EQ(kStatusNotIntegrated, record(0).Status);
    WriteAppRecords();
    RegTree expected = {{"", {{"Status", Dword(2)}}}};
    EXPECT_EQ(expected, ReadTree(HKEY_LOCAL_MACHINE, "Software\\Corvel\\Orbisel\\CurrentVersion\\Apps"));
}

}  // namespace
}  // namespace txr::test
