// Zoom, visible rectangle, placement, panning, intersection and the preview
// buffers, on instances built by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "preview/PreviewBuffers.h"
#include "preview/PreviewGeometry.h"
#include "preview/PreviewImage.h"
#include "preview/PreviewZoom.h"
#include "tests/support/CountingHeap.h"

namespace {

struct View {
    FilterRecord filter;
    FilterInstance instance;
};

// An image of rows × cols in a frame of frameHeight × frameWidth.
void MakeView(View* view, int16 rows, int16 cols, int16 frameHeight, int16 frameWidth,
              int16 zoomLevel = 1) {
    view->filter = FilterRecord();
    view->instance = FilterInstance();
    view->filter.imageSize.v = rows;
    view->filter.imageSize.h = cols;
    view->filter.planes = 3;
    view->instance.filter = &view->filter;
    view->instance.previewFrame = {10, 20, static_cast<int16>(10 + frameHeight),
                                   static_cast<int16>(20 + frameWidth)};
    view->instance.zoomLevel = zoomLevel;
    view->instance.panRow = rows / 2;
    view->instance.panColumn = cols / 2;
}

void ExpectRect(const Rect& rect, int top, int left, int bottom, int right) {
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.bottom, bottom);
    EXPECT_EQ(rect.right, right);
}

TEST(PreviewZoom, ScaleIsPixelsPerPreviewPixel) {
    EXPECT_DOUBLE_EQ(ZoomScale(1), 1.0);
    EXPECT_DOUBLE_EQ(ZoomScale(3), 3.0);
    EXPECT_DOUBLE_EQ(ZoomScale(0), 0.5);
    EXPECT_DOUBLE_EQ(ZoomScale(-1), 1.0 / 3);
    EXPECT_DOUBLE_EQ(ZoomScale(-10), 1.0 / 12);
}

TEST(PreviewZoom, LabelTable) {
    const struct {
        int16 level;
        const char* label;
    } table[] = {{-10, "1200%"}, {-1, "300%"}, {0, "200%"}, {1, "100%"}, {2, "50%"},   {3, "33%"},
                 {6, "17%"},     {8, "13%"},   {200, "1%"}, {201, "0%"}, {32767, "0%"}};
    for (const auto& row : table) {
        EXPECT_STREQ(ZoomLabelText(row.level).text, row.label) << "level " << row.level;
    }
    for (int16 level = -10; level <= 0; ++level) {
        EXPECT_EQ(std::string(ZoomLabelText(level).text), std::to_string(100 * (2 - level)) + "%");
    }
}

TEST(PreviewZoom, StepStopsAtTheZoomInLimit) {
    View view;
    MakeView(&view, 10, 10, 10, 10, -9);
    EXPECT_TRUE(StepZoom(&view.instance, -1));
    EXPECT_EQ(view.instance.zoomLevel, -10);
    EXPECT_FALSE(StepZoom(&view.instance, -1));
    EXPECT_EQ(view.instance.zoomLevel, -10);
    EXPECT_TRUE(StepZoom(&view.instance, 1));
    EXPECT_EQ(view.instance.zoomLevel, -9);
    // A step never touches the pan position.
    EXPECT_EQ(view.instance.panRow, 5);
    EXPECT_EQ(view.instance.panColumn, 5);
}

TEST(PreviewZoom, ZoomingOutStopsAtTheLargestLevel) {
    View view;
    MakeView(&view, 10, 10, 10, 10, 32766);
    EXPECT_TRUE(StepZoom(&view.instance, 1));
    EXPECT_EQ(view.instance.zoomLevel, 32767);
    EXPECT_FALSE(StepZoom(&view.instance, 1));
    EXPECT_EQ(view.instance.zoomLevel, 32767);
}

TEST(VisibleImageRect, ImageSmallerThanTheViewIsCentred) {
    View view;
    MakeView(&view, 10, 9, 20, 20);
    ExpectRect(VisibleImageRect(&view.instance), -5, -5, 15, 15);  // (9 - 20) / 2 = -5
    view.instance.panRow = 0;                                      // the pan plays no part
    view.instance.panColumn = 1000;
    ExpectRect(VisibleImageRect(&view.instance), -5, -5, 15, 15);
}

TEST(VisibleImageRect, ImageLargerThanTheViewFollowsThePan) {
    View view;
    MakeView(&view, 100, 200, 20, 30);
    view.instance.panRow = 50;
    view.instance.panColumn = 60;
    ExpectRect(VisibleImageRect(&view.instance), 40, 45, 60, 75);
    view.instance.panRow = 3;       // near the top: pulled back inside
    view.instance.panColumn = 198;  // near the right
    ExpectRect(VisibleImageRect(&view.instance), 0, 170, 20, 200);
    view.instance.panRow = 97;
    view.instance.panColumn = -40;
    ExpectRect(VisibleImageRect(&view.instance), 80, 0, 100, 30);
    // The pan itself keeps its value until the next drag.
    EXPECT_EQ(view.instance.panRow, 97);
    EXPECT_EQ(view.instance.panColumn, -40);
}

TEST(VisibleImageRect, LargerInOneAxisOnly) {
    View view;
    MakeView(&view, 100, 10, 20, 20);
    view.instance.panRow = 70;
    ExpectRect(VisibleImageRect(&view.instance), 60, -5, 80, 15);
}

TEST(VisibleImageRect, SpanIsTheCeilingOfFrameTimesScale) {
    View view;
    MakeView(&view, 1000, 1000, 64, 64, -1);  // 64 / 3 = 21.33 -> 22
    view.instance.panRow = 500;
    view.instance.panColumn = 500;
    ExpectRect(VisibleImageRect(&view.instance), 489, 489, 511, 511);
    view.instance.zoomLevel = 3;  // 192
    ExpectRect(VisibleImageRect(&view.instance), 404, 404, 596, 596);
}

TEST(VisibleImageRect, FarZoomOutStaysWithinTheRectRange) {
    View view;
    MakeView(&view, 100, 100, 64, 64, 32767);
    Rect visible = VisibleImageRect(&view.instance);
    EXPECT_LE(visible.top, 0);
    EXPECT_GE(visible.bottom, 100);
    EXPECT_LE(visible.left, 0);
    EXPECT_GE(visible.right, 100);
}

TEST(PreviewPlacement, LargerImageFillsTheFrame) {
    FramePlacement placement = PreviewPlacement(1.0, 30, 20, 100, 100);
    EXPECT_EQ(placement.drawnRows, 20);
    EXPECT_EQ(placement.top, 0);
    EXPECT_EQ(placement.drawnColumns, 30);
    EXPECT_EQ(placement.left, 0);
}

TEST(PreviewPlacement, SmallerImageIsCentredWithTheOddPixelLast) {
    FramePlacement placement = PreviewPlacement(1.0, 7, 6, 3, 4);
    EXPECT_EQ(placement.drawnRows, 3);
    EXPECT_EQ(placement.top, 1);  // blank: 1 above, 2 below
    EXPECT_EQ(placement.drawnColumns, 4);
    EXPECT_EQ(placement.left, 1);  // blank: 1 left, 2 right
}

TEST(PreviewPlacement, TenRowsInFourAtLevelThree) {
    FramePlacement placement = PreviewPlacement(ZoomScale(3), 4, 4, 10, 100);
    EXPECT_EQ(placement.drawnRows, 3);  // the view spans 12 rows; 10 / 3 -> 3
    EXPECT_EQ(placement.top, 0);
    EXPECT_EQ(placement.drawnColumns, 4);
}

TEST(PreviewPlacement, MagnifiedSmallImageIsExactlyRepeated) {
    for (int16 level = 0; level >= -10; --level) {
        int k = 2 - level;
        FramePlacement placement = PreviewPlacement(ZoomScale(level), 200, 150, 7, 9);
        EXPECT_EQ(placement.drawnRows, 7 * k) << "level " << level;
        EXPECT_EQ(placement.top, (150 - 7 * k) / 2);
        EXPECT_EQ(placement.drawnColumns, 9 * k);
        EXPECT_EQ(placement.left, (200 - 9 * k) / 2);
    }
}

TEST(PreviewPlacement, FarZoomOutDrawsNothing) {
    FramePlacement placement = PreviewPlacement(ZoomScale(201), 64, 64, 100, 100);
    EXPECT_EQ(placement.drawnRows, 0);
    EXPECT_EQ(placement.drawnColumns, 0);
    placement = PreviewPlacement(ZoomScale(100), 64, 64, 150, 149);  // 1.5 -> 2, 1.49 -> 1
    EXPECT_EQ(placement.drawnRows, 2);
    EXPECT_EQ(placement.top, 31);
    EXPECT_EQ(placement.drawnColumns, 1);
    EXPECT_EQ(placement.left, 31);
}

TEST(PreviewPlacement, ZeroSizedFrameDrawsNothing) {
    FramePlacement placement = PreviewPlacement(1.0, 0, 0, 10, 10);
    EXPECT_EQ(placement.drawnRows, 0);
    EXPECT_EQ(placement.drawnColumns, 0);
}

TEST(PanPreview, TruncatesAtLevelZero) {
    View view;
    MakeView(&view, 400, 400, 64, 64, 0);
    view.instance.panColumn = 100;
    view.instance.panRow = 100;
    PanPreview(&view.instance, 1, 0);  // 100 - 0.5 = 99.5 -> 99
    EXPECT_EQ(view.instance.panColumn, 99);
    view.instance.panColumn = 100;
    PanPreview(&view.instance, -1, 0);  // 100.5 -> 100
    EXPECT_EQ(view.instance.panColumn, 100);
    EXPECT_EQ(view.instance.panRow, 100);
    PanPreview(&view.instance, 0, -4);
    EXPECT_EQ(view.instance.panRow, 102);
}

TEST(PanPreview, MovesAgainstTheMouseByTheScale) {
    View view;
    MakeView(&view, 1000, 1000, 64, 64, 2);
    view.instance.panColumn = 200;
    view.instance.panRow = 300;
    PanPreview(&view.instance, 10, 0);
    EXPECT_EQ(view.instance.panColumn, 180);
    EXPECT_EQ(view.instance.panRow, 300);
    PanPreview(&view.instance, 0, -5);
    EXPECT_EQ(view.instance.panRow, 310);
}

TEST(PanPreview, StaysWithinHalfAViewOfTheEdges) {
    View view;
    MakeView(&view, 500, 600, 64, 65, 1);  // W / 2 = 32.5 -> 32
    PanPreview(&view.instance, 10000, 10000);
    EXPECT_EQ(view.instance.panRow, 32);
    EXPECT_EQ(view.instance.panColumn, 32);
    PanPreview(&view.instance, -10000, -10000);
    EXPECT_EQ(view.instance.panRow, 500 - 32);
    EXPECT_EQ(view.instance.panColumn, 567);  // 600 - 32.5 = 567.5 -> 567
}

TEST(PanPreview, ViewLargerThanTheImageSitsAtItsMiddle) {
    View view;
    MakeView(&view, 11, 7, 64, 64, 1);
    view.instance.panRow = 0;
    view.instance.panColumn = 0;
    PanPreview(&view.instance, 3, -8);
    EXPECT_EQ(view.instance.panRow, 5);
    EXPECT_EQ(view.instance.panColumn, 3);
}

TEST(PanPreview, TallerButNarrowerImage) {
    View view;
    MakeView(&view, 300, 20, 64, 64, 1);
    view.instance.panRow = 150;
    PanPreview(&view.instance, 5, 10);
    EXPECT_EQ(view.instance.panRow, 140);
    EXPECT_EQ(view.instance.panColumn, 10);
    PanPreview(&view.instance, -5, 200);
    EXPECT_EQ(view.instance.panRow, 32);
    EXPECT_EQ(view.instance.panColumn, 10);
}

TEST(IntersectRects, OverlapOfOrderedRects) {
    Rect a = {0, 0, 10, 10};
    Rect b = {5, 3, 20, 8};
    Rect meet;
    IntersectRects(&meet, &a, &b);
    ExpectRect(meet, 5, 3, 10, 8);
}

TEST(IntersectRects, ReversedEdgesGiveTheSameResult) {
    Rect a = {0, 0, 10, 10};
    Rect b = {5, 3, 20, 8};
    Rect reversed = {20, 8, 5, 3};
    Rect ordered, fromReversed;
    IntersectRects(&ordered, &a, &b);
    IntersectRects(&fromReversed, &a, &reversed);
    ExpectRect(fromReversed, ordered.top, ordered.left, ordered.bottom, ordered.right);
    ExpectRect(reversed, 20, 8, 5, 3);  // the source is left alone
}

TEST(IntersectRects, EachAxisIsEmptiedOnItsOwn) {
    Rect a = {0, 0, 10, 10};
    Rect below = {12, 4, 20, 30};  // overlaps horizontally only
    Rect meet;
    IntersectRects(&meet, &a, &below);
    ExpectRect(meet, 0, 4, 0, 10);
    Rect beside = {2, 10, 6, 30};  // touching edges do not overlap
    IntersectRects(&meet, &a, &beside);
    ExpectRect(meet, 2, 0, 6, 0);
}

TEST(IntersectRects, DestinationMayBeASource) {
    Rect a = {0, 0, 10, 10};
    Rect b = {-5, 5, 5, 15};
    IntersectRects(&a, &a, &b);
    ExpectRect(a, 0, 5, 5, 10);
}

TEST(PreviewBuffers, AllocatesMissingBuffersAndKeepsExistingOnes) {
    View view;
    MakeView(&view, 30, 40, 6, 8);
    view.instance.hasTransparency = 1;
    heapAllocCount = 0;
    ASSERT_EQ(AllocatePreviewBuffers(&view.instance), noErr);
    EXPECT_EQ(heapAllocCount, 3);
    ASSERT_NE(view.instance.previewPixels, nullptr);
    ASSERT_NE(view.instance.previewMask, nullptr);
    ASSERT_NE(view.instance.transparencyPlane, nullptr);
    // Every byte of each buffer is ours to write (ASan checks the sizes).
    memset(view.instance.previewPixels, 1, 4 * 6 * 8);
    memset(view.instance.previewMask, 1, 6 * 8);
    memset(view.instance.transparencyPlane, 1, 30 * 40);

    uint8_t* pixels = view.instance.previewPixels;
    EXPECT_EQ(AllocatePreviewBuffers(&view.instance), noErr);
    EXPECT_EQ(heapAllocCount, 3);
    EXPECT_EQ(view.instance.previewPixels, pixels);

    ReleasePreviewBuffers(&view.instance);
    EXPECT_EQ(view.instance.previewPixels, nullptr);
    EXPECT_EQ(view.instance.previewMask, nullptr);
    EXPECT_EQ(view.instance.transparencyPlane, nullptr);
    ReleasePreviewBuffers(&view.instance);  // twice is harmless
}

TEST(PreviewBuffers, NoTransparencyPlaneWithoutTransparency) {
    View view;
    MakeView(&view, 30, 40, 6, 8);
    ASSERT_EQ(AllocatePreviewBuffers(&view.instance), noErr);
    EXPECT_EQ(view.instance.transparencyPlane, nullptr);
    ReleasePreviewBuffers(&view.instance);
}

TEST(PreviewBuffers, EachFailedAllocationIsReported) {
    for (int32_t failing = 1; failing <= 3; ++failing) {
        View view;
        MakeView(&view, 30, 40, 6, 8);
        view.instance.hasTransparency = 1;
        heapAllocFailAt = failing;
        EXPECT_EQ(AllocatePreviewBuffers(&view.instance), memFullErr) << "allocation " << failing;
        heapAllocFailAt = 0;
        int missing = (view.instance.previewPixels == nullptr) +
                      (view.instance.previewMask == nullptr) +
                      (view.instance.transparencyPlane == nullptr);
        EXPECT_EQ(missing, 1);
        ReleasePreviewBuffers(&view.instance);
        EXPECT_EQ(view.instance.previewPixels, nullptr);
    }
}

TEST(PreviewBuffers, ReleaseForgetsTheFetchedImage) {
    View view;
    MakeView(&view, 3, 3, 3, 3);
    previewImageFetched = true;
    ReleasePreviewBuffers(&view.instance);
    EXPECT_FALSE(previewImageFetched);
}

}  // namespace
