// When the preview renders: previewState through requests, zoom steps,
// drags, OK/Cancel/Close and renders, including renders entered again from
// inside a running one (as a host's abortProc dispatching messages does).
#include <gtest/gtest.h>

#include "preview/PreviewSchedule.h"

namespace {

class PreviewScheduleTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetPreviewSchedule(); }
    void TearDown() override { ResetPreviewSchedule(); }
};

bool NothingFollows(const RenderFollowUp& next) {
    return !next.postHeld && !next.postSource && !next.postFiltered;
}

TEST_F(PreviewScheduleTest, MessageNumbersAndStateValues) {
    EXPECT_EQ(WM_PREVIEW_ATTACH, 0x8001u);
    EXPECT_EQ(WM_PREVIEW_FILTERED, 0x8064u);
    EXPECT_EQ(WM_PREVIEW_SOURCE, 0x8065u);
    EXPECT_EQ(Idle, 0);
    EXPECT_EQ(Hold, 1);
    EXPECT_EQ(Refilter, 2);
    EXPECT_EQ(Rezoom, 3);
    EXPECT_EQ(Rendering, 4);
    EXPECT_EQ(sizeof previewState, 4u);
}

TEST_F(PreviewScheduleTest, RenderStartsRenderingAndEndsIdle) {
    EXPECT_FALSE(PreviewRenderRunning());
    ASSERT_TRUE(BeginPreviewRender(true));
    EXPECT_EQ(previewState, Rendering);
    EXPECT_TRUE(PreviewRenderRunning());
    RenderFollowUp next = EndPreviewRender();
    EXPECT_TRUE(NothingFollows(next));
    EXPECT_EQ(previewState, Idle);
    EXPECT_FALSE(PreviewRenderRunning());
}

TEST_F(PreviewScheduleTest, FilteredRequests) {
    // Idle: post now, state stays Idle.
    EXPECT_TRUE(NoteFilteredRequest());
    EXPECT_EQ(previewState, Idle);
    // Rendering: the running render is marked, nothing posted now...
    ASSERT_TRUE(BeginPreviewRender(false));
    EXPECT_FALSE(NoteFilteredRequest());
    EXPECT_EQ(previewState, Refilter);
    // ...Refilter stays with further requests...
    EXPECT_FALSE(NoteFilteredRequest());
    EXPECT_EQ(previewState, Refilter);
    // ...and one filtered render follows.
    RenderFollowUp next = EndPreviewRender();
    EXPECT_TRUE(next.postFiltered);
    EXPECT_FALSE(next.postSource);
    EXPECT_FALSE(next.postHeld);
    EXPECT_EQ(previewState, Idle);
}

TEST_F(PreviewScheduleTest, RequestsInHoldAndRezoomChangeNothing) {
    previewState = Hold;
    EXPECT_FALSE(NoteFilteredRequest());
    EXPECT_EQ(previewState, Hold);
    previewState = Rezoom;
    EXPECT_FALSE(NoteFilteredRequest());
    EXPECT_EQ(previewState, Rezoom);
}

TEST_F(PreviewScheduleTest, ZoomSteps) {
    // Not rendering: the two renders run at once.
    EXPECT_TRUE(NoteZoomStep());
    EXPECT_EQ(previewState, Idle);
    previewState = Hold;
    EXPECT_TRUE(NoteZoomStep());
    EXPECT_EQ(previewState, Hold);
    previewState = Idle;
    // Rendering: Rezoom, and both renders follow, unfiltered first.
    ASSERT_TRUE(BeginPreviewRender(true));
    EXPECT_FALSE(NoteZoomStep());
    EXPECT_EQ(previewState, Rezoom);
    RenderFollowUp next = EndPreviewRender();
    EXPECT_TRUE(next.postSource);
    EXPECT_TRUE(next.postFiltered);
    EXPECT_FALSE(next.postHeld);
    EXPECT_EQ(previewState, Idle);
}

TEST_F(PreviewScheduleTest, OkCancelCloseWaitForTheRender) {
    // Without a render they go ahead.
    EXPECT_FALSE(HoldWhileRendering(0x0111, 1, 0));
    EXPECT_EQ(previewState, Idle);

    ASSERT_TRUE(BeginPreviewRender(true));
    EXPECT_TRUE(HoldWhileRendering(0x0111, 1, 1234));
    EXPECT_EQ(previewState, Hold);
    // Asked again while still held (the host re-dispatching): still held,
    // the first message is the one kept.
    EXPECT_TRUE(HoldWhileRendering(0x0010, 0, 0));
    EXPECT_EQ(previewState, Hold);
    // A change of Amount meanwhile schedules nothing past the close.
    EXPECT_FALSE(NoteFilteredRequest());
    RenderFollowUp next = EndPreviewRender();
    EXPECT_TRUE(next.postHeld);
    EXPECT_EQ(next.held.message, 0x0111u);
    EXPECT_EQ(next.held.wParam, 1u);
    EXPECT_EQ(next.held.lParam, 1234);
    EXPECT_FALSE(next.postSource);
    EXPECT_FALSE(next.postFiltered);
    EXPECT_EQ(previewState, Idle);
    // Posted once: it then goes ahead.
    EXPECT_FALSE(HoldWhileRendering(0x0111, 1, 1234));
    ASSERT_TRUE(BeginPreviewRender(false));
    EXPECT_TRUE(NothingFollows(EndPreviewRender()));
}

TEST_F(PreviewScheduleTest, ButtonPressHoldsAndReleasePostsFromIdleOrHold) {
    NoteDragStart();
    EXPECT_EQ(previewState, Hold);
    // Release without a move: back to Idle, and the filtered render posted.
    EXPECT_TRUE(NoteDragEnd());
    EXPECT_EQ(previewState, Idle);
    // Later requests are not lost.
    EXPECT_TRUE(NoteFilteredRequest());

    // With moves: each move renders (unfiltered), which leaves Idle.
    NoteDragStart();
    ASSERT_TRUE(BeginPreviewRender(false));
    EXPECT_TRUE(NothingFollows(EndPreviewRender()));
    EXPECT_EQ(previewState, Idle);
    EXPECT_TRUE(NoteDragEnd());
    EXPECT_EQ(previewState, Idle);
}

TEST_F(PreviewScheduleTest, ReleaseDuringRenderMarksRefilter) {
    ASSERT_TRUE(BeginPreviewRender(true));
    EXPECT_FALSE(NoteDragEnd());
    EXPECT_EQ(previewState, Refilter);
    EXPECT_TRUE(EndPreviewRender().postFiltered);

    previewState = Refilter;
    EXPECT_FALSE(NoteDragEnd());
    EXPECT_EQ(previewState, Refilter);
    previewState = Rezoom;
    EXPECT_FALSE(NoteDragEnd());
    EXPECT_EQ(previewState, Rezoom);
}

TEST_F(PreviewScheduleTest, PressDuringRenderSchedulesNothingAtItsEnd) {
    ASSERT_TRUE(BeginPreviewRender(true));
    EXPECT_FALSE(NoteFilteredRequest());  // Refilter...
    NoteDragStart();                      // ...overtaken by the drag
    EXPECT_EQ(previewState, Hold);
    EXPECT_TRUE(NothingFollows(EndPreviewRender()));
    EXPECT_EQ(previewState, Idle);
    // The release asks for the filtered view.
    EXPECT_TRUE(NoteDragEnd());
}

// A drag during a filtered render: the mouse moves render unfiltered from
// inside the running render, the release then asks for a filtered render,
// which may not start inside the running one: it follows when that ends.
TEST_F(PreviewScheduleTest, DragInsideFilteredRender) {
    ASSERT_TRUE(BeginPreviewRender(true));
    NoteDragStart();
    ASSERT_TRUE(BeginPreviewRender(false));  // a move, inside
    EXPECT_EQ(previewState, Rendering);
    EXPECT_TRUE(NothingFollows(EndPreviewRender()));
    EXPECT_EQ(previewState, Idle);
    EXPECT_TRUE(PreviewRenderRunning());  // the outer render is still on
    EXPECT_TRUE(NoteDragEnd());           // release: WM_PREVIEW_FILTERED posted
    // The host dispatches it at once: refused inside, remembered.
    EXPECT_FALSE(BeginPreviewRender(true));
    EXPECT_EQ(previewState, Idle);
    RenderFollowUp next = EndPreviewRender();  // the outer render ends
    EXPECT_TRUE(next.postFiltered);
    EXPECT_FALSE(next.postSource);
    EXPECT_FALSE(PreviewRenderRunning());
    // It then runs.
    EXPECT_TRUE(BeginPreviewRender(true));
    EXPECT_TRUE(NothingFollows(EndPreviewRender()));
}

TEST_F(PreviewScheduleTest, ZoomInsideRenderAfterInnerRenderLeftIdle) {
    ASSERT_TRUE(BeginPreviewRender(true));
    NoteDragStart();
    ASSERT_TRUE(BeginPreviewRender(false));
    EndPreviewRender();
    // Idle although a render runs: the zoom renders unfiltered at once and
    // its filtered render waits for the outer one.
    EXPECT_TRUE(NoteZoomStep());
    EXPECT_TRUE(BeginPreviewRender(false));
    EXPECT_TRUE(NothingFollows(EndPreviewRender()));
    EXPECT_FALSE(BeginPreviewRender(true));
    EXPECT_TRUE(EndPreviewRender().postFiltered);
}

TEST_F(PreviewScheduleTest, InnerRenderKeepsWhatTheOuterOneWasAsked) {
    ASSERT_TRUE(BeginPreviewRender(true));
    EXPECT_FALSE(NoteZoomStep());  // Rezoom
    // An unfiltered render that starts inside (a queued WM_PREVIEW_SOURCE
    // dispatched by the host) must not lose it.
    ASSERT_TRUE(BeginPreviewRender(false));
    RenderFollowUp inner = EndPreviewRender();
    EXPECT_TRUE(NothingFollows(inner));
    RenderFollowUp outer = EndPreviewRender();
    EXPECT_TRUE(outer.postSource);
    EXPECT_TRUE(outer.postFiltered);
}

TEST_F(PreviewScheduleTest, CloseHeldWhileNestedWaitsForTheOutermostRender) {
    ASSERT_TRUE(BeginPreviewRender(true));
    NoteDragStart();
    ASSERT_TRUE(BeginPreviewRender(false));
    EndPreviewRender();
    EXPECT_EQ(previewState, Idle);
    // Idle, but the outer render still uses the buffers: OK waits.
    EXPECT_TRUE(HoldWhileRendering(0x0111, 1, 0));
    RenderFollowUp next = EndPreviewRender();
    EXPECT_TRUE(next.postHeld);
    EXPECT_FALSE(next.postFiltered);
}

TEST_F(PreviewScheduleTest, ResetForgetsEverything) {
    ASSERT_TRUE(BeginPreviewRender(true));
    EXPECT_TRUE(HoldWhileRendering(0x0111, 1, 0));
    EXPECT_FALSE(BeginPreviewRender(true));
    ResetPreviewSchedule();
    EXPECT_EQ(previewState, Idle);
    EXPECT_FALSE(PreviewRenderRunning());
    ASSERT_TRUE(BeginPreviewRender(false));
    EXPECT_TRUE(NothingFollows(EndPreviewRender()));
    // An unbalanced end does not drive the depth below zero.
    EXPECT_TRUE(NothingFollows(EndPreviewRender()));
    EXPECT_FALSE(PreviewRenderRunning());
    EXPECT_FALSE(HoldWhileRendering(0x0111, 1, 0));
}

}  // namespace
