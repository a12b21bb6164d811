// Exchange's "Quick View" menu items: renamed to the product's name at
// install, given back at removal with each key's own text, values of other
// types never touched.
#include "tests/registration_fixture.h"

#include <string>

namespace txr::test {
namespace {

constexpr char kFirst[] = "CLSID\\{00020D05-0000-0000-C000-000000000046}\\Verb\\2";
constexpr char kSecond[] = "CLSID\\{0006F031-0000-0000-C000-000000000046}\\Verb\\3";
constexpr char kWordMail[] = "CLSID\\{0006FE04-0000-0000-C000-000000000046}\\Verb\\2";
constexpr char kProductItem[] = "&Orbisel, 0, 2";

using ExchangeTest = RegistrationTest;

std::optional<RegValue> Item(const char* key) { return GetValue(HKEY_CLASSES_ROOT, key, ""); }
void SetItem(const char* key, const RegValue& value) {
    SetValue(HKEY_CLASSES_ROOT, key, "", value);
}

TEST_F(ExchangeTest, WithoutExchangeThereIsNothingToRename) {
    EXPECT_EQ(kRegDone, TXRRegExchangeMenu(kModeInstall, log_, nullptr));
    EXPECT_EQ(kRegDone, TXRRegExchangeWordMenu(kModeInstall, log_, nullptr));
    EXPECT_EQ(kCheckCorrect, TXRRegExchangeMenu(kModeCheck, nullptr, nullptr));
    EXPECT_EQ(kCheckCorrect, TXRRegExchangeWordMenu(kModeCheck, nullptr, nullptr));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
}

TEST_F(ExchangeTest, EachKeyGetsItsOwnTextBack) {
    SetItem(kFirst, Sz("&Quick View,0,2"));
    SetItem(kSecond, Sz("&Quick View, 0, 2"));
    SetItem(kWordMail, Sz("&Quick View,0,2"));
    EXPECT_EQ(kRegDone, TXRRegExchangeMenu(kModeInstall, log_, nullptr));
    EXPECT_EQ(kRegDone, TXRRegExchangeWordMenu(kModeInstall, log_, nullptr));
    for (const char* key : {kFirst, kSecond, kWordMail}) EXPECT_EQ(Sz(kProductItem), Item(key));

    TXRRegExchangeMenu(kModeRemove, nullptr, nullptr);
    TXRRegExchangeWordMenu(kModeRemove, nullptr, nullptr);
    EXPECT_EQ(Sz("&Quick View,0,2"), Item(kFirst));
    EXPECT_EQ(Sz("&Quick View,0,2"), Item(kSecond)) << "message 4017, without blanks";
    EXPECT_EQ(Sz("&Quick View, 0, 2"), Item(kWordMail)) << "with blanks";
}

TEST_F(ExchangeTest, ItemsOfOtherTypesAreNeverTouched) {
    const RegValue expandable = Binary({'&', 'Q', 'u', 'i', 'c', 'k', 0}, REG_EXPAND_SZ);
    const RegValue binary = Binary({'&', 'Q', 'u', 'i', 'c', 'k', ' ', 'V', 0});
    const RegValue number = Dword(0x6975513D);
    SetItem(kFirst, expandable);
    SetItem(kSecond, binary);
    SetItem(kWordMail, number);
    for (int mode : {kModeInstall, kModeRemove, kModeInstall}) {
        TXRRegExchangeMenu(mode, log_, nullptr);
        TXRRegExchangeWordMenu(mode, log_, nullptr);
        EXPECT_EQ(expandable, Item(kFirst));
        EXPECT_EQ(binary, Item(kSecond));
        EXPECT_EQ(number, Item(kWordMail));
    }
    SetItem(kFirst, Binary({'&', 'O', 'r', 'b', 'i', 's', 'e', 'l', 0}, REG_EXPAND_SZ));
    TXRRegExchangeMenu(kModeRemove, nullptr, nullptr);
    EXPECT_EQ(Binary({'&', 'O', 'r', 'b', 'i', 's', 'e', 'l', 0}, REG_EXPAND_SZ), Item(kFirst));
}

// Install of the Exchange keys compares five characters of message 4017;
// WordMail's install and every removal compare six, case included.
TEST_F(ExchangeTest, PrefixesAreComparedByteForByte) {
    SetItem(kFirst, Sz("&Quic"));
    SetItem(kSecond, Sz("&quick view,0,2"));
    SetItem(kWordMail, Sz("&Quic"));
    EXPECT_EQ(kRegDone, TXRRegExchangeMenu(kModeInstall, log_, nullptr));
    EXPECT_EQ(kRegDone, TXRRegExchangeWordMenu(kModeInstall, log_, nullptr));
    EXPECT_EQ(Sz(kProductItem), Item(kFirst));
    EXPECT_EQ(Sz("&quick view,0,2"), Item(kSecond));
    EXPECT_EQ(Sz("&Quic"), Item(kWordMail));

    SetItem(kFirst, Sz("&Orbis"));
    SetItem(kSecond, Sz("&ORBISEL, 0, 2"));
    SetItem(kWordMail, Sz("&Quickly"));
    TXRRegExchangeMenu(kModeRemove, nullptr, nullptr);
    TXRRegExchangeWordMenu(kModeRemove, nullptr, nullptr);
    EXPECT_EQ(Sz("&Quick View,0,2"), Item(kFirst));
    EXPECT_EQ(Sz("&ORBISEL, 0, 2"), Item(kSecond));
    EXPECT_EQ(Sz("&Quick View, 0, 2"), Item(kWordMail));

    SetItem(kFirst, Sz("&Open"));
    SetItem(kWordMail, Sz("&Orbi"));
    TXRRegExchangeMenu(kModeRemove, nullptr, nullptr);
    TXRRegExchangeWordMenu(kModeRemove, nullptr, nullptr);
    EXPECT_EQ(Sz("&Open"), Item(kFirst));
    EXPECT_EQ(Sz("&Orbi"), Item(kWordMail));
}

TEST_F(ExchangeTest, ChecksCountAbsentKeysAndUnreadableItemsAsCorrect) {
    auto check = [] { return TXRRegExchangeMenu(kModeCheck, nullptr, nullptr); };
    SetItem(kSecond, Sz(kProductItem));
    EXPECT_EQ(kCheckCorrect, check()) << "first key absent";
    SetItem(kSecond, Sz("&Quick View,0,2"));
    EXPECT_EQ(kCheckWrong, check()) << "first key absent, second wrong";
    SetItem(kFirst, Sz(kProductItem));
    EXPECT_EQ(kCheckWrong, check()) << "first correct, second wrong";
    SetItem(kSecond, Sz(std::string(300, 'x')));
    EXPECT_EQ(kCheckCorrect, check()) << "second unreadable in 256 bytes";
    SetItem(kFirst, Sz("&Orbisel, 0, 2 "));
    EXPECT_EQ(kCheckWrong, check()) << "first wrong, second unreadable";
    RegDeleteKeyA(HKEY_CLASSES_ROOT, kSecond);
    EXPECT_EQ(kCheckWrong, check()) << "first wrong, second absent";

    auto checkWordMail = [] { return TXRRegExchangeWordMenu(kModeCheck, nullptr, nullptr); };
    EXPECT_EQ(kCheckCorrect, checkWordMail());
    SetItem(kWordMail, Sz("&orbisel, 0, 2"));
    EXPECT_EQ(kCheckWrong, checkWordMail());
    SetItem(kWordMail, Sz(std::string(256, 'x')));
    EXPECT_EQ(kCheckCorrect, checkWordMail()) << "257 bytes do not fit 256";
    SetItem(kWordMail, Sz(kProductItem));
    EXPECT_EQ(kCheckCorrect, checkWordMail());
}

TEST_F(ExchangeTest, OnlyTheSecondKeysCloseIsReported) {
    SetItem(kFirst, Sz("&Quick View,0,2"));
    SetItem(kSecond, Sz("&Quick View,0,2"));
    RegistryFaults faults;
    faults.Fail(reg::Op::Close, std::string("HKCR\\") + kFirst);
    EXPECT_EQ(kRegDone, TXRRegExchangeMenu(kModeInstall, log_, nullptr));
    EXPECT_EQ(1u, faults.failures());
    EXPECT_TRUE(Records().empty());
    EXPECT_EQ(Sz(kProductItem), Item(kSecond));
}

TEST_F(ExchangeTest, VerbKeysAreOpenedForWritingAndCheckedWithQueryAccess) {
    SetItem(kFirst, Sz("&Quick View,0,2"));
    SetItem(kSecond, Sz("&Quick View,0,2"));
    SetItem(kWordMail, Sz("&Quick View,0,2"));
    RegistryFaults faults;
    TXRRegExchangeMenu(kModeInstall, log_, nullptr);
    TXRRegExchangeWordMenu(kModeInstall, log_, nullptr);
    TXRRegExchangeMenu(kModeCheck, nullptr, nullptr);
    TXRRegExchangeWordMenu(kModeCheck, nullptr, nullptr);
    for (const char* key : {kFirst, kSecond, kWordMail}) {
        EXPECT_EQ((std::vector<REGSAM>{kFull, KEY_QUERY_VALUE}),
                  AccessAskedFor(faults, reg::Op::Open, key))
            << key;
    }
}

}  // namespace
}  // namespace txr::test
