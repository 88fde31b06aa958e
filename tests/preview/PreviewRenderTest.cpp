// Fetching the whole image from a stand-in host, rendering it into the
// preview frame, and describing the frame to displayPixels.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "entry/Parameters.h"
#include "preview/PreviewBuffers.h"
#include "preview/PreviewImage.h"
#include "preview/PreviewPixelMap.h"
#include "preview/PreviewRender.h"
#include "tests/support/CountingHeap.h"
#include "tests/support/RequestRects.h"

namespace {

// A host in miniature: it keeps an image (colour planes, optionally followed
// by the layer's transparency), delivers whatever planes the record asks
// for, and notes what it saw.
struct FakeHost {
    int32 rows = 0;
    int32 cols = 0;
    int32 channels = 0;  // samples per image pixel the host keeps
    int32 t = 1;
    std::vector<uint16_t> samples;   // what inData delivers
    std::vector<uint16_t> filtered;  // what outData starts with
    std::vector<uint8_t> mask;       // empty: no selection
    int32 padding = 5;               // extra bytes at the end of each row
    int32 failAtCall = 0;            // this call (1 = first) fails; 0: none
    OSErr failCode = memFullErr;
    bool keepBuffersOnFailure = false;  // a failed call leaves the old pointers

    int32 calls = 0;
    std::vector<int16> planesSeen;
    std::vector<int16> inHiPlaneSeen;
    std::vector<uint8_t> inBuffer, outBuffer, maskBuffer;

    int32 displayCalls = 0;
    PSPixelMap displayedMap;
    VRect displayedRect;
    int32 displayedRow = 0;
    int32 displayedCol = 0;
    void* displayedContext = nullptr;

    FilterRecord record;
    FilterInstance instance;
    int16 result = 0;
};

FakeHost* host = nullptr;

void Store(uint8_t* at, int32 t, uint16_t value) {
    if (t == 1) {
        *at = static_cast<uint8_t>(value);
    } else {
        memcpy(at, &value, 2);
    }
}

// Lays planes lo..hi of every pixel out as the host does: interleaved, rows
// padded.
void Deliver(const std::vector<uint16_t>& from, int32 lo, int32 hi, std::vector<uint8_t>* buffer,
             int32* rowBytes) {
    int32 planes = hi - lo + 1;
    *rowBytes = host->cols * planes * host->t + host->padding;
    buffer->assign(static_cast<size_t>(*rowBytes) * host->rows, 0xCD);
    for (int32 y = 0; y < host->rows; ++y) {
        for (int32 x = 0; x < host->cols; ++x) {
            for (int32 p = 0; p < planes; ++p) {
                uint16_t value =
                    from[(static_cast<size_t>(y) * host->cols + x) * host->channels + lo + p];
                Store(buffer->data() + y * *rowBytes + (x * planes + p) * host->t, host->t, value);
            }
        }
    }
}

OSErr PI_CDECL FakeAdvanceState() {
    FilterRecord& record = host->record;
    ++host->calls;
    host->planesSeen.push_back(record.planes);
    host->inHiPlaneSeen.push_back(record.inHiPlane);
    if (host->calls == host->failAtCall) {
        if (host->keepBuffersOnFailure) return host->failCode;
        record.inData = nullptr;
        record.outData = nullptr;
        record.maskData = nullptr;
        return host->failCode;
    }
    EXPECT_EQ(record.inRect.bottom, host->rows);
    EXPECT_EQ(record.inRect.right, host->cols);
    EXPECT_EQ(record.inLoPlane, 0);
    int32 outRowBytes = 0;
    Deliver(host->samples, record.inLoPlane, record.inHiPlane, &host->inBuffer, &record.inRowBytes);
    Deliver(host->filtered, record.outLoPlane, record.outHiPlane, &host->outBuffer, &outRowBytes);
    record.inData = host->inBuffer.data();
    record.outData = host->outBuffer.data();
    record.outRowBytes = outRowBytes;
    if (!host->mask.empty()) {
        record.maskRowBytes = host->cols + 3;
        host->maskBuffer.assign(static_cast<size_t>(record.maskRowBytes) * host->rows, 0xCD);
        for (int32 y = 0; y < host->rows; ++y) {
            memcpy(host->maskBuffer.data() + y * record.maskRowBytes,
                   host->mask.data() + y * host->cols, host->cols);
        }
        record.maskData = host->maskBuffer.data();
    }
    return noErr;
}

OSErr PI_CDECL FakeDisplayPixels(const PSPixelMap* source, const VRect* srcRect, int32 dstRow,
                                 int32 dstCol, void* platformContext) {
    ++host->displayCalls;
    host->displayedMap = *source;
    host->displayedRect = *srcRect;
    host->displayedRow = dstRow;
    host->displayedCol = dstCol;
    host->displayedContext = platformContext;
    return noErr;
}

Boolean PI_CDECL AlwaysStop() { return 1; }

// An image of rows × cols with the given colour planes (plus a transparency
// plane when withTransparency) shown in a frame of frameHeight × frameWidth.
// Samples count up from 1 so that no two neighbours agree; the filtered
// buffer holds different values.
void MakeHost(FakeHost* fake, int16 imageMode, int16 planes, int16 rows, int16 cols,
              int16 frameHeight, int16 frameWidth, bool withTransparency = false) {
    host = fake;
    fake->rows = rows;
    fake->cols = cols;
    fake->channels = planes + (withTransparency ? 1 : 0);
    fake->t = imageMode == plugInModeGray16 || imageMode == plugInModeRGB48 ? 2 : 1;
    size_t count = static_cast<size_t>(rows) * cols * fake->channels;
    fake->samples.resize(count);
    fake->filtered.resize(count);
    for (size_t i = 0; i < count; ++i) {
        fake->samples[i] =
            static_cast<uint16_t>(fake->t == 1 ? (i * 7 + 1) % 256 : (i * 997 + 1) % 32769);
        fake->filtered[i] =
            static_cast<uint16_t>(fake->t == 1 ? 255 - fake->samples[i] : 32768 - fake->samples[i]);
    }

    FilterRecord& record = fake->record;
    record = FilterRecord();
    record.imageSize.v = rows;
    record.imageSize.h = cols;
    record.planes = planes;
    record.imageMode = imageMode;
    record.filterRect = {0, 0, rows, cols};
    record.advanceState = FakeAdvanceState;
    record.displayPixels = FakeDisplayPixels;
    record.autoMask = 1;
    if (withTransparency) {
        record.inLayerPlanes = planes;
        record.inTransparencyMask = 1;
    }

    FilterInstance& instance = fake->instance;
    instance = FilterInstance();
    instance.result = &fake->result;
    instance.filter = &record;
    instance.previewFrame = {7, 7, static_cast<int16>(7 + frameHeight),
                             static_cast<int16>(7 + frameWidth)};
    instance.hasTransparency = withTransparency && (planes == 1 || planes == 3) ? 1 : 0;
    instance.zoomLevel = 99;  // the fetch sets it
}

void SetMask(FakeHost* fake, uint8_t value) {
    fake->mask.assign(static_cast<size_t>(fake->rows) * fake->cols, value);
    fake->record.haveMask = 1;
}

// As the dialog sets the preview up.
OSErr OpenPreview(FakeHost* fake) {
    EXPECT_EQ(AllocatePreviewBuffers(&fake->instance), noErr);
    return FetchPreviewImage(&fake->instance);
}

uint16_t Sample(const FakeHost& fake, const std::vector<uint16_t>& from, int32 y, int32 x,
                int32 p) {
    return from[(static_cast<size_t>(y) * fake.cols + x) * fake.channels + p];
}

int32 FrameWidth(const FakeHost& fake) {
    return fake.instance.previewFrame.right - fake.instance.previewFrame.left;
}
int32 FrameHeight(const FakeHost& fake) {
    return fake.instance.previewFrame.bottom - fake.instance.previewFrame.top;
}

uint8_t Pixel(const FakeHost& fake, int32 row, int32 col, int32 byte) {
    int32 nP = fake.record.planes + (fake.instance.hasTransparency ? 1 : 0);
    return fake.instance.previewPixels[(row * FrameWidth(fake) + col) * nP + byte];
}

uint8_t MaskByte(const FakeHost& fake, int32 row, int32 col) {
    return fake.instance.previewMask[row * FrameWidth(fake) + col];
}

// The frame pixel shows image pixel (y, x) of an 8-bit source, mask byte 1.
void ExpectShows(const FakeHost& fake, int32 row, int32 col, int32 y, int32 x) {
    for (int32 p = 0; p < fake.record.planes; ++p) {
        EXPECT_EQ(Pixel(fake, row, col, p), Sample(fake, fake.samples, y, x, p))
            << "frame " << row << "," << col << " image " << y << "," << x;
    }
    EXPECT_EQ(MaskByte(fake, row, col), 1);
}

void ExpectBlank(const FakeHost& fake, int32 row, int32 col) {
    int32 nP = fake.record.planes + (fake.instance.hasTransparency ? 1 : 0);
    for (int32 p = 0; p < nP; ++p) EXPECT_EQ(Pixel(fake, row, col, p), 0) << row << "," << col;
    EXPECT_EQ(MaskByte(fake, row, col), 0) << row << "," << col;
}

void ExpectWholeFrameBlank(const FakeHost& fake) {
    size_t frame = static_cast<size_t>(FrameWidth(fake)) * FrameHeight(fake);
    int32 nP = fake.record.planes + (fake.instance.hasTransparency ? 1 : 0);
    if (fake.instance.previewPixels != nullptr) {
        for (size_t i = 0; i < frame * nP; ++i) ASSERT_EQ(fake.instance.previewPixels[i], 0) << i;
    }
    if (fake.instance.previewMask != nullptr) {
        for (size_t i = 0; i < frame; ++i) ASSERT_EQ(fake.instance.previewMask[i], 0) << i;
    }
}

void FillFrame(FakeHost* fake, uint8_t value) {
    size_t frame = static_cast<size_t>(FrameWidth(*fake)) * FrameHeight(*fake);
    if (fake->instance.previewPixels != nullptr) {
        memset(fake->instance.previewPixels, value, frame * (fake->record.planes + 1));
    }
    if (fake->instance.previewMask != nullptr) memset(fake->instance.previewMask, value, frame);
}

struct PreviewTest : ::testing::Test {
    FakeHost fake;
    void TearDown() override {
        heapAllocFailAt = 0;
        ReleasePreviewBuffers(&fake.instance);
        host = nullptr;
    }
};

// ---- fetching -------------------------------------------------------------

TEST_F(PreviewTest, FetchAsksForTheWholeImageOnce) {
    MakeHost(&fake, plugInModeRGBColor, 3, 40, 50, 16, 16);
    fake.record.filterRect = {5, 9, 30, 20};
    fake.instance.panRow = fake.instance.panColumn = -1;
    EXPECT_EQ(OpenPreview(&fake), noErr);
    EXPECT_EQ(fake.calls, 1);
    const FilterRecord& record = fake.record;
    EXPECT_TRUE(RequestsAre(record, Rect{0, 0, 40, 50}));
    EXPECT_EQ(fake.instance.panRow, 5 + 25 / 2);
    EXPECT_EQ(fake.instance.panColumn, 9 + 11 / 2);
    EXPECT_EQ(fake.instance.zoomLevel, 1);
    EXPECT_EQ(record.inputRate, 0x10000);
    EXPECT_EQ(record.maskRate, 0x10000);
    EXPECT_EQ(record.inLoPlane, 0);
    EXPECT_EQ(record.outLoPlane, 0);
    EXPECT_EQ(record.inHiPlane, 2);
    EXPECT_EQ(record.outHiPlane, 2);
    EXPECT_EQ(record.inputPadding, 255);
    EXPECT_EQ(record.outputPadding, 255);
    EXPECT_EQ(record.maskPadding, 255);
    EXPECT_TRUE(previewImageFetched);
}

TEST_F(PreviewTest, TransparencyIsFetchedWithOnePlaneMore) {
    MakeHost(&fake, plugInModeRGBColor, 3, 6, 5, 6, 5, true);
    ASSERT_EQ(fake.instance.hasTransparency, 1);
    EXPECT_EQ(OpenPreview(&fake), noErr);
    ASSERT_EQ(fake.calls, 2);
    EXPECT_EQ(fake.planesSeen[0], 4);
    EXPECT_EQ(fake.inHiPlaneSeen[0], 3);
    EXPECT_EQ(fake.planesSeen[1], 3);
    EXPECT_EQ(fake.inHiPlaneSeen[1], 2);
    EXPECT_EQ(fake.record.planes, 3);
    EXPECT_EQ(fake.record.inHiPlane, 2);
    EXPECT_EQ(fake.record.outHiPlane, 2);
    for (int32 y = 0; y < 6; ++y) {
        for (int32 x = 0; x < 5; ++x) {
            EXPECT_EQ(fake.instance.transparencyPlane[y * 5 + x],
                      Sample(fake, fake.samples, y, x, 3));
        }
    }
}

TEST_F(PreviewTest, SixteenBitTransparencyIsConverted) {
    MakeHost(&fake, plugInModeGray16, 1, 1, 4, 1, 4, true);
    const uint16_t alpha[] = {32768, 32767, 128, 127};
    for (int32 x = 0; x < 4; ++x) fake.samples[x * 2 + 1] = alpha[x];
    EXPECT_EQ(OpenPreview(&fake), noErr);
    const uint8_t expected[] = {255, 255, 1, 0};
    for (int32 x = 0; x < 4; ++x) EXPECT_EQ(fake.instance.transparencyPlane[x], expected[x]);
}

// ---- rendering --------------------------------------------------------------

TEST_F(PreviewTest, FrameSizedImageAtLevelOneIsCopiedByteForByte) {
    MakeHost(&fake, plugInModeRGBColor, 3, 9, 13, 9, 13);
    ASSERT_EQ(OpenPreview(&fake), noErr);
    FillFrame(&fake, 0xEE);
    RenderPreview(&fake.instance, false);
    for (int32 y = 0; y < 9; ++y) {
        EXPECT_EQ(memcmp(fake.instance.previewPixels + y * 13 * 3,
                         fake.inBuffer.data() + y * fake.record.inRowBytes, 13 * 3),
                  0)
            << "row " << y;
        for (int32 x = 0; x < 13; ++x) EXPECT_EQ(MaskByte(fake, y, x), 1);
    }
}

TEST_F(PreviewTest, TenRowsInFourAtLevelThree) {
    MakeHost(&fake, plugInModeGrayScale, 1, 10, 12, 4, 4);
    ASSERT_EQ(OpenPreview(&fake), noErr);
    fake.instance.zoomLevel = 3;
    RenderPreview(&fake.instance, false);
    for (int32 r = 0; r < 3; ++r) {
        for (int32 c = 0; c < 4; ++c) ExpectShows(fake, r, c, 3 * r, 3 * c);
    }
    for (int32 c = 0; c < 4; ++c) ExpectBlank(fake, 3, c);
}

TEST_F(PreviewTest, LevelZeroDrawsTwoByTwoBlocksFromTheOffsets) {
    MakeHost(&fake, plugInModeRGBColor, 3, 3, 2, 9, 8);
    ASSERT_EQ(OpenPreview(&fake), noErr);
    fake.instance.zoomLevel = 0;
    RenderPreview(&fake.instance, false);
    // Drawn 6 × 4: offY (9 - 6) / 2 = 1, offX (8 - 4) / 2 = 2.
    for (int32 row = 0; row < 9; ++row) {
        for (int32 col = 0; col < 8; ++col) {
            if (row >= 1 && row < 7 && col >= 2 && col < 6) {
                ExpectShows(fake, row, col, (row - 1) / 2, (col - 2) / 2);
            } else {
                ExpectBlank(fake, row, col);
            }
        }
    }
}

TEST_F(PreviewTest, MagnifiedViewOfALargeImageStartsAtTheVisibleCorner) {
    MakeHost(&fake, plugInModeGrayScale, 1, 40, 40, 6, 6);
    ASSERT_EQ(OpenPreview(&fake), noErr);
    fake.instance.zoomLevel = -1;  // 3 × 3 blocks, the view spans 2 × 2 pixels
    fake.instance.panRow = 10;
    fake.instance.panColumn = 30;
    RenderPreview(&fake.instance, false);
    for (int32 row = 0; row < 6; ++row) {
        for (int32 col = 0; col < 6; ++col) ExpectShows(fake, row, col, 9 + row / 3, 29 + col / 3);
    }
}

TEST_F(PreviewTest, SmallerImageIsCentredWithTheOddBlankLast) {
    MakeHost(&fake, plugInModeGrayScale, 1, 3, 4, 6, 7);
    ASSERT_EQ(OpenPreview(&fake), noErr);
    FillFrame(&fake, 0xEE);
    RenderPreview(&fake.instance, false);
    for (int32 row = 0; row < 6; ++row) {
        for (int32 col = 0; col < 7; ++col) {
            if (row >= 1 && row < 4 && col >= 1 && col < 5) {
                ExpectShows(fake, row, col, row - 1, col - 1);
            } else {
                ExpectBlank(fake, row, col);
            }
        }
    }
}

TEST_F(PreviewTest, SixteenBitSamplesKeepTheirTopBits) {
    MakeHost(&fake, plugInModeRGB48, 3, 1, 2, 1, 2);
    const uint16_t values[] = {32768, 32767, 128, 127, 65535, 0};
    for (int32 i = 0; i < 6; ++i) fake.samples[i] = values[i];
    ASSERT_EQ(OpenPreview(&fake), noErr);
    RenderPreview(&fake.instance, false);
    const uint8_t expected[] = {255, 255, 1, 0, 255, 0};
    for (int32 i = 0; i < 6; ++i) EXPECT_EQ(fake.instance.previewPixels[i], expected[i]) << i;
}

TEST_F(PreviewTest, FarZoomOutLeavesTheFrameBlank) {
    MakeHost(&fake, plugInModeGrayScale, 1, 100, 100, 16, 16);
    ASSERT_EQ(OpenPreview(&fake), noErr);
    for (int16 level : {201, 1000, 32767}) {
        FillFrame(&fake, 0xEE);
        fake.instance.zoomLevel = level;
        RenderPreview(&fake.instance, true);
        ExpectWholeFrameBlank(fake);
    }
}

TEST_F(PreviewTest, ZeroSizedFrameDrawsNothing) {
    MakeHost(&fake, plugInModeRGBColor, 3, 10, 10, 0, 0);
    ASSERT_EQ(OpenPreview(&fake), noErr);
    RenderPreview(&fake.instance, false);
    RenderPreview(&fake.instance, true);
    fake.instance.previewFrame = {20, 20, 10, 10};  // reversed edges count as empty
    RenderPreview(&fake.instance, false);
}

// ---- the selection and the filter pass ------------------------------------

// Views the image's left half while filterRect covers only its right end, so
// the filter pass has nothing to do and the render shows outData.
void LookAwayFromTheFilterRect(FakeHost* fake) {
    fake->record.filterRect = {0, 6, 4, 8};
    ASSERT_EQ(OpenPreview(fake), noErr);
    fake->instance.panColumn = 0;
}

TEST_F(PreviewTest, FilteredRenderWithNothingToFilterShowsTheOutput) {
    MakeHost(&fake, plugInModeRGBColor, 3, 4, 8, 4, 4);
    LookAwayFromTheFilterRect(&fake);
    RenderPreview(&fake.instance, true);
    EXPECT_EQ(fake.result, noErr);
    EXPECT_EQ(fake.instance.workRect.left, fake.instance.workRect.right);
    for (int32 p = 0; p < 3; ++p)
        EXPECT_EQ(Pixel(fake, 2, 3, p), Sample(fake, fake.filtered, 2, 3, p));
}

TEST_F(PreviewTest, SixteenBitBlendNeedsOnlyTheMask) {
    MakeHost(&fake, plugInModeGray16, 1, 4, 8, 4, 4);
    SetMask(&fake, 0);
    fake.record.autoMask = 0;
    const uint8_t m[] = {128, 255, 0, 128};
    const uint16_t input[] = {0, 0, 1280, 32768};
    const uint16_t output[] = {32768, 32768, 32768, 32768};
    for (int32 x = 0; x < 4; ++x) {
        fake.mask[x] = m[x];
        fake.samples[x] = input[x];
        fake.filtered[x] = output[x];
    }
    LookAwayFromTheFilterRect(&fake);
    RenderPreview(&fake.instance, true);
    // 128/255 × 256 = 128.50 -> 129; a full selection clips 256 to 255; an
    // empty one shows the input; half of 256 + 256 rounds to 256 -> 255.
    const uint8_t expected[] = {129, 255, 10, 255};
    for (int32 x = 0; x < 4; ++x) {
        EXPECT_EQ(Pixel(fake, 0, x, 0), expected[x]) << x;
        EXPECT_EQ(MaskByte(fake, 0, x), m[x]);
    }
}

TEST_F(PreviewTest, EightBitBlendNeedsMaskAndAutoMask) {
    MakeHost(&fake, plugInModeGrayScale, 1, 4, 8, 4, 4);
    SetMask(&fake, 0);
    const uint8_t m[] = {128, 255, 0, 64};
    for (int32 x = 0; x < 4; ++x) {
        fake.mask[x] = m[x];
        fake.samples[x] = 0;
        fake.filtered[x] = 255;
    }
    LookAwayFromTheFilterRect(&fake);
    RenderPreview(&fake.instance, true);
    const uint8_t blended[] = {128, 255, 0, 64};
    for (int32 x = 0; x < 4; ++x) {
        EXPECT_EQ(Pixel(fake, 0, x, 0), blended[x]) << x;
        EXPECT_EQ(MaskByte(fake, 0, x), m[x]);
    }

    fake.record.autoMask = 0;  // the host blends itself: show the output as it is
    RenderPreview(&fake.instance, true);
    for (int32 x = 0; x < 4; ++x) {
        EXPECT_EQ(Pixel(fake, 0, x, 0), 255) << x;
        EXPECT_EQ(MaskByte(fake, 0, x), m[x]);
    }
}

TEST_F(PreviewTest, StoppedFilterPassShowsTheUnfilteredImage) {
    MakeHost(&fake, plugInModeGrayScale, 1, 64, 64, 64, 64);
    fake.record.abortProc = AlwaysStop;
    ASSERT_EQ(OpenPreview(&fake), noErr);
    fake.result = userCanceledErr;  // as a pass stopped through abortProc leaves it
    RenderPreview(&fake.instance, true);
    EXPECT_NE(fake.result, noErr);
    EXPECT_EQ(fake.instance.workRect.top, 0);
    EXPECT_EQ(fake.instance.workRect.left, 0);
    EXPECT_EQ(fake.instance.workRect.bottom, 64);
    EXPECT_EQ(fake.instance.workRect.right, 64);
    for (int32 y = 0; y < 64; ++y) {
        for (int32 x = 0; x < 64; ++x) ExpectShows(fake, y, x, y, x);
    }
}

TEST_F(PreviewTest, FilteredRenderShowsTheLabyrinthInsideTheWorkRect) {
    MakeHost(&fake, plugInModeGrayScale, 1, 60, 60, 30, 30);
    fake.record.filterRect = {20, 20, 60, 60};
    fake.record.foreground = {0, 0, 0};
    fake.record.background = {65535, 65535, 65535};
    FilterParameters parameters = {3};
    char* block = reinterpret_cast<char*>(&parameters);
    fake.record.parameters = &block;
    ASSERT_EQ(OpenPreview(&fake), noErr);
    fake.instance.panRow = 0;  // view: rows and columns 0 to 30
    fake.instance.panColumn = 0;
    RenderPreview(&fake.instance, true);
    ASSERT_EQ(fake.result, noErr);
    EXPECT_EQ(fake.instance.workRect.top, 20);
    EXPECT_EQ(fake.instance.workRect.left, 20);
    EXPECT_EQ(fake.instance.workRect.bottom, 30);
    EXPECT_EQ(fake.instance.workRect.right, 30);
    bool seen[256] = {};
    int32 distinct = 0;
    for (int32 y = 0; y < 30; ++y) {
        for (int32 x = 0; x < 30; ++x) {
            uint8_t shown = Pixel(fake, y, x, 0);
            if (y >= 20 && x >= 20) {
                distinct += seen[shown] ? 0 : 1;
                seen[shown] = true;
            } else {
                EXPECT_EQ(shown, Sample(fake, fake.filtered, y, x, 0)) << y << "," << x;
            }
        }
    }
    EXPECT_EQ(distinct, 2);  // walls and corridors
    EXPECT_TRUE(seen[0]);
    EXPECT_TRUE(seen[255]);
}

// The preview paints through the pass, so a host that gives its colours
// as 8-bit values (the same in foreColor/backColor) sees them as given.
TEST_F(PreviewTest, FilteredRenderShowsEightBitHostColours) {
    MakeHost(&fake, plugInModeGrayScale, 1, 30, 30, 30, 30);
    fake.record.foreground = {200, 200, 200};
    fake.record.background = {30, 30, 30};
    fake.record.foreColor[0] = 200;
    fake.record.backColor[0] = 30;
    FilterParameters parameters = {3};
    char* block = reinterpret_cast<char*>(&parameters);
    fake.record.parameters = &block;
    ASSERT_EQ(OpenPreview(&fake), noErr);
    RenderPreview(&fake.instance, true);
    ASSERT_EQ(fake.result, noErr);
    int32 walls = 0, corridors = 0;
    for (int32 y = 0; y < 30; ++y) {
        for (int32 x = 0; x < 30; ++x) {
            const uint8_t shown = Pixel(fake, y, x, 0);
            walls += shown == 200 ? 1 : 0;
            corridors += shown == 30 ? 1 : 0;
        }
    }
    EXPECT_GT(walls, 0);
    EXPECT_GT(corridors, 0);
    EXPECT_EQ(walls + corridors, 30 * 30);
}

TEST_F(PreviewTest, WorkRectIsTheVisiblePartOfTheFilterRect) {
    MakeHost(&fake, plugInModeGrayScale, 1, 100, 100, 20, 20);
    fake.record.filterRect = {10, 10, 90, 90};
    ASSERT_EQ(OpenPreview(&fake), noErr);
    fake.instance.panRow = 0;
    fake.instance.panColumn = 95;
    RenderPreview(&fake.instance, true);
    EXPECT_EQ(fake.instance.workRect.top, 10);
    EXPECT_EQ(fake.instance.workRect.left, 80);
    EXPECT_EQ(fake.instance.workRect.bottom, 20);
    EXPECT_EQ(fake.instance.workRect.right, 90);
}

TEST_F(PreviewTest, WorkRectStaysInsideTheImage) {
    MakeHost(&fake, plugInModeGrayScale, 1, 100, 100, 200, 200);
    fake.record.filterRect = {50, 60, 300, 300};  // reaches past the image
    ASSERT_EQ(OpenPreview(&fake), noErr);
    fake.result = userCanceledErr;
    RenderPreview(&fake.instance, true);
    EXPECT_EQ(fake.instance.workRect.top, 50);
    EXPECT_EQ(fake.instance.workRect.left, 60);
    EXPECT_EQ(fake.instance.workRect.bottom, 100);
    EXPECT_EQ(fake.instance.workRect.right, 100);
}

// ---- transparency and the pixel map ----------------------------------------

TEST_F(PreviewTest, TransparencyIsTheLastByteAndThePixelMapsMask) {
    MakeHost(&fake, plugInModeRGBColor, 3, 5, 6, 5, 6, true);
    ASSERT_EQ(OpenPreview(&fake), noErr);
    RenderPreview(&fake.instance, false);
    for (int32 y = 0; y < 5; ++y) {
        for (int32 x = 0; x < 6; ++x) {
            ExpectShows(fake, y, x, y, x);
            EXPECT_EQ(Pixel(fake, y, x, 3), Sample(fake, fake.samples, y, x, 3));
        }
    }
    PSPixelMap map;
    PSPixelMask mask;
    ASSERT_TRUE(FillPreviewPixelMap(&fake.instance, &map, &mask));
    EXPECT_EQ(map.version, 1);
    EXPECT_EQ(map.bounds.top, 0);
    EXPECT_EQ(map.bounds.left, 0);
    EXPECT_EQ(map.bounds.bottom, 5);
    EXPECT_EQ(map.bounds.right, 6);
    EXPECT_EQ(map.imageMode, plugInModeRGBColor);
    EXPECT_EQ(map.rowBytes, 4 * 6);
    EXPECT_EQ(map.colBytes, 4);
    EXPECT_EQ(map.planeBytes, 1);
    EXPECT_EQ(map.baseAddr, fake.instance.previewPixels);
    EXPECT_EQ(map.mat, nullptr);
    EXPECT_EQ(map.maskPhaseRow, 0);
    EXPECT_EQ(map.maskPhaseCol, 0);
    ASSERT_EQ(map.masks, &mask);
    EXPECT_EQ(mask.next, nullptr);
    EXPECT_EQ(mask.maskData, fake.instance.previewPixels + 3);
    EXPECT_EQ(mask.rowBytes, 4 * 6);
    EXPECT_EQ(mask.colBytes, 4);
    EXPECT_EQ(mask.maskDescription, kSimplePSMask);
}

TEST_F(PreviewTest, FloatingSelectionUsesThePreviewMask) {
    MakeHost(&fake, plugInModeGray16, 1, 5, 6, 7, 9, true);
    fake.record.isFloating = 1;
    ASSERT_EQ(OpenPreview(&fake), noErr);
    PSPixelMap map;
    PSPixelMask mask;
    ASSERT_TRUE(FillPreviewPixelMap(&fake.instance, &map, &mask));
    EXPECT_EQ(map.imageMode, plugInModeGrayScale);
    EXPECT_EQ(map.rowBytes, 2 * 9);
    EXPECT_EQ(map.colBytes, 2);
    ASSERT_EQ(map.masks, &mask);
    EXPECT_EQ(mask.maskData, fake.instance.previewMask);
    EXPECT_EQ(mask.rowBytes, 9);
    EXPECT_EQ(mask.colBytes, 1);
}

TEST_F(PreviewTest, PlainImageHasNoMask) {
    MakeHost(&fake, plugInModeRGB48, 3, 5, 6, 7, 9);
    ASSERT_EQ(OpenPreview(&fake), noErr);
    PSPixelMap map;
    PSPixelMask mask;
    ASSERT_TRUE(FillPreviewPixelMap(&fake.instance, &map, &mask));
    EXPECT_EQ(map.imageMode, plugInModeRGBColor);
    EXPECT_EQ(map.rowBytes, 3 * 9);
    EXPECT_EQ(map.masks, nullptr);
}

TEST_F(PreviewTest, DrawHandsTheWholeFrameToTheHost) {
    MakeHost(&fake, plugInModeRGBColor, 3, 5, 6, 7, 9);
    ASSERT_EQ(OpenPreview(&fake), noErr);
    RenderPreview(&fake.instance, false);
    int context = 0;
    EXPECT_TRUE(DrawPreviewPixels(&fake.instance, &context, 3, 4));
    ASSERT_EQ(fake.displayCalls, 1);
    EXPECT_EQ(fake.displayedMap.baseAddr, fake.instance.previewPixels);
    EXPECT_EQ(fake.displayedRect.bottom, 7);
    EXPECT_EQ(fake.displayedRect.right, 9);
    EXPECT_EQ(fake.displayedRow, 3);
    EXPECT_EQ(fake.displayedCol, 4);
    EXPECT_EQ(fake.displayedContext, &context);
}

TEST_F(PreviewTest, HostWithoutDisplayPixelsGetsNothingDrawn) {
    MakeHost(&fake, plugInModeRGBColor, 3, 5, 6, 7, 9);
    fake.record.displayPixels = nullptr;
    ASSERT_EQ(OpenPreview(&fake), noErr);
    RenderPreview(&fake.instance, false);
    EXPECT_FALSE(DrawPreviewPixels(&fake.instance, nullptr, 0, 0));
}

// ---- failures -----------------------------------------------------------------

TEST_F(PreviewTest, MissingBuffersGiveAnEmptyFrame) {
    for (int32 failing = 1; failing <= 3; ++failing) {
        MakeHost(&fake, plugInModeRGBColor, 3, 20, 30, 8, 10, true);
        heapAllocFailAt = failing;
        EXPECT_EQ(AllocatePreviewBuffers(&fake.instance), memFullErr);
        heapAllocFailAt = 0;
        FillFrame(&fake, 0xEE);
        FetchPreviewImage(&fake.instance);
        EXPECT_EQ(fake.calls, fake.instance.transparencyPlane != nullptr ? 2 : 1);
        RenderPreview(&fake.instance, false);
        RenderPreview(&fake.instance, true);
        ExpectWholeFrameBlank(fake);
        bool drawn = DrawPreviewPixels(&fake.instance, nullptr, 0, 0);
        EXPECT_EQ(drawn, fake.instance.previewPixels != nullptr) << "allocation " << failing;
        ReleasePreviewBuffers(&fake.instance);
        EXPECT_EQ(fake.instance.previewPixels, nullptr);
        fake = FakeHost();
    }
}

TEST_F(PreviewTest, FailedFetchGivesAnEmptyFrame) {
    MakeHost(&fake, plugInModeRGBColor, 3, 20, 30, 8, 10);
    fake.failAtCall = 1;
    EXPECT_EQ(OpenPreview(&fake), memFullErr);
    EXPECT_EQ(fake.result, memFullErr);
    EXPECT_FALSE(previewImageFetched);
    FillFrame(&fake, 0xEE);
    RenderPreview(&fake.instance, false);  // inData is null: nothing may be read
    RenderPreview(&fake.instance, true);
    ExpectWholeFrameBlank(fake);
    EXPECT_TRUE(DrawPreviewPixels(&fake.instance, nullptr, 0, 0));
}

TEST_F(PreviewTest, FailedTransparencyFetchEndsTheRequests) {
    MakeHost(&fake, plugInModeGrayScale, 1, 20, 30, 8, 10, true);
    fake.failAtCall = 1;
    fake.failCode = userCanceledErr;
    EXPECT_EQ(OpenPreview(&fake), userCanceledErr);
    EXPECT_EQ(fake.calls, 1);
    EXPECT_EQ(fake.result, userCanceledErr);
    EXPECT_EQ(fake.record.planes, 1);
    EXPECT_EQ(fake.record.inHiPlane, 0);
    FillFrame(&fake, 0xEE);
    RenderPreview(&fake.instance, true);
    ExpectWholeFrameBlank(fake);
}

TEST_F(PreviewTest, FailedLaterFetchForgetsTheEarlierImage) {
    MakeHost(&fake, plugInModeGrayScale, 1, 20, 30, 8, 10);
    ASSERT_EQ(OpenPreview(&fake), noErr);
    fake.failAtCall = 2;
    fake.keepBuffersOnFailure = true;  // still readable, but no longer the host's answer
    EXPECT_EQ(FetchPreviewImage(&fake.instance), memFullErr);
    FillFrame(&fake, 0xEE);
    RenderPreview(&fake.instance, false);
    ExpectWholeFrameBlank(fake);
}

TEST_F(PreviewTest, HostWithoutAdvanceStateGivesAnEmptyFrame) {
    MakeHost(&fake, plugInModeGrayScale, 1, 20, 30, 8, 10);
    fake.record.advanceState = nullptr;
    EXPECT_EQ(OpenPreview(&fake), filterBadParameters);
    EXPECT_EQ(fake.result, filterBadParameters);
    FillFrame(&fake, 0xEE);
    RenderPreview(&fake.instance, false);
    ExpectWholeFrameBlank(fake);
}

}  // namespace
