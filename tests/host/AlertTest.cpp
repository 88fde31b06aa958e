// The host version alert, through the native stand-in for the message box.
#include "host/Alert.h"
#include "host/AlertPosix.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

OSErr PI_CDECL Advance() { return noErr; }

int moduleToken;
int ownerToken;

struct AlertTest : ::testing::Test {
    void SetUp() override { ResetPosixAlert(); }
    void TearDown() override { ResetPosixAlert(); }
};

CountedText Text(const char* characters) {
    CountedText text;
    ClearText(&text);
    AppendText(&text, characters, 0, static_cast<int16>(strlen(characters)));
    return text;
}

TEST_F(AlertTest, HostWithAdvanceStateSeesNoBox) {
    EXPECT_TRUE(RequireAdvanceState(Advance, &moduleToken));
    EXPECT_EQ(posixAlertLog.shownCount, 0);
}

TEST_F(AlertTest, HostWithoutAdvanceStateGetsAnEmptyWarningBox) {
    EXPECT_FALSE(RequireAdvanceState(nullptr, &moduleToken));
    EXPECT_EQ(posixAlertLog.shownCount, 1);
    EXPECT_STREQ(posixAlertLog.lastText, "");
    EXPECT_EQ(posixAlertLog.lastOwner, nullptr);
    EXPECT_EQ(posixAlertLog.lastStyle, 0x30u);
    EXPECT_EQ(posixAlertLog.lastModule, &moduleToken);
}

TEST_F(AlertTest, VersionMessageNamesVersionThreeWhenTheStringExists) {
    posixAlertStringId = versionMessageId;
    posixAlertString = "This filter needs host version ^1 or later.^2";
    EXPECT_FALSE(RequireAdvanceState(nullptr, &moduleToken));
    EXPECT_STREQ(posixAlertLog.lastText, "This filter needs host version 3.0 or later.");
}

TEST_F(AlertTest, ShowWarningAlertExpandsBothArguments) {
    posixAlertStringId = 7;
    posixAlertString = "^0[^1][^2]";
    posixAlertAnswer = 2;
    CountedText first = Text("one");
    CountedText second = Text("two");
    EXPECT_EQ(ShowWarningAlert(&moduleToken, &ownerToken, 5, 7, &first, &second), 2);
    EXPECT_STREQ(posixAlertLog.lastText, "[one][two]");
    EXPECT_EQ(posixAlertLog.lastOwner, &ownerToken);
}

TEST_F(AlertTest, ShowWarningAlertWithoutString) {
    posixAlertStringId = 7;
    posixAlertString = "text";
    // Alert id 0: nothing is shown at all.
    EXPECT_EQ(ShowWarningAlert(&moduleToken, nullptr, 0, 7, nullptr, nullptr), 0);
    EXPECT_EQ(posixAlertLog.shownCount, 0);
    // String id 0 or absent: an empty message.
    EXPECT_EQ(ShowWarningAlert(&moduleToken, nullptr, 5, 0, nullptr, nullptr), 1);
    EXPECT_STREQ(posixAlertLog.lastText, "");
    EXPECT_EQ(ShowWarningAlert(&moduleToken, nullptr, 5, 8, nullptr, nullptr), 1);
    EXPECT_STREQ(posixAlertLog.lastText, "");
    EXPECT_EQ(posixAlertLog.shownCount, 2);
}

TEST_F(AlertTest, LongMessageStringIsCut) {
    std::string longText(400, 'w');
    posixAlertStringId = 7;
    posixAlertString = longText.c_str();
    ShowWarningAlert(&moduleToken, nullptr, 5, 7, nullptr, nullptr);
    EXPECT_EQ(strlen(posixAlertLog.lastText), 254u);
}

}  // namespace
