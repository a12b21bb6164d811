// Deletion at the next start of Windows and taking it back: WININIT.INI on
// Windows 95, the Session Manager's pending operations on Windows NT.
//
// These tests work on the prefix's real WININIT.INI and the real Session
// Manager key (Wine's delayed deletion writes there by the key's system
// path, past any redirection of HKEY_LOCAL_MACHINE), so they run alone and
// put back what they found.
#include "registration/delete_on_reboot.h"

#include "platform/os_version.h"
#include "platform/registry_api.h"
#include "tests/support/bad_pointers.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/seams.h"
#include "tests/support/system_state.h"
#include "tests/support/wine_version.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace txr::test {
namespace {

constexpr char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr char kRenameOperations[] =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\FileRenameOperations";
constexpr char kPendingValue[] = "PendingFileRenameOperations";

// A multi-string list: each string with its terminator, then the final one.
std::string List(const std::vector<std::string>& strings) {
    std::string list;
    for (const std::string& text : strings) {
        list += text;
        list += '\0';
    }
    list += '\0';
    return list;
}

// The list as the library sees it (through the ANSI interface).
std::optional<std::string> PendingList() {
    auto value = GetValue(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue);
    if (!value) return {};
    return std::string(value->data.begin(), value->data.end());
}

std::optional<DWORD> PendingType() {
    auto value = GetValue(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue);
    if (!value) return {};
    return value->type;
}

void SetPendingList(const std::string& bytes, DWORD type = REG_MULTI_SZ) {
    SetValue(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue,
             Binary(std::vector<BYTE>(bytes.begin(), bytes.end()), type));
}

// The real machine key, no private registry: what the platform's delayed
// deletion writes must be what the removal reads.
class DeleteOnRebootTest : public ::testing::Test {
protected:
    DeleteOnRebootTest() { ResetSeams(); }
    ~DeleteOnRebootTest() override { ResetSeams(); }

    static void ResetSeams() {
        reg::SetFaultHook({});
        os::ForcePlatform(os::Platform::Actual);
    }

    std::string Wininit() const { return ReadFile(wininit_.path()); }
    bool WininitExists() const { return FileExists(wininit_.path()); }
    void WriteWininit(const std::string& text) const { WriteFile(wininit_.path(), text); }

    SavedFile wininit_{WindowsFolder() + "WININIT.INI"};
    SavedPendingOperations pending_;
    TempFolderRedirect temp_;
};

// ---------------------------------------------------------------------------
// Under Wine's real "win95" setting (run as a child program by the test
// below them).

using Windows95Setting = DeleteOnRebootTest;

TEST_F(Windows95Setting, DISABLED_PlatformIsWindows95) { EXPECT_TRUE(os::IsWindows95()); }

TEST_F(Windows95Setting, DISABLED_WithoutWininitTheFileGetsHeaderAndEntry) {
    EXPECT_NE(FALSE, DeleteFileOnReboot("C:\\ORBISEL\\TXR.DLL"));
    EXPECT_EQ("[rename]\r\nNUL=C:\\ORBISEL\\TXR.DLL\r\n", Wininit());
    EXPECT_TRUE(temp_.Files().empty()) << "the temporary file is deleted";
    EXPECT_FALSE(PendingList()) << "Windows 95 has no pending list";
}

TEST_F(Windows95Setting, DISABLED_EntryGoesRightAfterAHeaderInOtherCase) {
    WriteWininit("[Boot]\r\nshell=x\r\n\r\n[ReNaMe]\r\nNUL=C:\\OLD.DLL\r\nC:\\A.NEW=C:\\A.OLD\r\n"
                 "\r\n[Other]\r\nkey=value\r\n");
    EXPECT_NE(FALSE, DeleteFileOnReboot("C:\\ORBISEL\\TXR.DLL"));
    EXPECT_EQ("[Boot]\r\nshell=x\r\n[rename]\r\nNUL=C:\\ORBISEL\\TXR.DLL\r\nNUL=C:\\OLD.DLL\r\n"
              "C:\\A.NEW=C:\\A.OLD\r\n[Other]\r\nkey=value\r\n",
              Wininit());
}

TEST_F(Windows95Setting, DISABLED_SameFileTwiceThenOneRemovalDropsBoth) {
    WriteWininit("[rename]\r\nNUL=C:\\KEEP.DLL\r\n");
    EXPECT_NE(FALSE, DeleteFileOnReboot("C:\\ORBISEL\\TXR.DLL"));
    EXPECT_NE(FALSE, DeleteFileOnReboot("C:\\ORBISEL\\TXR.DLL"));
    EXPECT_EQ("[rename]\r\nNUL=C:\\ORBISEL\\TXR.DLL\r\nNUL=C:\\ORBISEL\\TXR.DLL\r\nNUL=C:\\KEEP.DLL\r\n",
              Wininit());
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\ORBISEL\\TXR.DLL"));
    EXPECT_EQ("[rename]\r\nNUL=C:\\KEEP.DLL\r\n", Wininit());
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\KEEP.DLL"));
    EXPECT_EQ("[rename]\r\n", Wininit()) << "an emptied section keeps its header";
    EXPECT_TRUE(temp_.Files().empty());
}

TEST_F(Windows95Setting, DISABLED_RemovalComparesWholeLinesIgnoringCase) {
    WriteWininit("[rename]\r\nnul=c:\\orbisel\\txr.dll\r\nNUL=C:\\ORBISEL\\TXR.DLL.BAK\r\n"
                 "NUL=C:\\ORBISEL\\TXR.DLLX\r\nXNUL=C:\\ORBISEL\\TXR.DLL\r\n");
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\ORBISEL\\TXR.DLL"));
    EXPECT_EQ("[rename]\r\nNUL=C:\\ORBISEL\\TXR.DLL.BAK\r\nNUL=C:\\ORBISEL\\TXR.DLLX\r\n"
              "XNUL=C:\\ORBISEL\\TXR.DLL\r\n",
              Wininit());
}

// WININIT.INI is carried out before long names are known: an existing
// file's entry holds its short form, and the removal finds either form.
TEST_F(Windows95Setting, DISABLED_AnExistingLongPathIsWrittenShortAndFoundByEither) {
    ScratchFolder folder;
    const std::string path = folder / "Orbisel Viewer Library.dll";
    WriteFile(path, "x");
    char shortPath[MAX_PATH] = "";
    ASSERT_NE(0u, GetShortPathNameA(path.c_str(), shortPath, MAX_PATH));
    ASSERT_NE(path, shortPath);
    EXPECT_NE(FALSE, DeleteFileOnReboot(path.c_str()));
    EXPECT_EQ(std::string("[rename]\r\nNUL=") + shortPath + "\r\n", Wininit());
    WriteWininit(Wininit() + "NUL=" + path + "\r\n");
    EXPECT_EQ(0, RemoveDeleteOnReboot(path.c_str()));
    EXPECT_EQ("[rename]\r\n", Wininit());
}

// ---------------------------------------------------------------------------
// Under Wine's real "nt40" setting.

using WindowsNTSetting = DeleteOnRebootTest;

TEST_F(WindowsNTSetting, DISABLED_PlatformIsWindowsNT) { EXPECT_FALSE(os::IsWindows95()); }

TEST_F(WindowsNTSetting, DISABLED_SchedulingAppendsToThePendingList) {
    EXPECT_NE(FALSE, DeleteFileOnReboot("C:\\ORBISEL\\TXR.DLL"));
    EXPECT_NE(FALSE, DeleteFileOnReboot("C:\\ORBISEL\\TXRSE2.DLL"));
    EXPECT_EQ(List({"\\??\\C:\\ORBISEL\\TXR.DLL", "", "\\??\\C:\\ORBISEL\\TXRSE2.DLL", ""}),
              PendingList());
    EXPECT_EQ(REG_MULTI_SZ, PendingType());
    EXPECT_FALSE(WininitExists()) << "Windows NT has no WININIT.INI";
}

TEST_F(WindowsNTSetting, DISABLED_RemovalMatchesBySubstringInUpperCase) {
    ASSERT_NE(FALSE, DeleteFileOnReboot("C:\\X\\Y.DLL.BAK"));
    ASSERT_NE(FALSE, DeleteFileOnReboot("C:\\X\\Z.DLL"));
    ASSERT_NE(FALSE, DeleteFileOnReboot("C:\\X\\Y.DLL"));
    EXPECT_EQ(0, RemoveDeleteOnReboot("c:\\x\\y.dll"));
    EXPECT_EQ(List({"\\??\\C:\\X\\Z.DLL", ""}), PendingList());
    EXPECT_EQ(REG_MULTI_SZ, PendingType());
}

TEST_F(WindowsNTSetting, DISABLED_RemovingTheLastDeletionDeletesTheValue) {
    ASSERT_NE(FALSE, DeleteFileOnReboot("C:\\ORBISEL\\TXR.DLL"));
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\ORBISEL\\TXR.DLL"));
    EXPECT_FALSE(PendingList()) << "only the final terminator was left";
}

TEST_F(WindowsNTSetting, DISABLED_ARenameRunsOnToTheNextDoubleZero) {
    // A rename (non-empty destination) followed directly by a deletion: the
    // deletion belongs to the rename's entry and is matched by the rename's
    // source only.
    const std::string list =
        List({"\\??\\C:\\R.TMP", "!\\??\\C:\\R.DLL", "\\??\\C:\\X\\Y.DLL", ""});
    SetPendingList(list);
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\X\\Y.DLL"));
    EXPECT_EQ(list, PendingList()) << "not found by its own path";

    SetPendingList(list);
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\R.TMP"));
    EXPECT_FALSE(PendingList()) << "both went; only the final terminator was left";

    SetPendingList(list);
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\R.DLL"));
    EXPECT_EQ(list, PendingList()) << "a destination is never matched";

    const std::string twoRenames = List({"\\??\\C:\\A.TMP", "!\\??\\C:\\A.DLL", "",
                                         "\\??\\C:\\B.TMP", "!\\??\\C:\\B.DLL", ""});
    SetPendingList(twoRenames);
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\B.TMP"));
    EXPECT_EQ(List({"\\??\\C:\\A.TMP", "!\\??\\C:\\A.DLL", ""}), PendingList())
        << "a rename closed by its own double zero is an entry of its own";
}

TEST_F(WindowsNTSetting, DISABLED_MalformedListsEndWithMinusOneAndNoChange) {
    struct Case {
        const char* what;
        std::string bytes;
        DWORD type;
    };
    const std::string list = List({"\\??\\C:\\X\\Y.DLL", "", "\\??\\C:\\X\\Z.DLL", ""});
    const std::vector<Case> cases = {
        {"binary value", list, REG_BINARY},
        {"single string value", list, REG_SZ},
        {"last string unterminated",
         std::string("\\??\\C:\\X\\Z.DLL") + std::string(2, '\0') + "\\??\\C:\\X\\Y.DLL",
         REG_MULTI_SZ},
        {"one unterminated string", "\\??\\C:\\X\\Y.DLL", REG_MULTI_SZ},
    };
    for (const Case& malformed : cases) {
        SetPendingList(malformed.bytes, malformed.type);
        EXPECT_EQ(-1, RemoveDeleteOnReboot("C:\\X\\Y.DLL")) << malformed.what;
        EXPECT_EQ(malformed.bytes, PendingList()) << malformed.what;
        EXPECT_EQ(malformed.type, PendingType()) << malformed.what;
    }
}

// ---------------------------------------------------------------------------
// The two settings, each in a child program.

TEST_F(DeleteOnRebootTest, UnderWineWindows95Setting) {
    std::string output;
    EXPECT_EQ(0, RunTestUnderWineVersion("win95", "Windows95Setting.DISABLED_*", &output))
        << output;
    EXPECT_NE(std::string::npos, output.find("[  PASSED  ] 6 tests")) << output;
}

TEST_F(DeleteOnRebootTest, UnderWineWindowsNTSetting) {
    std::string output;
    EXPECT_EQ(0, RunTestUnderWineVersion("nt40", "WindowsNTSetting.DISABLED_*", &output))
        << output;
    EXPECT_NE(std::string::npos, output.find("[  PASSED  ] 6 tests")) << output;
}

// The path comes from an outside installer script: a pointer that cannot be
// read ends either call with its failure result, on either platform, and
// changes nothing.
TEST_F(DeleteOnRebootTest, UnreadablePathsFailWithNothingChanged) {
    const std::string wininit = "[rename]\r\nNUL=C:\\UNENDING\r\n";
    const std::string list = List({"\\??\\C:\\UNENDING", ""});
    WriteWininit(wininit);
    SetPendingList(list);
    BadPointers bad;
    for (os::Platform platform : {os::Platform::Windows95, os::Platform::WindowsNT}) {
        os::ForcePlatform(platform);
        for (const BadPointers::Named& path : bad.UnreadableTexts()) {
            EXPECT_EQ(FALSE, DeleteFileOnReboot(path.pointer)) << path.what;
            EXPECT_EQ(-1, RemoveDeleteOnReboot(path.pointer)) << path.what;
        }
    }
    EXPECT_EQ(wininit, Wininit());
    EXPECT_EQ(list, PendingList());
    EXPECT_TRUE(temp_.Files().empty());
}

// ---------------------------------------------------------------------------
// WININIT.INI in detail (Windows 95 forced in-process).

class Windows95Wininit : public DeleteOnRebootTest {
protected:
    Windows95Wininit() { os::ForcePlatform(os::Platform::Windows95); }
};

TEST_F(Windows95Wininit, LinesWithBlanksComeBackWholeAndTrimmed) {
    WriteWininit("[rename]\n   NUL=C:\\Program Files\\Orbisel\\TXR.DLL \t\n\n\t\nNUL=C:\\A.DLL");
    EXPECT_NE(FALSE, DeleteFileOnReboot("C:\\Program Files\\Orbisel\\TXRSE2.DLL"));
    EXPECT_EQ("[rename]\r\nNUL=C:\\Program Files\\Orbisel\\TXRSE2.DLL\r\n"
              "NUL=C:\\Program Files\\Orbisel\\TXR.DLL\r\nNUL=C:\\A.DLL\r\n",
              Wininit());
    EXPECT_EQ(0, RemoveDeleteOnReboot("c:\\program files\\orbisel\\txr.dll"));
    EXPECT_EQ("[rename]\r\nNUL=C:\\Program Files\\Orbisel\\TXRSE2.DLL\r\nNUL=C:\\A.DLL\r\n",
              Wininit());
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\Program Files\\Orbisel\\TXRSE2.DLL"));
    EXPECT_EQ("[rename]\r\nNUL=C:\\A.DLL\r\n", Wininit());
}

TEST_F(Windows95Wininit, WithoutARenameSectionOneIsAppended) {
    WriteWininit("[Boot]\r\nshell=x\r\n  \r\n[Other]\r\n[renamed]\r\n");
    EXPECT_NE(FALSE, DeleteFileOnReboot("C:\\ORBISEL\\TXR.DLL"));
    EXPECT_EQ("[Boot]\r\nshell=x\r\n[Other]\r\n[renamed]\r\n[rename]\r\nNUL=C:\\ORBISEL\\TXR.DLL\r\n",
              Wininit());
}

TEST_F(Windows95Wininit, LinesLongerThanTheBuffersAreCarriedOverUnchanged) {
    const std::string beyondScheduling = "NUL=C:\\" + std::string(kScheduleLineSize, 'S');
    const std::string beyondRemoval = "NUL=C:\\" + std::string(kRemoveLineSize, 'R');
    const std::string longHeader = "[rename]" + std::string(2 * kRemoveLineSize, 'H');
    WriteWininit(longHeader + "\r\n[rename]\r\n" + beyondScheduling + "\r\n" + beyondRemoval +
                 "\r\nNUL=C:\\A\r\n");
    EXPECT_NE(FALSE, DeleteFileOnReboot("C:\\B"));
    const std::string scheduled = longHeader + "\r\n[rename]\r\nNUL=C:\\B\r\n" + beyondScheduling +
                                  "\r\n" + beyondRemoval + "\r\nNUL=C:\\A\r\n";
    EXPECT_EQ(scheduled, Wininit());
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\A"));
    EXPECT_EQ(longHeader + "\r\n[rename]\r\nNUL=C:\\B\r\n" + beyondScheduling + "\r\n" +
                  beyondRemoval + "\r\n",
              Wininit());
}

TEST_F(Windows95Wininit, ACtrlZEndsTheText) {
    WriteWininit("[rename]\r\nNUL=C:\\A\r\n\x1A\r\nNUL=C:\\AFTER\r\n");
    EXPECT_NE(FALSE, DeleteFileOnReboot("C:\\B"));
    EXPECT_EQ("[rename]\r\nNUL=C:\\B\r\nNUL=C:\\A\r\n", Wininit());
}

TEST_F(Windows95Wininit, PathsAreTakenUpTo259Characters) {
    const std::string longest = "C:\\" + std::string(256, 'L');  // 259 characters
    EXPECT_NE(FALSE, DeleteFileOnReboot(longest.c_str()));
    EXPECT_EQ("[rename]\r\nNUL=" + longest + "\r\n", Wininit());
    EXPECT_EQ(0, RemoveDeleteOnReboot(longest.c_str()));
    EXPECT_EQ("[rename]\r\n", Wininit());

    const std::string tooLong = longest + "X";
    WriteWininit("[rename]\r\nNUL=C:\\A\r\n");
    EXPECT_EQ(FALSE, DeleteFileOnReboot(tooLong.c_str()));
    EXPECT_EQ(FALSE, DeleteFileOnReboot(""));
    EXPECT_EQ(FALSE, DeleteFileOnReboot(nullptr));
    EXPECT_EQ(-1, RemoveDeleteOnReboot(tooLong.c_str()));
    EXPECT_EQ(-1, RemoveDeleteOnReboot(""));
    EXPECT_EQ(-1, RemoveDeleteOnReboot(nullptr));
    EXPECT_EQ("[rename]\r\nNUL=C:\\A\r\n", Wininit());
    EXPECT_TRUE(temp_.Files().empty());
}

TEST_F(Windows95Wininit, WithoutATemporaryFileNothingChanges) {
    temp_.PointAt(temp_.path() + "missing\\");
    EXPECT_EQ(FALSE, DeleteFileOnReboot("C:\\B"));
    EXPECT_FALSE(WininitExists());
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\A")) << "no WININIT.INI: nothing to do";

    WriteWininit("[rename]\r\nNUL=C:\\A\r\n\r\n");
    EXPECT_EQ(FALSE, DeleteFileOnReboot("C:\\B"));
    EXPECT_EQ(-1, RemoveDeleteOnReboot("C:\\A"));
    EXPECT_EQ("[rename]\r\nNUL=C:\\A\r\n\r\n", Wininit());
}

TEST_F(Windows95Wininit, AWininitThatCannotBeReplacedStaysAndFailureIsReported) {
    const std::string original = "[rename]\r\nNUL=C:\\A\r\n";
    WriteWininit(original);
    // Another program reads it and lets nobody write to it.
    HANDLE reader = CreateFileA(wininit_.path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    EXPECT_EQ(FALSE, DeleteFileOnReboot("C:\\B"));
    EXPECT_EQ(-1, RemoveDeleteOnReboot("C:\\A"));
    CloseHandle(reader);
    EXPECT_EQ(original, Wininit());
    EXPECT_TRUE(temp_.Files().empty()) << "the temporary file is deleted also on failure";
}

TEST_F(Windows95Wininit, AWininitThatCannotBeReadIsNeverOverwritten) {
    const std::string original = "[rename]\r\nNUL=C:\\A\r\n";
    WriteWininit(original);
    HANDLE owner = CreateFileA(wininit_.path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, owner);
    EXPECT_EQ(FALSE, DeleteFileOnReboot("C:\\B"));
    EXPECT_EQ(-1, RemoveDeleteOnReboot("C:\\A"));
    CloseHandle(owner);
    EXPECT_EQ(original, Wininit());
    EXPECT_TRUE(temp_.Files().empty());
}

// ---------------------------------------------------------------------------
// The pending list in detail (Windows NT forced in-process).

class WindowsNTPendingList : public DeleteOnRebootTest {
protected:
    WindowsNTPendingList() { os::ForcePlatform(os::Platform::WindowsNT); }
};

TEST_F(WindowsNTPendingList, NothingScheduledIsNoFailure) {
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\X\\Y.DLL"));
    EXPECT_FALSE(PendingList());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kRenameOperations));
}

TEST_F(WindowsNTPendingList, UnusablePathsChangeNothing) {
    const std::string list = List({"\\??\\C:\\X\\Y.DLL", "", "\\??\\C:\\X\\Z.DLL", ""});
    SetPendingList(list);
    EXPECT_EQ(-1, RemoveDeleteOnReboot("")) << "an empty path would match every entry";
    EXPECT_EQ(-1, RemoveDeleteOnReboot(nullptr));
    EXPECT_EQ(-1, RemoveDeleteOnReboot(("C:\\X\\" + std::string(260, 'Y')).c_str()));
    EXPECT_EQ(FALSE, DeleteFileOnReboot(""));
    EXPECT_EQ(FALSE, DeleteFileOnReboot(nullptr));
    EXPECT_EQ(list, PendingList());
}

TEST_F(WindowsNTPendingList, AnUntouchedListIsNotWrittenBack) {
    const std::string list = List({"\\??\\C:\\X\\Y.DLL", "", "\\??\\C:\\X\\Z.DLL", ""});
    SetPendingList(list);
    RegistryFaults watch;
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\OTHER.DLL"));
    EXPECT_EQ(list, PendingList());
    for (const reg::Call& call : watch.calls()) {
        EXPECT_NE(reg::Op::SetValue, call.op) << reg::Describe(call);
        EXPECT_NE(reg::Op::DeleteValue, call.op) << reg::Describe(call);
    }
}

TEST_F(WindowsNTPendingList, AnEmptyListGoesAway) {
    for (const std::string& empty : {std::string(), std::string(1, '\0')}) {
        SetPendingList(empty);
        EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\X\\Y.DLL"));
        EXPECT_FALSE(PendingList()) << empty.size() << " bytes";
    }
}

TEST_F(WindowsNTPendingList, ExtraTerminatorsAndAnUnpairedSourceAreKept) {
    // Two zero bytes after the list's end, and a source whose destination is
    // missing: not ours to repair, so kept byte for byte.
    const std::string tail = std::string(2, '\0') + "\\??\\C:\\LONE.DLL" + std::string(1, '\0');
    SetPendingList(List({"\\??\\C:\\X\\Y.DLL", ""}) + tail);
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\X\\Y.DLL"));
    EXPECT_EQ(std::string(1, '\0') + tail, PendingList());
}

TEST_F(WindowsNTPendingList, AnOddLengthIsReadWithoutItsHalfCharacter) {
    // Stored as UTF-16 with one byte too many; the ANSI view ends at the
    // last whole character.
    std::wstring text(L"\\??\\C:\\X\\Y.DLL\0\0\\??\\C:\\X\\Z.DLL\0\0\0", 33);
    std::vector<BYTE> bytes(reinterpret_cast<const BYTE*>(text.data()),
                            reinterpret_cast<const BYTE*>(text.data() + text.size()));
    bytes.push_back('Q');
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_ALL_ACCESS,
                                           &key));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, L"PendingFileRenameOperations", 0, REG_MULTI_SZ,
                                            bytes.data(), static_cast<DWORD>(bytes.size())));
    RegCloseKey(key);
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\X\\Y.DLL"));
    EXPECT_EQ(List({"\\??\\C:\\X\\Z.DLL", ""}), PendingList());
}

TEST_F(WindowsNTPendingList, AHugeListIsCutThroughToItsEnd) {
    std::vector<std::string> strings;
    for (int i = 0; i < 20000; ++i) {
        strings.push_back("\\??\\C:\\SOME\\FILE" + std::to_string(i) + ".DLL");
        strings.push_back("");
        if (i == 10000) {
            strings.push_back("\\??\\C:\\ORBISEL\\TXR.DLL");
            strings.push_back("");
        }
    }
    SetPendingList(List(strings));
    const std::string before = *PendingList();
    ASSERT_GT(before.size(), 500000u);
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\ORBISEL\\TXR.DLL"));
    strings.erase(strings.begin() + 20002, strings.begin() + 20004);
    EXPECT_EQ(List(strings), PendingList());
}

TEST_F(WindowsNTPendingList, RegistryFailuresEndWithMinusOneAndNoChange) {
    const std::string list = List({"\\??\\C:\\X\\Y.DLL", "", "\\??\\C:\\X\\Z.DLL", ""});
    struct Case {
        const char* what;
        std::function<void(RegistryFaults&)> arrange;
    };
    const std::vector<Case> cases = {
        {"key denied",
         [](RegistryFaults& faults) { faults.Fail(reg::Op::Open, "Control\\Session Manager"); }},
        {"size query denied",
         [](RegistryFaults& faults) {
             faults.Fail(reg::Op::QueryValue, "Session Manager\\PendingFileRenameOperations");
         }},
        {"read fails after the size query",
         [](RegistryFaults& faults) {
             auto queries = std::make_shared<int>(0);
             faults.FailWhen(
                 [queries](const reg::Call& call) {
                     return call.op == reg::Op::QueryValue && ++*queries == 2;
                 },
                 ERROR_MORE_DATA);
         }},
        {"store fails",
         [](RegistryFaults& faults) {
             faults.Fail(reg::Op::SetValue, "Session Manager\\PendingFileRenameOperations");
         }},
    };
    for (const Case& failure : cases) {
        SetPendingList(list);
        RegistryFaults faults;
        failure.arrange(faults);
        EXPECT_EQ(-1, RemoveDeleteOnReboot("C:\\X\\Y.DLL")) << failure.what;
        EXPECT_EQ(list, PendingList()) << failure.what;
    }

    const std::string single = List({"\\??\\C:\\X\\Y.DLL", ""});
    SetPendingList(single);
    {
        RegistryFaults faults;
        faults.Fail(reg::Op::DeleteValue, "Session Manager\\PendingFileRenameOperations");
        EXPECT_EQ(-1, RemoveDeleteOnReboot("C:\\X\\Y.DLL")) << "the emptied list cannot go";
        EXPECT_EQ(single, PendingList());
    }
    RegistryFaults missing;
    missing.Fail(reg::Op::Open, "Control\\Session Manager", ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\X\\Y.DLL")) << "a missing key is no failure";
    EXPECT_EQ(single, PendingList());
}

// The older layout: one value per operation under "FileRenameOperations",
// named by its source path.

TEST_F(WindowsNTPendingList, OlderLayoutValuesAreRemovedBySubstring) {
    const std::string longName = "\\??\\C:\\X\\Y.DLL" + std::string(1500, 'N');
    for (const std::string& name : {std::string("\\??\\C:\\X\\Y.DLL"), std::string("\\??\\c:\\x\\y.dll.bak"),
                                    std::string("\\??\\C:\\X\\Z.DLL"), longName}) {
        SetString(HKEY_LOCAL_MACHINE, kRenameOperations, name, "");
    }
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\X\\Y.DLL"));
    RegTree left = ReadTree(HKEY_LOCAL_MACHINE, kRenameOperations);
    EXPECT_EQ(1u, left.size());
    EXPECT_EQ(2u, left[""].size()) << Dump(left);
    EXPECT_EQ(1u, left[""].count("\\??\\C:\\X\\Z.DLL")) << Dump(left);
    EXPECT_EQ(1u, left[""].count(longName)) << "a name longer than any path is passed over";
}

TEST_F(WindowsNTPendingList, OlderLayoutIsLeftAloneWhileTheListExists) {
    SetPendingList(List({"\\??\\C:\\OTHER.DLL", ""}));
    SetString(HKEY_LOCAL_MACHINE, kRenameOperations, "\\??\\C:\\X\\Y.DLL", "");
    EXPECT_EQ(0, RemoveDeleteOnReboot("C:\\X\\Y.DLL"));
    EXPECT_TRUE(GetValue(HKEY_LOCAL_MACHINE, kRenameOperations, "\\??\\C:\\X\\Y.DLL"));
}

TEST_F(WindowsNTPendingList, OlderLayoutValueThatCannotBeDeletedIsSteppedOver) {
    for (const char* name : {"\\??\\C:\\X\\Y.DLL", "\\??\\C:\\X\\Y.DLL.BAK", "\\??\\C:\\X\\Z.DLL"}) {
        SetString(HKEY_LOCAL_MACHINE, kRenameOperations, name, "");
    }
    RegistryFaults faults;
    faults.Fail(reg::Op::DeleteValue, "FileRenameOperations\\\\??\\C:\\X\\Y.DLL");
    EXPECT_EQ(-1, RemoveDeleteOnReboot("C:\\X\\Y.DLL"));
    EXPECT_TRUE(GetValue(HKEY_LOCAL_MACHINE, kRenameOperations, "\\??\\C:\\X\\Y.DLL"));
    EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, kRenameOperations, "\\??\\C:\\X\\Y.DLL.BAK"));
    EXPECT_TRUE(GetValue(HKEY_LOCAL_MACHINE, kRenameOperations, "\\??\\C:\\X\\Z.DLL"));
}

}  // namespace
}  // namespace txr::test
