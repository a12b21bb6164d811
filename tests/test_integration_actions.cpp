// Carrying out the pending actions: the status and action state machine,
// the progress line and the pauses, the request handed to the module, the
// warning box, SaveData coming back, and modules that fail or fault.
#include "integration/app_table.h"
#include "integration/module_fault_guard.h"

#include "platform/bounded_text.h"
#include "tests/integration_fixture.h"
#include "tests/support/registry_tree.h"
#include "tests/support/seams.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace txr::test {
namespace {

using Lines = std::vector<std::string>;

// The lines of the probe's log that describe requests of code 6 and 7.
Lines RequestLines(const Lines& log) {
    Lines lines;
    for (const std::string& line : log) {
        if (line.rfind("code=", 0) != 0) lines.push_back(line);
    }
    return lines;
}

std::string ShortForm(const std::string& path) {
    char shortPath[MAX_PATH] = "";
    GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
    return shortPath;
}

// The head of this thread's exception handler chain (fs:[0]).
EXCEPTION_REGISTRATION_RECORD* HandlerChain() {
    EXCEPTION_REGISTRATION_RECORD* head;
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
    return head;
}

class ActionsTest : public IntegrationTest {
protected:
    // Three applications of kind 4: Alpha integrates, Beta removes, Gamma
    // refuses to integrate.
    void LoadThree() {
        AddProbe("[Module]\nCount=3\n"
                 "[App0]\nKeyName=Alpha\nDisplayName=Alpha Writer\nKind=4\nDefaultPath=C:\\A\\\n"
                 "NewSaveData=alpha-saved\n"
                 "[App1]\nKeyName=Beta\nDisplayName=Beta Mail\nKind=4\nDefaultPath=C:\\B\\\n"
                 "[App2]\nKeyName=Gamma\nDisplayName=Gamma Draw\nKind=4\nDefaultPath=C:\\G\\\n"
                 "Integrate=0\nNewSaveData=never-taken\n");
        LoadIntegrationModules();
        ASSERT_EQ(3u, table().AppCount);
        ClearProbeLog();
    }

    ScriptedPrompts prompts_;
    FakeClock clock_;
};

TEST_F(ActionsTest, TwoRunsMoveTheStatusOnceAndResetEveryAction) {
    LoadThree();
    PageWindow page;
    record(0).Action = kActionIntegrate;
    record(1).Action = kActionRemove;
    record(1).Status = kStatusIntegrated;
    record(2).Action = kActionIntegrate;

    ApplyIntegrationActions(page.hwnd());
    EXPECT_EQ(kStatusIntegrated, record(0).Status);
    EXPECT_EQ(kStatusNotIntegrated, record(1).Status);
    EXPECT_EQ(kStatusFailed, record(2).Status);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(kActionNone, record(i).Action);
    EXPECT_EQ((Lines{"Integrating Orbisel with Alpha Writer", "Removing Orbisel integration from Beta Mail",
                     "Integrating Orbisel with Gamma Draw"}),
              page.texts(1036));
    EXPECT_EQ((std::vector<DWORD>{1000, 1000, 1000}), clock_.pauses());
    EXPECT_EQ((Lines{"6/0", "7/1", "6/2"}), ProbeCalls());

    // Gamma's refusal: one warning box owned by the page.
    ASSERT_EQ(1u, prompts_.shown().size());
    EXPECT_EQ("The integration with Gamma Draw failed", prompts_.shown()[0].text);
    EXPECT_EQ("Integration Failed", prompts_.shown()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONWARNING), prompts_.shown()[0].style);
    EXPECT_EQ(page.hwnd(), prompts_.shown()[0].owner);

    // A second run in a row has nothing to do.
    ClearProbeLog();
    ApplyIntegrationActions(page.hwnd());
    EXPECT_TRUE(ProbeCalls().empty());
    EXPECT_EQ(3u, clock_.pauses().size());
    EXPECT_EQ(kStatusIntegrated, record(0).Status);
    EXPECT_EQ(kStatusNotIntegrated, record(1).Status);
    EXPECT_EQ(kStatusFailed, record(2).Status);

    // Status 4 stays and is written.
    WriteAppRecords();
    EXPECT_EQ(Dword(4), GetValue(HKEY_LOCAL_MACHINE, AppKey("Gamma"), "Status"));
    EXPECT_EQ(Dword(2), GetValue(HKEY_LOCAL_MACHINE, AppKey("Alpha"), "Status"));
    EXPECT_EQ(Dword(1), GetValue(HKEY_LOCAL_MACHINE, AppKey("Beta"), "Status"));
}

TEST_F(ActionsTest, WithoutAWindowNothingIsShownButTheWarningAndNothingWaits) {
    LoadThree();
    record(0).Action = kActionIntegrate;
    record(2).Action = kActionIntegrate;
    ApplyIntegrationActions(nullptr);
    EXPECT_EQ(kStatusIntegrated, record(0).Status);
    EXPECT_EQ(kStatusFailed, record(2).Status);
    EXPECT_TRUE(clock_.pauses().empty());
    ASSERT_EQ(1u, prompts_.shown().size());
    EXPECT_EQ(nullptr, prompts_.shown()[0].owner);
}

TEST_F(ActionsTest, NoPendingActionMeansNoPause) {
    LoadThree();
    PageWindow page;
    ApplyIntegrationActions(page.hwnd());
    EXPECT_TRUE(clock_.pauses().empty());
    EXPECT_TRUE(page.texts(1036).empty());
    EXPECT_TRUE(ProbeCalls().empty());
}

TEST_F(ActionsTest, TheRequestCarriesTheRecordAndTheShortProgramFolder) {
    LoadThree();
    MakeFolders(setup() + "PROGRAM");
    PageWindow page;
    SetValue(HKEY_LOCAL_MACHINE, AppKey("Alpha"), "SaveData", Binary({'o', 'l', 'd'}));
    ReadAppRecords();
    record(0).Action = kActionIntegrate;
    record(0).Unattended = 1;
    ApplyIntegrationActions(page.hwnd());

    const std::string program = ShortForm(setup() + "PROGRAM\\");
    ASSERT_NE("", program);
    EXPECT_NE(setup() + "PROGRAM\\", program);  // the blank in the path is gone
    EXPECT_EQ((Lines{"AppPath=C:\\A\\", "ProgramFolder=" + program,
                     "SaveDataPresent=1 SaveDataLength=3", "SaveData=old",
                     "Owner=" + std::to_string(reinterpret_cast<UINT_PTR>(page.hwnd())) +
                         " Unattended=1"}),
              RequestLines(ProbeLog()));

    // The module's SaveData comes back on success...
    EXPECT_EQ(1, record(0).SaveDataPresent);
    EXPECT_EQ(11u, record(0).SaveDataLength);
    EXPECT_EQ(0, std::memcmp("alpha-saved", record(0).SaveData, 11));

    // ... and goes to the module with a removal; Unattended is not passed.
    ClearProbeLog();
    record(0).Action = kActionRemove;
    ApplyIntegrationActions(nullptr);
    EXPECT_EQ((Lines{"AppPath=C:\\A\\", "ProgramFolder=" + program,
                     "SaveDataPresent=1 SaveDataLength=11", "SaveData=alpha-saved",
                     "Owner=0 Unattended=0"}),
              RequestLines(ProbeLog()));
    EXPECT_EQ(kStatusNotIntegrated, record(0).Status);
}

TEST_F(ActionsTest, AMissingProgramFolderIsHandedOverInItsLongForm) {
    LoadThree();
    IntegrateApp(0, nullptr);
    EXPECT_EQ("ProgramFolder=" + setup() + "PROGRAM\\", RequestLines(ProbeLog())[1]);
}

TEST_F(ActionsTest, AFailedIntegrationTakesNoSaveDataBack) {
    LoadThree();
    EXPECT_EQ(0, IntegrateApp(2, nullptr));
    EXPECT_EQ(0, record(2).SaveDataPresent);
    EXPECT_EQ(0u, record(2).SaveDataLength);
}

TEST_F(ActionsTest, SaveDataOfLengthZeroIsWrittenAndReadBackAsNone) {
    AddProbe("[Module]\nCount=1\n[App0]\nKeyName=Empty\nDisplayName=Empty\nKind=4\n"
             "DefaultPath=C:\\E\\\nNewSaveData=\nNewSavePresent=1\nNewSaveLength=0\n");
    LoadIntegrationModules();
    record(0).Action = kActionIntegrate;
    ApplyIntegrationActions(nullptr);
    EXPECT_EQ(kStatusIntegrated, record(0).Status);
    EXPECT_EQ(1, record(0).SaveDataPresent);
    EXPECT_EQ(0u, record(0).SaveDataLength);
    WriteAppRecords();
    EXPECT_EQ(Binary({}), GetValue(HKEY_LOCAL_MACHINE, AppKey("Empty"), "SaveData"));

    Apps() = AppTable{};
    LoadIntegrationModules();
    ReadAppRecords();
    EXPECT_EQ(kStatusIntegrated, record(0).Status);
    EXPECT_EQ(0, record(0).SaveDataPresent);
}

TEST_F(ActionsTest, ASaveDataLengthBeyondTheBufferIsCut) {
    AddProbe("[Module]\nCount=1\n[App0]\nKeyName=Big\nDisplayName=Big\nKind=4\n"
             "DefaultPath=C:\\B\\\nNewSaveData=abc\nNewSaveLength=5000\n");
    LoadIntegrationModules();
    ASSERT_EQ(1, IntegrateApp(0, nullptr));
    EXPECT_EQ(1024u, record(0).SaveDataLength);
    WriteAppRecords();
    auto saved = GetValue(HKEY_LOCAL_MACHINE, AppKey("Big"), "SaveData");
    ASSERT_TRUE(saved);
    EXPECT_EQ(1024u, saved->data.size());
}

TEST_F(ActionsTest, ALocationLongerThanTheRequestGoesInItsShortForm) {
    LoadThree();
    // A real folder of 258 characters (more than the request's 255; made
    // through the wide API, since the narrow one stops at 248), and its
    // short form.
    std::string folder = scratch_.path();
    while (folder.size() < 240) folder += "a long folder name\\";
    folder += std::string(257 - folder.size(), 'z') + "\\";
    ASSERT_EQ(258u, folder.size());
    for (std::size_t i = 3; i < folder.size(); ++i) {
        if (folder[i] != '\\') continue;
        std::string part = "\\\\?\\" + folder.substr(0, i);
        CreateDirectoryW(std::wstring(part.begin(), part.end()).c_str(), nullptr);
    }
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder.c_str()));
    text::Copy(record(0).AppPath, folder.c_str());
    EXPECT_EQ(1, IntegrateApp(0, nullptr));
    std::string expected = ShortForm(folder);
    ASSERT_LT(expected.size(), 256u);
    EXPECT_EQ("AppPath=" + expected, RequestLines(ProbeLog())[0]);

    // A long location without a short form that fits: the module is not
    // asked, the integration fails without a word.
    ClearProbeLog();
    text::Copy(record(0).AppPath, ("C:\\" + std::string(250, 'n') + "\\missing\\").c_str());
    record(0).Action = kActionIntegrate;
    ApplyIntegrationActions(nullptr);
    EXPECT_EQ(kStatusFailed, record(0).Status);
    EXPECT_TRUE(ProbeCalls().empty());
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(ActionsTest, AModuleGoneSinceLoadingFailsSilently) {
    LoadThree();
    DeleteFileA((support() + "AIPROBE.DLL").c_str());
    record(0).Action = kActionIntegrate;
    record(1).Action = kActionRemove;
    ApplyIntegrationActions(nullptr);
    EXPECT_EQ(kStatusFailed, record(0).Status);
    EXPECT_EQ(kStatusFailed, record(1).Status);
    EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(ActionsTest, IndexesOutsideTheTableFail) {
    LoadThree();
    EXPECT_EQ(0, IntegrateApp(-1, nullptr));
    EXPECT_EQ(0, IntegrateApp(3, nullptr));
    EXPECT_EQ(0, RemoveAppIntegration(20, nullptr));
    EXPECT_TRUE(ProbeCalls().empty());
}

TEST_F(ActionsTest, ARefusedRemovalFailsWithoutAWord) {
    AddTestModule("AIREFUSE.DLL");
    AddProbe("[Module]\nCount=1\n[App0]\nKeyName=P\nDisplayName=P\nKind=4\nRemove=0\n");
    LoadIntegrationModules();
    ASSERT_EQ(2u, table().AppCount);
    for (int i = 0; i < 2; ++i) record(i).Action = kActionRemove;
    ApplyIntegrationActions(nullptr);
    int refuse = std::string(record(0).KeyName) == "Refuse00" ? 0 : 1;
    EXPECT_EQ(kStatusNotIntegrated, record(refuse).Status);  // AIREFUSE removes fine
    EXPECT_EQ(kStatusFailed, record(1 - refuse).Status);
    EXPECT_TRUE(prompts_.shown().empty());

    record(refuse).Action = kActionIntegrate;
    ApplyIntegrationActions(nullptr);
    EXPECT_EQ(kStatusFailed, record(refuse).Status);
    ASSERT_EQ(1u, prompts_.shown().size());
    EXPECT_EQ("The integration with Refuse App 0 failed", prompts_.shown()[0].text);
}

TEST_F(ActionsTest, AFaultInsideTheModuleIsAFailureAndTheSetupGoesOn) {
    AddTestModule("AIFAULT.DLL");
    AddTestModule("AITHREE.DLL");
    LoadIntegrationModules();
    ASSERT_EQ(3u, table().AppCount);
    EXCEPTION_REGISTRATION_RECORD* chain = HandlerChain();

    for (std::uint32_t i = 0; i < 3; ++i) record(i).Action = kActionIntegrate;
    ApplyIntegrationActions(nullptr);  // the access violation
    for (std::uint32_t i = 0; i < 3; ++i) {
        bool fault = std::string(record(i).KeyName) == "Fault00";
        EXPECT_EQ(fault ? kStatusFailed : kStatusIntegrated, record(i).Status) << record(i).KeyName;
        record(i).Action = kActionRemove;
    }
    ApplyIntegrationActions(nullptr);  // the division by zero
    for (std::uint32_t i = 0; i < 3; ++i) {
        bool fault = std::string(record(i).KeyName) == "Fault00";
        EXPECT_EQ(fault ? kStatusFailed : kStatusNotIntegrated, record(i).Status);
    }
    EXPECT_TRUE(prompts_.shown().empty());
    EXPECT_EQ(chain, HandlerChain());
    EXPECT_EQ(nullptr, GetModuleHandleA((support() + "AIFAULT.DLL").c_str()));
}

TEST_F(ActionsTest, RemoveAllIntegrationsRemovesOnlyWhatIsIntegrated) {
    LoadThree();
    SetDword(HKEY_LOCAL_MACHINE, AppKey("Alpha"), "Status", 2);
    SetDword(HKEY_LOCAL_MACHINE, AppKey("Beta"), "Status", 1);
    SetDword(HKEY_LOCAL_MACHINE, AppKey("Gamma"), "Status", 4);
    ClearProbeLog();
    RemoveAllIntegrations();
    Lines calls = ProbeCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ("7/2", calls.back());
    EXPECT_EQ(1, std::count(calls.begin(), calls.end(), "7/0"));
    EXPECT_EQ(0, std::count(calls.begin(), calls.end(), "7/1"));
    EXPECT_EQ(1, std::count(calls.begin(), calls.end(), "7/2")) << "a failed one is tried again";
    EXPECT_EQ(kStatusNotIntegrated, record(0).Status);
    EXPECT_TRUE(clock_.pauses().empty());
    // The records are not written back.
    EXPECT_EQ(Dword(2), GetValue(HKEY_LOCAL_MACHINE, AppKey("Alpha"), "Status"));

    // Nothing integrated: no module call beyond loading.
    SetDword(HKEY_LOCAL_MACHINE, AppKey("Alpha"), "Status", 1);
    SetDword(HKEY_LOCAL_MACHINE, AppKey("Gamma"), "Status", 1);
    ClearProbeLog();
    RemoveAllIntegrations();
    for (const std::string& call : ProbeCalls()) {
        EXPECT_NE('6', call[0]);
        EXPECT_NE('7', call[0]);
    }
}

// The guard on its own, around functions standing in for a module.
int WINAPI Answers42(int, int, void*) { return 42; }
int WINAPI WritesThroughNull(int, int, void* data) {
    *static_cast<int* volatile*>(data)[0] = 1;
    return 1;
}
volatile int g_zero = 0;
int WINAPI DividesByZero(int, int, void*) { return 7 / g_zero; }
int WINAPI RaisesItsOwn(int code, int, void*) {
    RaiseException(0xE0000001u + static_cast<DWORD>(code), 0, 0, nullptr);
    return 1;
}
volatile int g_never = -1;
int WINAPI OverflowsTheStack(int depth, int, void* data) {
    volatile char frame[1024] = {static_cast<char>(depth)};
    return depth == g_never ? 0 : OverflowsTheStack(depth + 1, 0, data) + frame[0];
}
int WINAPI NestsAGuard(int, int, void*) {
    int inner = -1;
    bool returned = CallEntryGuarded(WritesThroughNull, 0, 0, nullptr, &inner);
    return returned ? 100 : 200 + inner;
}

TEST(ModuleFaultGuard, ReturnsTheAnswerOrReportsTheFault) {
    EXCEPTION_REGISTRATION_RECORD* chain = HandlerChain();
    int result = -1;
    DWORD code = 99;
    EXPECT_TRUE(CallEntryGuarded(Answers42, 0, 0, nullptr, &result, &code));
    EXPECT_EQ(42, result);
    EXPECT_EQ(0u, code);

    int* nowhere[1] = {nullptr};
    EXPECT_FALSE(CallEntryGuarded(WritesThroughNull, 0, 0, nowhere, &result, &code));
    EXPECT_EQ(0, result);
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), code);

    EXPECT_FALSE(CallEntryGuarded(DividesByZero, 0, 0, nullptr, &result, &code));
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_INT_DIVIDE_BY_ZERO), code);

    EXPECT_FALSE(CallEntryGuarded(RaisesItsOwn, 1, 0, nullptr, &result, &code));
    EXPECT_EQ(0xE0000002u, code);
    EXPECT_EQ(chain, HandlerChain());

    // Every overflow of the thread's stack, not only its first.
    for (int overflow = 0; overflow < 3; ++overflow) {
        EXPECT_FALSE(CallEntryGuarded(OverflowsTheStack, 0, 0, nullptr, &result, &code));
        EXPECT_EQ(static_cast<DWORD>(EXCEPTION_STACK_OVERFLOW), code) << overflow;
    }

    // A guard inside a guarded call catches its own fault; the outer call
    // returns normally.
    EXPECT_TRUE(CallEntryGuarded(NestsAGuard, 0, 0, nullptr, &result, &code));
    EXPECT_EQ(200, result);
    EXPECT_EQ(chain, HandlerChain());
}

}  // namespace
}  // namespace txr::test
