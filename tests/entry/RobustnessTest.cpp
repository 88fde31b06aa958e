// The plug-in inside hosts that pass surprising records: buffers whose row
// and column bytes do not describe them, image modes and plane counts it
// does not filter, filter rectangles outside the image, selectors out of
// order, and memory that runs out at every allocation in turn. Whatever
// the host does, the plug-in answers a code and leaves the user's image as
// it was, or filters it; it never reads or writes outside a buffer (the
// tests run under AddressSanitizer, and every hostile buffer here is real
// memory of exactly the size its host claims).
#include "dialogs/DialogsPosix.h"
#include "entry/ModuleState.h"
#include "entry/Parameters.h"
#include "entry/Selectors.h"
#include "filter/FilterPass.h"
#include "filter/RecordChecks.h"
#include "preview/PreviewBuffers.h"
#include "preview/PreviewImage.h"
#include "preview/PreviewPixelMap.h"
#include "preview/PreviewRender.h"
#include "testhost/HostCallbacks.h"
#include "testhost/HostSession.h"
#include "tests/support/CountingHeap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// ---- a host that lies about its rows -------------------------------------

// What the host claims for one buffer's rows: natural + delta, or `value`
// outright.
struct RowClaim {
    bool absolute = false;
    int32 value = 0;
};

int32 Claimed(const RowClaim& claim, int32 natural) {
    return claim.absolute ? claim.value : natural + claim.value;
}

// Each delivery is laid out again with the claimed row bytes, in a block of
// exactly claimed x rows bytes (one byte when the claim is not positive:
// no real host backs such rows with memory).
struct LyingLayout {
    RowClaim in, out, mask;
    int32 inColumnBytes = 0;  // 0: what the host naturally reports
    bool withholdMask = false;
    std::vector<uint8_t> inBlock, outBlock, maskBlock;
    int32 deliveries = 0;
};

LyingLayout lie;

int32 RectRows(const Rect& r) { return r.bottom - r.top; }

void Relay(const void* natural, int32 naturalRowBytes, int32 rows, const RowClaim& claim,
           std::vector<uint8_t>* block, int32* rowBytes) {
    const int32 claimed = Claimed(claim, naturalRowBytes);
    const size_t bytes = claimed > 0 ? size_t(claimed) * size_t(rows) : 0;
    block->assign(bytes > 0 ? bytes : 1, 0x5A);
    if (claimed > 0) {
        const size_t copied = size_t(claimed < naturalRowBytes ? claimed : naturalRowBytes);
        for (int32 r = 0; r < rows; ++r) {
            memcpy(block->data() + size_t(r) * size_t(claimed),
                   static_cast<const uint8_t*>(natural) + size_t(r) * size_t(naturalRowBytes),
                   copied);
        }
    }
    *rowBytes = claimed;
}

OSErr PI_CDECL LyingAdvanceState() {
    HostSession* session = ActiveHostSession();
    OSErr code = HostAdvanceState(session);
    if (code != noErr) return code;
    ++lie.deliveries;
    FilterRecord& record = session->record;
    int32 rowBytes = 0;
    if (record.inData != nullptr) {
        Relay(record.inData, record.inRowBytes, RectRows(record.inRect), lie.in, &lie.inBlock,
              &rowBytes);
        record.inData = lie.inBlock.data();
        record.inRowBytes = rowBytes;
        if (lie.inColumnBytes != 0) record.inColumnBytes = lie.inColumnBytes;
    }
    if (record.outData != nullptr) {
        Relay(record.outData, record.outRowBytes, RectRows(record.outRect), lie.out, &lie.outBlock,
              &rowBytes);
        record.outData = lie.outBlock.data();
        record.outRowBytes = rowBytes;
    }
    if (lie.withholdMask) record.maskData = nullptr;
    if (record.maskData != nullptr) {
        Relay(record.maskData, record.maskRowBytes, RectRows(record.maskRect), lie.mask,
              &lie.maskBlock, &rowBytes);
        record.maskData = lie.maskBlock.data();
        record.maskRowBytes = rowBytes;
    }
    return noErr;
}

HostImage RampImage(int32 width, int32 height, int32 channels, int32 bytesPerSample = 1) {
    HostImage image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.bytesPerSample = bytesPerSample;
    image.samples.resize(size_t(width) * height * channels * bytesPerSample);
    for (size_t i = 0; i < image.samples.size(); ++i) image.samples[i] = uint8_t(i * 37 + 11);
    if (bytesPerSample == 2) {
        for (size_t i = 1; i < image.samples.size(); i += 2) image.samples[i] &= 0x7F;
    }
    return image;
}

void AddSelection(HostImage* image) {
    image->mask.assign(size_t(image->width) * image->height, 0);
    for (int32 y = 2; y < image->height - 2; ++y) {
        for (int32 x = 3; x < image->width - 1; ++x)
            image->mask[size_t(y) * image->width + x] = 255;
    }
}

// The filter dialog as a user who glances at the preview and confirms.
bool ConfirmingDialog(FilterInstance* instance) {
    instance->previewFrame = Rect{10, 10, 34, 42};
    AllocatePreviewBuffers(instance);
    FetchPreviewImage(instance);
    RenderPreview(instance, true);
    DrawPreviewPixels(instance, nullptr, 0, 0);
    ReleasePreviewBuffers(instance);
    *instance->result = noErr;
    return true;
}

// Runs the filter with the failAt-th heap allocation failing and checks
// that nothing is left allocated; `reached` tells whether the run came
// as far as that allocation.
struct FailedRun {
    int16 result;
    bool reached;
};
FailedRun RunWithFailingAllocation(HostSession* session, int32 failAt, bool dialog) {
    const size_t heap = heapBytesInUse;
    heapAllocFailAt = failAt;
    const int16 result = RunFilterSession(session, PluginMain, dialog);
    const bool reached = heapAllocFailAt == 0;
    heapAllocFailAt = 0;
    EXPECT_EQ(heapBytesInUse, heap) << "allocation " << failAt;
    return FailedRun{result, reached};
}

class RobustnessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetModuleState();
        heapAllocFailAt = 0;
        lie = LyingLayout();
        settings.haveDescriptorSuites = false;  // Start follows showDialog alone
        settings.rowPadding = 0;
        heapBefore = heapBytesInUse;
    }
    void TearDown() override {
        CloseHostSession(&session);
        nativeFilterDialog = nullptr;
        heapAllocFailAt = 0;
        EXPECT_EQ(heapBytesInUse, heapBefore) << "heap buffers left behind";
    }
    void Open(const HostImage& image) {
        OpenHostSession(&session, image, settings);
        session.record.advanceState = LyingAdvanceState;
    }
    int16 Call(int16 selector) { return CallSelector(&session, PluginMain, selector); }
    FilterInstance* Instance() { return reinterpret_cast<FilterInstance*>(session.data); }
    bool RequestEnded() const {
        const Rect zero = {0, 0, 0, 0};
        const FilterRecord& r = session.record;
        return memcmp(&r.inRect, &zero, sizeof zero) == 0 &&
               memcmp(&r.outRect, &zero, sizeof zero) == 0 &&
               memcmp(&r.maskRect, &zero, sizeof zero) == 0;
    }
    // Start then Continue; answers Continue's result and notes whether the
    // host's buffers changed.
    int16 StartAndContinue() {
        startResult = Call(filterSelectorStart);
        EXPECT_EQ(startResult, noErr);
        const std::vector<uint8_t> in = lie.inBlock;
        outBefore = lie.outBlock;
        const int16 result = Call(filterSelectorContinue);
        EXPECT_EQ(lie.inBlock, in) << "the input buffer was written";
        outputWritten = lie.outBlock != outBefore;
        EXPECT_TRUE(RequestEnded());
        return result;
    }

    HostSettings settings;
    HostSession session;
    size_t heapBefore = 0;
    int16 startResult = 0;
    std::vector<uint8_t> outBefore;
    bool outputWritten = false;
};

// ---- row and column bytes ------------------------------------------------

TEST_F(RobustnessTest, RowsTooShortForTheWorkRectAreRefusedAndNothingIsWritten) {
    struct Case {
        const char* what;
        RowClaim LyingLayout::*buffer;
        RowClaim claim;
    };
    const Case cases[] = {
        {"input one byte short", &LyingLayout::in, {false, -1}},
        {"input a pixel short", &LyingLayout::in, {false, -3}},
        {"input rows of 0", &LyingLayout::in, {true, 0}},
        {"input rows negative", &LyingLayout::in, {true, -48}},
        {"input rows lowest", &LyingLayout::in, {true, INT32_MIN}},
        {"output one byte short", &LyingLayout::out, {false, -1}},
        {"output rows of 0", &LyingLayout::out, {true, 0}},
        {"output rows negative", &LyingLayout::out, {true, -1}},
        {"mask one byte short", &LyingLayout::mask, {false, -1}},
        {"mask rows of 0", &LyingLayout::mask, {true, 0}},
        {"mask rows negative", &LyingLayout::mask, {true, -16}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        CloseHostSession(&session);
        lie = LyingLayout();
        lie.*test.buffer = test.claim;
        HostImage image = RampImage(16, 20, 3);
        AddSelection(&image);
        Open(image);
        EXPECT_EQ(StartAndContinue(), filterBadParameters);
        EXPECT_FALSE(outputWritten);
    }
}

TEST_F(RobustnessTest, PaddedRowsAreFiltered) {
    for (int32 padding : {1, 7, 1000}) {
        CloseHostSession(&session);
        lie = LyingLayout();
        lie.in = lie.out = lie.mask = RowClaim{false, padding};
        HostImage image = RampImage(16, 20, 3);
        AddSelection(&image);
        Open(image);
        EXPECT_EQ(StartAndContinue(), noErr) << padding;
        EXPECT_TRUE(outputWritten) << padding;
    }
}

// After the dialog the work rectangle is the filter rectangle inside the
// whole image, so its first pixel is found through the column bytes.
TEST_F(RobustnessTest, ColumnBytesThatReachPastTheRowAreRefused) {
    settings.filterRect = Rect{4, 5, 15, 12};
    nativeFilterDialog = ConfirmingDialog;
    for (int32 columnBytes : {3, 4, 1000, INT32_MAX}) {
        CloseHostSession(&session);
        lie = LyingLayout();
        lie.inColumnBytes = columnBytes;
        Open(RampImage(16, 20, 3));
        ASSERT_EQ(Call(filterSelectorParameters), noErr);
        const int16 result = StartAndContinue();
        // Rows are 48 bytes: 5 x 4 + 7 x 3 still fits, 5 x 1000 does not.
        EXPECT_EQ(result, columnBytes <= 4 ? noErr : filterBadParameters) << columnBytes;
        EXPECT_EQ(outputWritten, result == noErr) << columnBytes;
    }
}

TEST_F(RobustnessTest, NegativeColumnBytesTakeThePixelSize) {
    lie.inColumnBytes = -7;
    Open(RampImage(16, 20, 3));
    EXPECT_EQ(StartAndContinue(), noErr);
    EXPECT_EQ(session.record.inColumnBytes, 3);
    EXPECT_TRUE(outputWritten);
}

// ---- image modes and planes -----------------------------------------------

TEST_F(RobustnessTest, ModesTheFilterDoesNotWorkOnAreRefusedBeforeAnyRequest) {
    nativeFilterDialog = ConfirmingDialog;
    for (int16 mode : {0, 2, 4, 7, 8, 9, 12, 13, 14, 15, 16, 17, -1, 32767}) {
        for (bool dialog : {false, true}) {
            CloseHostSession(&session);
            settings.imageMode = mode;
            Open(RampImage(16, 20, 3));
            if (dialog) { ASSERT_EQ(Call(filterSelectorParameters), noErr); }
            EXPECT_EQ(Call(filterSelectorStart), filterBadMode) << mode;
            EXPECT_EQ(session.advanceCalls, 0) << mode;
            EXPECT_TRUE(RequestEnded()) << mode;
            EXPECT_EQ(Call(filterSelectorContinue), noErr) << mode;  // nothing to work on
            EXPECT_EQ(session.result.samples, session.source.samples) << mode;
        }
    }
}

TEST_F(RobustnessTest, EveryModeTheFilterEnablesIsFiltered) {
    const struct {
        int16 mode;
        int16 planes;
        int32 bytesPerSample;
    } modes[] = {{plugInModeGrayScale, 1, 1},
                 {plugInModeRGBColor, 3, 1},
                 {plugInModeGray16, 1, 2},
                 {plugInModeRGB48, 3, 2}};
    for (const auto& m : modes) {
        CloseHostSession(&session);
        settings.imageMode = m.mode;
        settings.planes = m.planes;
        Open(RampImage(16, 20, m.planes, m.bytesPerSample));
        EXPECT_EQ(StartAndContinue(), noErr) << m.mode;
        EXPECT_TRUE(outputWritten) << m.mode;
    }
}

TEST_F(RobustnessTest, NoPlanesAreRefusedBeforeAnyRequest) {
    for (int16 planes : {0, -1, -32768}) {
        CloseHostSession(&session);
        settings.planes = planes;
        Open(RampImage(16, 20, 3));
        EXPECT_EQ(Call(filterSelectorStart), filterBadParameters) << planes;
        EXPECT_EQ(session.advanceCalls, 0) << planes;
        EXPECT_TRUE(RequestEnded()) << planes;
    }
}

// RGB with extra channels: the colour planes take the labyrinth, every
// further channel goes back as it came, and the pixel step covers them all.
TEST_F(RobustnessTest, WidePlaneCountsAreFilteredInsideTheirBuffers) {
    for (int16 planes : {5, 9, 16}) {
        CloseHostSession(&session);
        settings.planes = planes;
        lie.in = lie.out = RowClaim{false, 0};
        Open(RampImage(12, 10, planes));
        EXPECT_EQ(StartAndContinue(), noErr) << planes;
        ASSERT_TRUE(outputWritten) << planes;
        for (size_t i = 0; i < lie.outBlock.size(); ++i) {
            if (int32(i % size_t(planes)) >= 3) { ASSERT_EQ(lie.outBlock[i], outBefore[i]) << i; }
        }
    }
}

// ---- filter rectangles ----------------------------------------------------

TEST_F(RobustnessTest, FilterRectReachingOutsideTheImageIsRefusedAfterTheDialog) {
    nativeFilterDialog = ConfirmingDialog;
    const Rect rects[] = {{-3, -3, 23, 19}, {10, 8, 25, 16}, {0, 0, 20, 17}, {30, 30, 40, 40}};
    for (const Rect& rect : rects) {
        CloseHostSession(&session);
        settings.filterRect = rect;
        Open(RampImage(16, 20, 3));
        ASSERT_EQ(Call(filterSelectorParameters), noErr);
        EXPECT_EQ(StartAndContinue(), filterBadParameters) << rect.top << "," << rect.left;
        EXPECT_FALSE(outputWritten);
    }
}

// Without the dialog the host delivers the filter rectangle itself, padded
// where it leaves the image; the pass stays inside that delivery.
TEST_F(RobustnessTest, FilterRectOutsideTheImageWithoutDialogStaysInsideTheDelivery) {
    const Rect rects[] = {{-3, -3, 23, 19}, {18, 14, 30, 40}, {100, 100, 110, 130}};
    for (const Rect& rect : rects) {
        CloseHostSession(&session);
        settings.filterRect = rect;
        Open(RampImage(16, 20, 3));
        EXPECT_EQ(StartAndContinue(), noErr);
        EXPECT_TRUE(outputWritten);
    }
}

TEST_F(RobustnessTest, EmptyAndReversedFilterRectsFilterNothing) {
    const Rect rects[] = {{5, 5, 5, 12}, {5, 5, 12, 5}, {20, 16, 0, 0}, {12, 3, 4, 9}};
    for (const Rect& rect : rects) {
        CloseHostSession(&session);
        settings.filterRect = rect;
        Open(RampImage(16, 20, 3));
        const int16 start = Call(filterSelectorStart);
        EXPECT_EQ(Call(filterSelectorContinue), noErr);
        EXPECT_TRUE(start == noErr || start == -50) << start;  // the host may refuse the request
        EXPECT_TRUE(RequestEnded());
        EXPECT_EQ(session.result.samples, session.source.samples);
    }
}

TEST_F(RobustnessTest, MaskPromisedButNotDeliveredIsRefused) {
    HostImage image = RampImage(16, 20, 3);
    AddSelection(&image);
    lie.withholdMask = true;
    Open(image);
    EXPECT_EQ(StartAndContinue(), filterBadParameters);
    EXPECT_FALSE(outputWritten);
}

TEST_F(RobustnessTest, MaskDataWithoutHaveMaskIsIgnored) {
    HostImage image = RampImage(16, 20, 3);
    AddSelection(&image);
    Open(image);
    session.record.haveMask = 0;
    EXPECT_EQ(StartAndContinue(), noErr);
    EXPECT_TRUE(outputWritten);
}

// ---- selectors in any order -----------------------------------------------

TEST_F(RobustnessTest, ContinueWithoutAStartWritesNothing) {
    Open(RampImage(16, 20, 3));
    EXPECT_EQ(Call(filterSelectorContinue), noErr);  // nothing requested yet
    EXPECT_EQ(session.advanceCalls, 0);
    ASSERT_EQ(StartAndContinue(), noErr);
    const std::vector<uint8_t> out = lie.outBlock;
    // The request ended with the last Continue: the host's buffers are no
    // longer the plug-in's to use.
    EXPECT_EQ(Call(filterSelectorContinue), filterBadParameters);
    EXPECT_EQ(lie.outBlock, out);
    EXPECT_TRUE(RequestEnded());
}

TEST_F(RobustnessTest, FinishTwiceStartTwiceAndStartWithoutParameters) {
    settings.haveDescriptorSuites = true;
    Open(RampImage(16, 20, 3));
    EXPECT_EQ(Call(filterSelectorFinish), noErr);  // before anything else
    EXPECT_EQ(Call(filterSelectorFinish), noErr);
    EXPECT_EQ(session.liveHandles, 1);            // one descriptor: the first was disposed of
    EXPECT_EQ(Call(filterSelectorStart), noErr);  // no Parameters: a block is made
    const Handle parameters = session.record.parameters;  // packed: read by value
    ASSERT_NE(parameters, nullptr);
    EXPECT_EQ(Call(filterSelectorStart), noErr);
    EXPECT_EQ(session.advanceCalls, 2);
    const std::vector<uint8_t> delivered = lie.outBlock;
    EXPECT_EQ(Call(filterSelectorContinue), noErr);
    EXPECT_NE(lie.outBlock, delivered);
    EXPECT_EQ(Call(filterSelectorFinish), noErr);
    EXPECT_EQ(Call(filterSelectorFinish), noErr);
}

// Descriptor suites without a handle suite the plug-in can use: the
// descriptor the host hands over is the host's own handle, not one of the
// plug-in's, and must not be released with the plug-in's allocator.
TEST_F(RobustnessTest, HostDescriptorIsNotReleasedAsAnOwnHandle) {
    settings.haveDescriptorSuites = true;
    Open(RampImage(16, 20, 3));
    SetScriptDescriptor(&session, {ScriptItem{keyAmount, typeInteger, 25}});
    const PIDescriptorHandle descriptor = session.descriptorParameters.descriptor;
    session.record.handleProcs = nullptr;
    EXPECT_EQ(Call(filterSelectorStart), noErr);
    EXPECT_EQ(session.descriptorParameters.descriptor, nullptr);  // read and let go
    HostDisposeHandle(descriptor);  // a use after free had the plug-in released it
    EXPECT_EQ(Call(filterSelectorContinue), noErr);
    EXPECT_EQ(Call(filterSelectorFinish), noErr);
}

// ---- inputs the fuzzer found (fuzz/corpus/) -------------------------------

// seed-short-rows: an RGB image whose input rows are 45 bytes for 16
// pixels of 3 bytes; the pass read 3 bytes past the end of the buffer.
TEST_F(RobustnessTest, FuzzFoundInputRowsThreeBytesShort) {
    lie.in = RowClaim{true, 45};
    Open(RampImage(16, 20, 3));
    EXPECT_EQ(StartAndContinue(), filterBadParameters);
    EXPECT_FALSE(outputWritten);
}

// seed-zero-rows: output rows of 0 bytes; the pass wrote every row over the
// first and past the one-byte block.
TEST_F(RobustnessTest, FuzzFoundOutputRowsOfZeroBytes) {
    lie.out = RowClaim{true, 0};
    Open(RampImage(16, 20, 3));
    EXPECT_EQ(StartAndContinue(), filterBadParameters);
    EXPECT_FALSE(outputWritten);
}

// seed-negative-rows: mask rows of -16 bytes; the mask copy read before
// the block.
TEST_F(RobustnessTest, FuzzFoundNegativeMaskRows) {
    HostImage image = RampImage(16, 20, 3);
    AddSelection(&image);
    lie.mask = RowClaim{true, -16};
    Open(image);
    EXPECT_EQ(StartAndContinue(), filterBadParameters);
    EXPECT_FALSE(outputWritten);
}

// crash-rgb-one-plane-pixel-map: one target channel of an RGB image (mode
// RGB, one plane, as a host reports a single channel chosen for
// filtering). The preview's pixel map said RGB with one byte per pixel, so
// the host read two bytes past the frame's last pixel.
TEST_F(RobustnessTest, FuzzFoundOneChannelOfAnRgbImageIsPreviewedAsGray) {
    nativeFilterDialog = ConfirmingDialog;
    for (int16 planes : {1, 2, 3}) {
        CloseHostSession(&session);
        settings.planes = planes;
        Open(RampImage(16, 20, 3));
        ASSERT_EQ(Call(filterSelectorParameters), noErr);
        ASSERT_EQ(Call(filterSelectorStart), noErr);
        ASSERT_EQ(session.displayCalls, 1);
        const PSPixelMap& map = session.lastPixelMap;
        EXPECT_EQ(map.imageMode, planes < 3 ? plugInModeGrayScale : plugInModeRGBColor);
        // Every sample the host reads for the last pixel lies in its row.
        const int32 samples = map.imageMode == plugInModeRGBColor ? 3 : 1;
        EXPECT_LE((map.bounds.right - 1) * map.colBytes + samples * map.planeBytes, map.rowBytes);
        EXPECT_EQ(Call(filterSelectorContinue), noErr);
    }
}

// Transparency fetched into rows too short for the raised plane count: the
// copy read past the host's block. Nothing is read; the preview stays
// empty and the fetch answers filterBadParameters.
TEST_F(RobustnessTest, TransparencyRowsTooShortAreNotRead) {
    settings.inLayerPlanes = 3;
    settings.inTransparencyMask = 1;
    lie.in = RowClaim{false, -2};
    Open(RampImage(16, 20, 4));
    ASSERT_EQ(Call(filterSelectorParameters), noErr);  // makes the instance
    FilterInstance* instance = Instance();
    int16 result = 0;
    instance->result = &result;  // as the dialog runs inside Start
    instance->previewFrame = Rect{0, 0, 30, 30};
    ASSERT_EQ(instance->hasTransparency, 1);
    ASSERT_EQ(AllocatePreviewBuffers(instance), noErr);
    EXPECT_EQ(FetchPreviewImage(instance), filterBadParameters);
    EXPECT_FALSE(previewImageFetched);
    EXPECT_EQ(session.record.planes, 3);
    RenderPreview(instance, true);
    for (int32 i = 0; i < 30 * 30; ++i) ASSERT_EQ(instance->previewMask[i], 0);
    ReleasePreviewBuffers(instance);
}

// ---- the record checks at their edges -------------------------------------

TEST(RecordChecks, RowsExactlyLongEnoughPassOneByteLessDoNot) {
    FilterRecord record = {};
    uint8_t block[1] = {};
    record.imageMode = plugInModeRGB48;
    record.planes = 3;
    record.inData = record.outData = block;
    record.inRect = record.outRect = Rect{0, 0, 10, 20};
    record.inColumnBytes = record.outColumnBytes = 6;
    FilterInstance instance = {};
    instance.filter = &record;
    instance.workRect = Rect{2, 5, 10, 20};  // 15 pixels from column 5
    record.inRowBytes = record.outRowBytes = 5 * 6 + 15 * 6;
    EXPECT_EQ(CheckPassRecord(&instance), noErr);
    record.outRowBytes -= 1;
    EXPECT_EQ(CheckPassRecord(&instance), filterBadParameters);
    record.outRowBytes += 1;
    instance.workRect.bottom = 11;  // one row beyond the request
    EXPECT_EQ(CheckPassRecord(&instance), filterBadParameters);
    instance.workRect.bottom = 10;
    instance.workRect.right = 21;
    EXPECT_EQ(CheckPassRecord(&instance), filterBadParameters);
    instance.workRect.right = 20;
    record.haveMask = 1;  // promised, not there
    EXPECT_EQ(CheckPassRecord(&instance), filterBadParameters);
    record.maskData = block;
    record.maskRect = record.inRect;
    record.maskRowBytes = 19;
    EXPECT_EQ(CheckPassRecord(&instance), filterBadParameters);
    record.maskRowBytes = 20;
    EXPECT_EQ(CheckPassRecord(&instance), noErr);
    record.inColumnBytes = 0;  // the pass defaults these first; unset they do not pass
    EXPECT_EQ(CheckPassRecord(&instance), filterBadParameters);
}

TEST(RecordChecks, ImageFormats) {
    FilterRecord record = {};
    record.planes = 1;
    for (int16 mode = -2; mode < 20; ++mode) {
        record.imageMode = mode;
        const bool filtered = mode == 1 || mode == 3 || mode == 10 || mode == 11;
        EXPECT_EQ(ImageModeFiltered(mode), filtered) << mode;
        EXPECT_EQ(CheckImageFormat(&record), filtered ? noErr : filterBadMode) << mode;
    }
    record.imageMode = plugInModeGrayScale;
    record.planes = 0;
    EXPECT_EQ(CheckImageFormat(&record), filterBadParameters);
    EXPECT_EQ(CheckImageFormat(nullptr), filterBadParameters);
}

// ---- memory running out at every allocation ------------------------------

struct RunKind {
    const char* what;
    int16 mode;
    int16 planes;
    int32 bytesPerSample;
    bool selection;
    int32 leastAllocations;  // grid, frontier list and its items
};

const RunKind runKinds[] = {
    {"RGB", plugInModeRGBColor, 3, 1, false, 3},
    {"RGB with selection", plugInModeRGBColor, 3, 1, true, 3},
    {"RGB and transparency with selection", plugInModeRGBColor, 4, 1, true, 3},
    {"16-bit gray with selection", plugInModeGray16, 1, 2, true, 3},
    {"48-bit RGB", plugInModeRGB48, 3, 2, false, 3},
};

// Start and Continue through PluginMain with the n-th heap allocation
// failing, for n = 1, 2, ... until a run needs fewer: every such run ends
// in out-of-memory with the host's image untouched and nothing left on the
// heap; the first run the failure misses filters the image.
TEST_F(RobustnessTest, EveryFailedAllocationOfARunAnswersOutOfMemoryAndKeepsTheImage) {
    for (const RunKind& kind : runKinds) {
        SCOPED_TRACE(kind.what);
        int32 failAt = 1;
        for (;; ++failAt) {
            CloseHostSession(&session);
            settings.imageMode = kind.mode;
            settings.planes = kind.planes;
            HostImage image = RampImage(40, 30, kind.planes, kind.bytesPerSample);
            if (kind.selection) AddSelection(&image);
            OpenHostSession(&session, image, settings);
            const FailedRun run = RunWithFailingAllocation(&session, failAt, false);
            const int16 result = run.result;
            const bool hookFired = run.reached;
            if (!hookFired) {
                EXPECT_EQ(result, noErr);
                EXPECT_NE(session.result.samples, session.source.samples);
                break;
            }
            EXPECT_EQ(result, memFullErr) << "allocation " << failAt;
            EXPECT_EQ(session.result.samples, session.source.samples) << "allocation " << failAt;
        }
        EXPECT_GE(failAt, kind.leastAllocations + 1);
    }
}

// The same with the dialog: a failure while the preview is set up or
// rendered leaves a blank or unfiltered preview that the user confirms,
// and the run then filters; a failure in the final pass answers
// out-of-memory with the image untouched.
TEST_F(RobustnessTest, FailedAllocationsInTheDialogNeverCostTheImage) {
    nativeFilterDialog = ConfirmingDialog;
    int32 outOfMemory = 0;
    int32 filtered = 0;
    for (int32 failAt = 1;; ++failAt) {
        CloseHostSession(&session);
        HostImage image = RampImage(40, 30, 3);
        AddSelection(&image);
        OpenHostSession(&session, image, settings);
        const FailedRun run = RunWithFailingAllocation(&session, failAt, true);
        const int16 result = run.result;
        const bool hookFired = run.reached;
        if (result == memFullErr) {
            ++outOfMemory;
            EXPECT_EQ(session.result.samples, session.source.samples) << "allocation " << failAt;
        } else {
            ++filtered;
            EXPECT_EQ(result, noErr) << "allocation " << failAt;
            EXPECT_NE(session.result.samples, session.source.samples) << "allocation " << failAt;
        }
        if (!hookFired) break;
    }
    EXPECT_GE(outOfMemory, 3);  // every allocation of the final pass
    EXPECT_GE(filtered, 5);     // the preview buffers and the preview's pass at least
}

// A filtered preview render whose pass runs out of memory shows the
// unfiltered image, and the host's output stays as it was delivered.
TEST_F(RobustnessTest, PreviewPassOutOfMemoryShowsTheUnfilteredImage) {
    HostImage image = RampImage(24, 18, 3);
    Open(image);
    ASSERT_EQ(Call(filterSelectorParameters), noErr);
    FilterInstance* instance = Instance();
    int16 result = 0;
    instance->result = &result;  // as the dialog runs inside Start
    instance->previewFrame = Rect{0, 0, 18, 24};
    ASSERT_EQ(AllocatePreviewBuffers(instance), noErr);
    ASSERT_EQ(FetchPreviewImage(instance), noErr);
    RenderPreview(instance, false);
    const std::vector<uint8_t> unfiltered(instance->previewPixels,
                                          instance->previewPixels + 18 * 24 * 3);
    const std::vector<uint8_t> output = lie.outBlock;
    for (int32 failAt = 1; failAt <= 3; ++failAt) {  // grid, frontier list, its items
        heapAllocFailAt = failAt;
        RenderPreview(instance, true);
        heapAllocFailAt = 0;
        EXPECT_EQ(*instance->result, memFullErr) << failAt;
        EXPECT_EQ(
            std::vector<uint8_t>(instance->previewPixels, instance->previewPixels + 18 * 24 * 3),
            unfiltered)
            << failAt;
        EXPECT_EQ(lie.outBlock, output) << failAt;
    }
    RenderPreview(instance, true);
    EXPECT_EQ(*instance->result, noErr);
    EXPECT_NE(lie.outBlock, output);
    ReleasePreviewBuffers(instance);
}

}  // namespace
