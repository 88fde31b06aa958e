// The filter dialog's decisions that do not need a window: the Amount edit
// box and slider rules, opening and closing the dialog (result, Amount,
// buffers, previewState), the About text and the placement of a dialog.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/AboutText.h"
#include "dialogs/AmountText.h"
#include "dialogs/CenterDialog.h"
#include "dialogs/FilterDialogState.h"
#include "entry/Parameters.h"
#include "preview/PreviewBuffers.h"
#include "preview/PreviewSchedule.h"
#include "tests/support/CountingHeap.h"

namespace {

TEST(AmountText, DecimalValueOfTypedText) {
    EXPECT_EQ(ParseAmountText("25"), 25);
    EXPECT_EQ(ParseAmountText("  7"), 7);
    EXPECT_EQ(ParseAmountText("\t+42"), 42);
    EXPECT_EQ(ParseAmountText("-3"), -3);
    EXPECT_EQ(ParseAmountText("12ab"), 12);  // digits up to the first other character
    EXPECT_EQ(ParseAmountText("0099"), 99);
    EXPECT_EQ(ParseAmountText("abc"), 0);
    EXPECT_EQ(ParseAmountText(""), 0);
    EXPECT_EQ(ParseAmountText("+"), 0);
    EXPECT_EQ(ParseAmountText("- 5"), 0);  // no blanks after the sign
    EXPECT_EQ(ParseAmountText("5 6"), 5);
    EXPECT_EQ(ParseAmountText("9999999"), 9999999);  // seven characters, the most the box gives
    EXPECT_EQ(ParseAmountText("99999999999999"), 2147483647);  // held, never overflowing
    EXPECT_EQ(ParseAmountText(nullptr), 0);
}

TEST(AmountText, TypedValueIsTakenOnlyInRangeAndWhenItChanges) {
    EXPECT_TRUE(AcceptTypedAmount(25, 1, 99, 10));
    EXPECT_TRUE(AcceptTypedAmount(1, 1, 99, 10));
    EXPECT_TRUE(AcceptTypedAmount(99, 1, 99, 10));
    EXPECT_FALSE(AcceptTypedAmount(0, 1, 99, 10));  // "0", letters, an empty box
    EXPECT_FALSE(AcceptTypedAmount(100, 1, 99, 10));
    EXPECT_FALSE(AcceptTypedAmount(-5, 1, 99, 10));
    EXPECT_FALSE(AcceptTypedAmount(10, 1, 99, 10));  // the value in effect: no render
    EXPECT_EQ(ClampToRange(0, 1, 99), 1);
    EXPECT_EQ(ClampToRange(150, 1, 99), 99);
    EXPECT_EQ(ClampToRange(57, 1, 99), 57);
}

TEST(AboutText, SevenLinesSeparatedByLineFeeds) {
    const std::string text = aboutText;
    EXPECT_EQ(text.find('\r'), std::string::npos);
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "Vorn");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "1.0.5");
    EXPECT_EQ(lines[3], "");
    EXPECT_NE(lines[4].find("2026"), std::string::npos);
    EXPECT_NE(lines[4].find("Bramix"), std::string::npos);
    EXPECT_EQ(lines[5], "");
    EXPECT_EQ(lines[6], "Draw Vorn");
    EXPECT_STREQ(filterDialogCaption, "Vorn 1.0.5");
}

TEST(CenterDialog, CentredAcrossWithAThirdOfTheFreeHeightAbove) {
    DialogPosition at = CenteredDialogPosition(0, 0, 1024, 768, 300, 200);
    EXPECT_EQ(at.x, 362);
    EXPECT_EQ(at.y, 189);  // 568 / 3 truncated
    // A desktop that does not start at 0 and a dialog larger than it: the
    // divisions truncate toward zero.
    at = CenteredDialogPosition(-100, 10, 900, 610, 1101, 700);
    EXPECT_EQ(at.x, (-100 + 900 - 1101) / 2);
    EXPECT_EQ(at.x, -150);
    EXPECT_EQ(at.y, (10 + 610 - 700) / 3);
    EXPECT_EQ(at.y, -26);
}

// An instance with a record, a parameter block and preview buffers, as the
// dialog has them after WM_INITDIALOG.
struct DialogFixture : ::testing::Test {
    FilterRecord record{};
    FilterInstance instance{};
    int16 result = 0x7E7E;
    FilterParameters parameters{};
    char* block = nullptr;

    void SetUp() override {
        ResetPreviewSchedule();
        block = reinterpret_cast<char*>(&parameters);
        record.parameters = &block;
        record.planes = 3;
        record.imageSize = Point{20, 30};
        instance.filter = &record;
        instance.result = &result;
        instance.previewFrame = Rect{0, 0, 16, 16};
        parameters.Amount = 10;
    }

    void TearDown() override {
        ReleasePreviewBuffers(&instance);
        ResetPreviewSchedule();
        heapAllocFailAt = 0;
    }

    void AllocateBuffers() {
        ASSERT_EQ(AllocatePreviewBuffers(&instance), noErr);
        ASSERT_NE(instance.previewPixels, nullptr);
    }

    bool BuffersReleased() const {
        return instance.previewPixels == nullptr && instance.previewMask == nullptr &&
               instance.transparencyPlane == nullptr;
    }
};

TEST_F(DialogFixture, OkKeepsTheChosenAmountAndReleasesTheBuffers) {
    PrepareFilterDialog();
    OpenFilterDialog(&instance);
    EXPECT_EQ(dialogInstance, &instance);
    EXPECT_EQ(savedAmount, 10);
    EXPECT_EQ(DialogAmount(), &parameters.Amount);
    AllocateBuffers();
    *DialogAmount() = 25;
    ConfirmFilterDialog();
    EXPECT_EQ(result, noErr);
    EXPECT_TRUE(BuffersReleased());
    EXPECT_TRUE(FinishFilterDialog(&instance));
    EXPECT_EQ(parameters.Amount, 25);
    EXPECT_EQ(result, noErr);
    EXPECT_EQ(previewState, Idle);
}

TEST_F(DialogFixture, CancelRestoresAmountAndAnswersCancelled) {
    parameters.Amount = 150;  // shown as 99, put back as 150
    PrepareFilterDialog();
    OpenFilterDialog(&instance);
    AllocateBuffers();
    *DialogAmount() = 99;
    *DialogAmount() = 42;
    CancelFilterDialog();
    EXPECT_EQ(result, userCanceledErr);
    EXPECT_EQ(parameters.Amount, 150);
    EXPECT_TRUE(BuffersReleased());
    EXPECT_FALSE(FinishFilterDialog(&instance));
    EXPECT_EQ(result, userCanceledErr);
}

TEST_F(DialogFixture, ResultOfTheImageFetchIsOverwrittenByOk) {
    PrepareFilterDialog();
    OpenFilterDialog(&instance);
    result = memFullErr;  // what a failed fetch leaves
    ConfirmFilterDialog();
    EXPECT_TRUE(FinishFilterDialog(&instance));
    EXPECT_EQ(result, noErr);
}

TEST_F(DialogFixture, DialogThatNeverOpenedEndsStartAsInsufficientHost) {
    result = noErr;
    PrepareFilterDialog();
    // DialogBoxParamA failed: no WM_INITDIALOG, no decision.
    EXPECT_FALSE(FilterDialogOpened());
    EXPECT_FALSE(FinishFilterDialog(&instance));
    EXPECT_EQ(result, errPlugInHostInsufficient);
    EXPECT_EQ(parameters.Amount, 10);
}

TEST_F(DialogFixture, DialogGoneWithoutOkOrCancelCountsAsCancelled) {
    result = noErr;
    PrepareFilterDialog();
    OpenFilterDialog(&instance);
    AllocateBuffers();
    *DialogAmount() = 33;
    // The modal loop ended some other way (the owner went away, a quit
    // message): the buffers must not outlive the dialog, and the changed
    // Amount is not taken.
    EXPECT_FALSE(FinishFilterDialog(&instance));
    EXPECT_EQ(result, userCanceledErr);
    EXPECT_EQ(parameters.Amount, 10);
    EXPECT_TRUE(BuffersReleased());
}

TEST_F(DialogFixture, WithoutParameterBlockTheDialogWorksOnAStandIn) {
    record.parameters = nullptr;
    PrepareFilterDialog();
    OpenFilterDialog(&instance);
    int16* amount = DialogAmount();
    ASSERT_NE(amount, nullptr);
    EXPECT_EQ(*amount, defaultAmount);
    EXPECT_EQ(savedAmount, defaultAmount);
    *amount = 50;
    CancelFilterDialog();
    EXPECT_EQ(*DialogAmount(), defaultAmount);
    EXPECT_FALSE(FinishFilterDialog(&instance));
}

TEST_F(DialogFixture, PreviewStateIsIdleAfterTheDialogWhateverHappenedInside) {
    PrepareFilterDialog();
    OpenFilterDialog(&instance);
    ASSERT_TRUE(BeginPreviewRender(true));
    EXPECT_FALSE(NoteZoomStep());
    EXPECT_EQ(previewState, Rezoom);
    ConfirmFilterDialog();
    EXPECT_TRUE(FinishFilterDialog(&instance));
    EXPECT_EQ(previewState, Idle);
    EXPECT_FALSE(PreviewRenderRunning());
    // Opening the next dialog starts from a clean schedule as well.
    previewState = Hold;
    OpenFilterDialog(&instance);
    EXPECT_EQ(previewState, Idle);
    EXPECT_TRUE(NoteFilteredRequest());
}

TEST_F(DialogFixture, FinishWithoutInstanceAnswersFalse) {
    PrepareFilterDialog();
    EXPECT_FALSE(FinishFilterDialog(nullptr));
}

}  // namespace
