// The error log: numbered records under the caller's key, the counter, and
// the fatal message box.
#include "registration/error_log.h"

#include "registration/message_text.h"
#include "tests/support/library_test.h"
#include "tests/support/registry_tree.h"
#include "tests/support/seams.h"

namespace txr::test {
namespace {

class ErrorLogTest : public LibraryTest {
protected:
    ErrorLogTest() {
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Log", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                        nullptr);
    }
    ~ErrorLogTest() override { RegCloseKey(key_); }

    HKEY key_ = nullptr;
    ScriptedPrompts prompts_;
};

TEST_F(ErrorLogTest, RecordsAreNumberedFromZeroAndCounted) {
    EXPECT_EQ(0, TXRLogError(key_, 7, 4, 1000, kMinor));
    EXPECT_EQ(RegTree({{"", {{"Error0", Dword(1000)},
                              {"ErrorString0", Sz("Could not add Context Menu Handler key")},
                              {"ErrorDescription0", Sz(LoadMessageText(4))},
                              {"ErrorCount", Dword(1)}}}}),
              ReadTree(HKEY_LOCAL_MACHINE, "Log"));

    EXPECT_EQ(0, TXRLogError(key_, 48, 52, 1080, kMinor));
    EXPECT_EQ(0, TXRLogError(key_, 5, 6, 1002, kMinor));
    RegTree log = ReadTree(HKEY_LOCAL_MACHINE, "Log");
    EXPECT_EQ(Dword(3), log[""]["ErrorCount"]);
    EXPECT_EQ(Dword(1002), log[""]["Error2"]);
    EXPECT_EQ(Sz("Could not close Context Menu Handler key"), log[""]["ErrorString2"]);
    EXPECT_EQ(Sz("This error should not effect the behavior of Orbisel"),
              log[""]["ErrorDescription2"]);
    EXPECT_EQ(Dword(1080), log[""]["Error1"]);
    EXPECT_EQ(10u, log[""].size()) << Dump(log);
    EXPECT_TRUE(prompts_.shown().empty()) << "minor failures show nothing";
}

TEST_F(ErrorLogTest, RecordsStoreTheirTextsWithTheTerminator) {
    TXRLogError(key_, 37, 0, 100, kMinor);
    auto text = GetValue(HKEY_LOCAL_MACHINE, "Log", "ErrorString0");
    ASSERT_TRUE(text);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), text->type);
    EXPECT_EQ(std::string("Setup could not access the Windows 95 Registry").size() + 1,
              text->data.size());
    EXPECT_EQ(Sz(""), GetValue(HKEY_LOCAL_MACHINE, "Log", "ErrorDescription0"))
        << "effect 0 has no text";
}

TEST_F(ErrorLogTest, AFatalFailureShowsTheBoxWithTheCodeAndReturnsOne) {
    EXPECT_EQ(1, TXRLogError(key_, 9, 10, 1100, kFatal));
    ASSERT_EQ(1u, prompts_.shown().size());
    const auto& box = prompts_.shown()[0];
    EXPECT_EQ(nullptr, box.owner);
    EXPECT_EQ("Orbisel - Setup Error", box.caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK), box.style) << "a single OK button and no icon";
    EXPECT_EQ("Setup has encountered a fatal error while trying to install Orbisel.\n\n"
              "Could not open NT Shell Approved key [1100]\n\n"
              "Setup cannot continue. Please report this error to Corvel product support.",
              box.text);
    EXPECT_EQ(Dword(1), GetValue(HKEY_LOCAL_MACHINE, "Log", "ErrorCount"));
}

TEST_F(ErrorLogTest, AFatalFailureWithoutAKeyRecordsNothingButStillAsks) {
    EXPECT_EQ(1, TXRLogError(nullptr, 37, 0, 100, kFatal));
    EXPECT_EQ(1u, prompts_.shown().size());
    EXPECT_EQ(RegTree({{"", {}}}), ReadTree(HKEY_LOCAL_MACHINE, "Log"));
    EXPECT_EQ(0u, ErrorLogRecordCount()) << "the counter does not move without a key";
    TXRLogError(key_, 7, 4, 1000, kMinor);
    EXPECT_TRUE(GetValue(HKEY_LOCAL_MACHINE, "Log", "Error0"));
}

TEST_F(ErrorLogTest, AnySeverityButOneIsMinor) {
    for (int severity : {0, 2, 3, -1, 100}) {
        EXPECT_EQ(0, TXRLogError(key_, 3, 4, 1001, severity)) << severity;
    }
    EXPECT_TRUE(prompts_.shown().empty());
    EXPECT_EQ(Dword(5), GetValue(HKEY_LOCAL_MACHINE, "Log", "ErrorCount"));
}

TEST_F(ErrorLogTest, FailedWritesAreIgnoredAndTheSeverityStillDecides) {
    RegistryFaults faults;
    faults.FailWhen([](const reg::Call& call) { return call.op == reg::Op::SetValue; });
    EXPECT_EQ(1, TXRLogError(key_, 7, 4, 1000, kFatal));
    EXPECT_EQ(1u, prompts_.shown().size());
    EXPECT_EQ(0, TXRLogError(key_, 7, 4, 1000, kMinor));
    EXPECT_EQ(RegTree({{"", {}}}), ReadTree(HKEY_LOCAL_MACHINE, "Log"));
}

TEST_F(ErrorLogTest, ANegativeCodeIsKeptAsItsBits) {
    TXRLogError(key_, 3, 4, -5, kFatal);
    EXPECT_EQ(Dword(0xFFFFFFFB), GetValue(HKEY_LOCAL_MACHINE, "Log", "Error0"));
    EXPECT_NE(std::string::npos, prompts_.shown()[0].text.find("entry [-5]"));
}

TEST_F(ErrorLogTest, AMessageWithoutTextStillGivesABox) {
    EXPECT_EQ(1, TXRLogError(key_, 35, 35, 7, kFatal));
    ASSERT_EQ(1u, prompts_.shown().size());
    EXPECT_NE(std::string::npos, prompts_.shown()[0].text.find("\n\n [7]\n\n"));
}

}  // namespace
}  // namespace txr::test
