// Message texts: the complete string table, the 254-character cut and the
// three rotating buffers.
#include "registration/message_text.h"

#include "tests/support/library_test.h"

#include <climits>
#include <cstring>
#include <string>

namespace txr::test {
namespace {

struct Expected {
    int number;
    const char* text;
};

const Expected kMessages[] = {
#include "tests/expected_messages.inc"
};

using MessageTextTest = LibraryTest;

TEST_F(MessageTextTest, EveryMessageIsDeliveredExactlyAsWritten) {
    for (const Expected& message : kMessages) {
        EXPECT_STREQ(message.text, TXRRegString(message.number)) << "message " << message.number;
    }
}

TEST_F(MessageTextTest, TextsKeepTheirQuotesBackslashesLineBreaksAndDoubledBlanks) {
    EXPECT_STREQ("Setup has encountered a fatal error while trying to install Orbisel.\n\n%s\n\n"
                 "Setup cannot continue. Please report this error to Corvel product support.",
                 LoadMessageText(1));
    EXPECT_STREQ("Could not change Microsoft Exchange's \"Quick View\" menu item",
                 LoadMessageText(33));
    EXPECT_NE(nullptr, std::strstr(LoadMessageText(118), "\nHCR\\*\\shellex\\ContextMenuHandlers"
                                                         "\\OrbiselMenu.\nThis"));
    EXPECT_NE(nullptr, std::strstr(LoadMessageText(10), "shell extensi \non."));
    EXPECT_NE(nullptr, std::strstr(LoadMessageText(144), "below.  Orbisel"));
    EXPECT_STREQ(" ", LoadMessageText(65));
    EXPECT_STREQ(" ", LoadMessageText(90));
    EXPECT_STREQ("&Quick View,0,2", LoadMessageText(4017));
    EXPECT_STREQ(LoadMessageText(121), LoadMessageText(165));
}

TEST_F(MessageTextTest, NumbersWithoutAResourceGiveTheEmptyText) {
    for (int number : {0, 35, 999, 4016, 65535, -1, 65536, 0x10000 + 146, INT_MAX, INT_MIN}) {
        const char* text = TXRRegString(number);
        ASSERT_NE(nullptr, text);
        EXPECT_STREQ("", text) << "message " << number;
    }
}

TEST_F(MessageTextTest, ALongerResourceTextIsCutTo254Characters) {
    std::string text = LoadMessageText(60000);
    EXPECT_EQ(254u, text.size());
    std::string pattern = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN";
    std::string full;
    while (full.size() < 300) full += pattern;
    EXPECT_EQ(full.substr(0, 254), text);
}

TEST_F(MessageTextTest, ThreeBuffersRotate) {
    const char* first = LoadMessageText(152);
    const char* second = LoadMessageText(154);
    const char* third = LoadMessageText(155);
    EXPECT_NE(first, second);
    EXPECT_NE(second, third);
    EXPECT_NE(first, third);
    const char* fourth = LoadMessageText(159);
    EXPECT_EQ(first, fourth);
    EXPECT_STREQ("Installing Orbisel...", first);
    EXPECT_STREQ("Are you sure you want to remove Orbisel?", second);
    EXPECT_STREQ("Orbisel has been removed from your system.", third);
    // A failed load also takes its turn and leaves an empty text.
    const char* fifth = LoadMessageText(35);
    EXPECT_EQ(second, fifth);
    EXPECT_STREQ("", second);
}

}  // namespace
}  // namespace txr::test
