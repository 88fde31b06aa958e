// The plug-in's pass against the plain float-plane pass of
// tests/support/FilterReference.h: from the same generator state, on many random
// records (8- and 16-bit samples, 1 to 10 channels, selections, work
// rectangles away from the origin, odd row strides and unaligned rows,
// column bytes set, unset or wider than a pixel, Fireworks colours), both
// must write the same bytes, answer the same result, poll abortProc as
// often and leave the generator in the same state.
#include "entry/HostKind.h"
#include "filter/FilterPass.h"
#include "filter/PaintLabyrinth.h"
#include "filter/Samples.h"
#include "labyrinth/LabyrinthParts.h"
#include "tests/support/CountingHeap.h"
#include "tests/support/FilterReference.h"
#include "tests/support/LabyrinthCalls.h"
#include "tests/support/PassRecord.h"
#include "tests/support/PlaneColours.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

int32_t referencePolls = 0;
int32_t referenceCancelAt = 0;

Boolean PI_CDECL PollCounter() {
    ++referencePolls;
    return referenceCancelAt > 0 && referencePolls >= referenceCancelAt ? 1 : 0;
}

// A host record over buffers of its own, made from a random description.
struct RandomHost : PassRecord {
    std::vector<uint8_t> inStore;
    std::vector<uint8_t> outStore;
    std::vector<uint8_t> maskStore;
    size_t outOffset = 0;
    size_t outBytes = 0;
};

struct Description {
    int16 mode;
    int16 planes;
    int32_t imageWidth, imageHeight;
    Rect work;
    int32_t inColumnBytes, outColumnBytes;  // as the host reports them (0 = unset)
    int32_t inPadding, outPadding, maskPadding;
    size_t inOffset, outOffset;  // bytes before the first row: 1 leaves rows unaligned
    int32_t maskKind;            // 0 none, 1 shapes, 2 all unselected, 3 all selected
    int16 amount;
    RGBColor foreground, background;
    int32_t hostKind;
    uint32_t contentSeed;
    bool withAbortProc;
};

Description RandomDescription(std::mt19937* random) {
    auto pick = [random](int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, high)(*random);
    };
    Description d = {};
    const int16 modes[] = {plugInModeGrayScale, plugInModeRGBColor, plugInModeGray16,
                           plugInModeRGB48};
    d.mode = modes[pick(0, 3)];
    const int16 planeChoices[] = {1, 2, 3, 4, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    d.planes = planeChoices[pick(0, 13)];
    d.imageWidth = pick(1, 70);
    d.imageHeight = pick(1, 60);
    const int32_t left = pick(0, d.imageWidth - 1), top = pick(0, d.imageHeight - 1);
    d.work = Rect{int16(top), int16(left), int16(pick(top + 1, d.imageHeight)),
                  int16(pick(left + 1, d.imageWidth))};
    const int32_t pixelBytes =
        d.planes * (d.mode == plugInModeGray16 || d.mode == plugInModeRGB48 ? 2 : 1);
    const int32_t columnChoices[] = {0, pixelBytes, pixelBytes + pick(1, 5), -1};
    d.inColumnBytes = columnChoices[pick(0, 3)];
    d.outColumnBytes = columnChoices[pick(0, 3)];
    d.inPadding = pick(0, 7);
    d.outPadding = pick(0, 7);
    d.maskPadding = pick(0, 9);
    d.inOffset = size_t(pick(0, 1));
    d.outOffset = size_t(pick(0, 1));
    const int32_t maskKinds[] = {0, 0, 1, 1, 1, 2, 3};
    d.maskKind = maskKinds[pick(0, 6)];
    const int16 amounts[] = {0, 1, 2, 3, 4, 5, 7, 10, 13, 99};
    d.amount = amounts[pick(0, 9)];
    const int32_t kinds[] = {hostKindOther, hostKindPhotoshop, hostKindFireworks,
                             hostKindAfterEffects, hostKindPremiere};
    d.hostKind = kinds[pick(0, 4)];
    auto component = [&]() {
        const uint16 special[] = {0, 1, 127, 128, 255, 256, 32767, 32768, 65534, 65535};
        return pick(0, 2) == 0 ? special[pick(0, 9)] : uint16(pick(0, 65535));
    };
    d.foreground = RGBColor{component(), component(), component()};
    d.background = RGBColor{component(), component(), component()};
    d.contentSeed = uint32_t(pick(0, 1 << 30));
    d.withAbortProc = pick(0, 3) != 0;
    return d;
}

void Build(const Description& d, RandomHost* host) {
    const int32_t bytes = d.mode == plugInModeGray16 || d.mode == plugInModeRGB48 ? 2 : 1;
    const int32_t pixelBytes = d.planes * bytes;
    // Rows long enough for the widest column stride the record may use.
    const int32_t inStride = std::max(pixelBytes, d.inColumnBytes);
    const int32_t outStride = std::max(pixelBytes, d.outColumnBytes);
    const int32_t inRowBytes = d.imageWidth * inStride + d.inPadding;
    const int32_t outRowBytes = d.imageWidth * outStride + d.outPadding;
    std::mt19937 content(d.contentSeed);
    host->inStore.resize(d.inOffset + size_t(inRowBytes) * size_t(d.imageHeight));
    for (uint8_t& byte : host->inStore) byte = uint8_t(content());
    host->outOffset = d.outOffset;
    host->outBytes = size_t(outRowBytes) * size_t(d.imageHeight);
    host->outStore.resize(d.outOffset + host->outBytes);
    for (uint8_t& byte : host->outStore) byte = uint8_t(content());

    SetUpPassRecord(
        host,
        PassImage{d.mode, d.planes, d.imageWidth, d.imageHeight, host->inStore.data() + d.inOffset,
                  inRowBytes, host->outStore.data() + d.outOffset, outRowBytes},
        d.amount);
    host->result = 77;
    FilterRecord& record = host->record;
    record.wholeSize = Point{int16(d.imageHeight), int16(d.imageWidth)};
    record.inColumnBytes = d.inColumnBytes;
    record.outColumnBytes = d.outColumnBytes;
    record.foreground = d.foreground;
    record.background = d.background;
    record.abortProc = d.withAbortProc ? PollCounter : nullptr;
    if (d.maskKind != 0) {
        const int32_t maskRowBytes = d.imageWidth + d.maskPadding;
        host->maskStore.assign(size_t(maskRowBytes) * size_t(d.imageHeight), 0);
        for (int32_t r = 0; r < d.imageHeight; ++r) {
            for (int32_t c = 0; c < d.imageWidth; ++c) {
                uint8_t value = d.maskKind == 3 ? uint8_t(1 + content() % 255) : 0;
                if (d.maskKind == 1) {
                    // Two discs and a band, in partial and full values.
                    const int32_t dx = c - d.imageWidth / 3, dy = r - d.imageHeight / 2;
                    const int32_t ex = c - 2 * d.imageWidth / 3, ey = r - d.imageHeight / 3;
                    if (dx * dx + dy * dy < d.imageWidth * d.imageWidth / 9) value = 255;
                    if (ex * ex + ey * ey < d.imageHeight * d.imageHeight / 8) value = 128;
                    if ((r + c) % 13 == 0) value = uint8_t(content() % 2);
                }
                host->maskStore[size_t(r) * size_t(maskRowBytes) + size_t(c)] = value;
            }
        }
        SetPassMask(host, host->maskStore.data(), maskRowBytes);
    }
    host->instance.workRect = d.work;
}

// What one pass did: the whole output buffer, the result, the column bytes
// afterwards, the polls, the direction order and the next random number.
struct Outcome {
    std::vector<uint8_t> out;
    int16 result;
    int32 inColumnBytes, outColumnBytes;
    int32_t polls;
    char order[4];
    int next;
    size_t heldAfter;
};

template <typename Pass>
Outcome RunPass(const Description& d, unsigned seed, int32_t cancelAt, Pass pass) {
    RandomHost host;
    Build(d, &host);
    const int32_t savedKind = HostKind;
    const int32_t savedWidth = resolutionWidth;
    HostKind = d.hostKind;
    resolutionWidth = 0;
    referencePolls = 0;
    referenceCancelAt = cancelAt;
    ResetDirectionOrder();
    srand(seed);
    const size_t held = heapBytesInUse;
    pass(&host.instance);
    Outcome outcome;
    outcome.heldAfter = heapBytesInUse - held;
    outcome.next = rand();
    memcpy(outcome.order, directionOrder, sizeof outcome.order);
    outcome.out = host.outStore;
    outcome.result = host.result;
    outcome.inColumnBytes = host.record.inColumnBytes;
    outcome.outColumnBytes = host.record.outColumnBytes;
    outcome.polls = referencePolls;
    HostKind = savedKind;
    resolutionWidth = savedWidth;
    referenceCancelAt = 0;
    ResetDirectionOrder();
    return outcome;
}

void ExpectSameOutcome(const Outcome& plugIn, const Outcome& yardstick) {
    EXPECT_EQ(plugIn.result, yardstick.result);
    EXPECT_EQ(plugIn.polls, yardstick.polls);
    EXPECT_EQ(plugIn.inColumnBytes, yardstick.inColumnBytes);
    EXPECT_EQ(plugIn.outColumnBytes, yardstick.outColumnBytes);
    EXPECT_EQ(memcmp(plugIn.order, yardstick.order, 4), 0);
    EXPECT_EQ(plugIn.next, yardstick.next) << "the same random numbers were drawn";
    EXPECT_EQ(plugIn.heldAfter, 0u);
    ASSERT_EQ(plugIn.out.size(), yardstick.out.size());
    for (size_t i = 0; i < plugIn.out.size(); ++i) {
        ASSERT_EQ(plugIn.out[i], yardstick.out[i]) << "output byte " << i;
    }
}

std::string Describe(const Description& d) {
    char text[400];
    snprintf(text, sizeof text,
             "mode %d planes %d image %dx%d work %d,%d,%d,%d column bytes %d/%d padding %d/%d/%d "
             "offsets %zu/%zu mask %d amount %d host %d colours %u,%u,%u/%u,%u,%u abort %d",
             d.mode, d.planes, d.imageWidth, d.imageHeight, d.work.top, d.work.left, d.work.bottom,
             d.work.right, d.inColumnBytes, d.outColumnBytes, d.inPadding, d.outPadding,
             d.maskPadding, d.inOffset, d.outOffset, d.maskKind, d.amount, d.hostKind,
             d.foreground.red, d.foreground.green, d.foreground.blue, d.background.red,
             d.background.green, d.background.blue, d.withAbortProc);
    return text;
}

TEST(FilterReference, SameBytesOnRandomRecords) {
    std::mt19937 random(20261208);
    int32_t filtered = 0;
    for (int32_t trial = 0; trial < 600; ++trial) {
        Description d = RandomDescription(&random);
        SCOPED_TRACE(Describe(d));
        const unsigned seed = unsigned(random());
        const Outcome plugIn = RunPass(d, seed, 0, RunFilterPass);
        const Outcome yardstick = RunPass(d, seed, 0, reference::RunFilterPass);
        ExpectSameOutcome(plugIn, yardstick);
        filtered += plugIn.result == noErr;
        if (HasFatalFailure()) return;
    }
    // Nearly every record is one the pass filters (a negative column
    // stride is refused by both).
    EXPECT_GT(filtered, 450);
}

TEST(FilterReference, SameBytesOnLargerImages) {
    std::mt19937 random(7);
    for (int32_t trial = 0; trial < 12; ++trial) {
        Description d = RandomDescription(&random);
        d.imageWidth = 300 + int32_t(random() % 200);
        d.imageHeight = 200 + int32_t(random() % 100);
        d.work = Rect{int16(random() % 20), int16(random() % 30),
                      int16(d.imageHeight - random() % 20), int16(d.imageWidth - random() % 30)};
        d.inColumnBytes = 0;
        SCOPED_TRACE(Describe(d));
        const unsigned seed = unsigned(random());
        ExpectSameOutcome(RunPass(d, seed, 0, RunFilterPass),
                          RunPass(d, seed, 0, reference::RunFilterPass));
        if (HasFatalFailure()) return;
    }
}

// A cancel at any poll: both answer -128 after as many polls, and neither
// writes a byte.
TEST(FilterReference, SameCancelAtAnyPoll) {
    std::mt19937 random(99);
    for (int32_t trial = 0; trial < 150; ++trial) {
        Description d = RandomDescription(&random);
        d.withAbortProc = true;
        d.inColumnBytes = 0;
        d.outColumnBytes = 0;
        const unsigned seed = unsigned(random());
        const Outcome whole = RunPass(d, seed, 0, reference::RunFilterPass);
        ASSERT_EQ(whole.result, noErr);
        const int32_t cancelAt = 1 + int32_t(random() % uint32_t(whole.polls));
        SCOPED_TRACE(Describe(d) + " cancel at poll " + std::to_string(cancelAt));
        const Outcome plugIn = RunPass(d, seed, cancelAt, RunFilterPass);
        const Outcome yardstick = RunPass(d, seed, cancelAt, reference::RunFilterPass);
        EXPECT_EQ(plugIn.result, userCanceledErr);
        EXPECT_EQ(plugIn.polls, cancelAt);
        ExpectSameOutcome(plugIn, yardstick);
        RandomHost untouched;
        Build(d, &untouched);
        EXPECT_EQ(plugIn.out, untouched.outStore);
        if (HasFatalFailure()) return;
    }
}

// A channel that goes back as read comes out as the float round trip
// would give it, for every possible sample.
TEST(FilterReference, PassedThroughSamplesEqualTheFloatRoundTrip) {
    for (int32_t sample = 0; sample <= 255; ++sample) {
        const float plane = float(sample * 0.00392156862745098);
        ASSERT_EQ(PassThroughSample(sample, 1), SampleOf(plane, 255)) << sample;
        ASSERT_EQ(PassThroughSample(sample, 1), sample);
    }
    for (int32_t sample = 0; sample <= 65535; ++sample) {
        const float plane = float(sample * (1.0 / 32768.0));
        ASSERT_EQ(PassThroughSample(sample, 2), SampleOf(plane, 32768)) << sample;
        ASSERT_EQ(PassThroughSample(sample, 2), std::min(sample, 32768));
    }
}

// The painted samples are those a float plane holding the colour would
// have been written as, for every component on both scales.
TEST(FilterReference, PaintedSamplesEqualTheFloatRoundTrip) {
    FilterRecord record = {};
    for (int32_t kind : {hostKindOther, hostKindFireworks}) {
        for (int16 mode : {plugInModeRGBColor, plugInModeRGB48}) {
            record.imageMode = mode;
            record.planes = 3;
            const int32_t largest = mode == plugInModeRGBColor ? 255 : 32768;
            for (int32_t component = 0; component <= 65535; ++component) {
                const uint16 value = uint16(component);
                record.foreground = RGBColor{value, uint16(65535 - component), value};
                record.background =
                    RGBColor{uint16(component / 2), value, uint16(component ^ 0x5555)};
                const LabyrinthSamples samples = LabyrinthSamplesOf(&record, kind);
                const PlaneColour wall = PlaneColourOf(record.foreground, kind);
                const PlaneColour corridor = PlaneColourOf(record.background, kind);
                for (int32_t l = 0; l < 3; ++l) {
                    ASSERT_EQ(samples.wall[l], SampleOf(float(wall.components[l]), largest));
                    ASSERT_EQ(samples.corridor[l],
                              SampleOf(float(corridor.components[l]), largest));
                }
            }
        }
    }
}

}  // namespace
