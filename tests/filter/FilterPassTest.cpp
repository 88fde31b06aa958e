// The filter pass over hand-made host records.
#include "entry/HostKind.h"
#include "entry/Selectors.h"
#include "filter/FilterPass.h"
#include "filter/PaintLabyrinth.h"
#include "filter/PlaneCount.h"
#include "filter/ResolutionFactor.h"
#include "filter/Samples.h"
#include "labyrinth/LabyrinthParts.h"
#include "testhost/HostSession.h"
#include "tests/support/CountingHeap.h"
#include "tests/support/FilterTestHost.h"
#include "tests/support/LabyrinthCalls.h"
#include "tests/support/PlaneColours.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Keeps HostKind and the generator's state for the test and puts them back.
struct PassState {
    int32_t hostKind = HostKind;
    char order[4];
    PassState() { memcpy(order, directionOrder, sizeof order); }
    ~PassState() { HostKind = hostKind; }
};

// The grid that BuildLabyrinth makes from the given generator state: the
// pass, started from the same state, must have painted exactly this.
std::vector<uint8_t> GridFrom(const char order[4], unsigned seed, int32_t width, int32_t height,
                              int32_t pitch, const uint8_t* mask) {
    std::vector<uint8_t> grid(size_t(width) * size_t(height), 0xFF);
    memcpy(directionOrder, order, 4);
    srand(seed);
    EXPECT_TRUE(BuildLabyrinth(grid.data(), pitch, width, height, mask));
    return grid;
}

// Runs the pass from a known generator state and answers the grid that
// BuildLabyrinth gives from that same state, with the mask the pass saw.
std::vector<uint8_t> RunPassAndRebuild(TestHost* host, unsigned seed) {
    PassState state;
    srand(seed);
    RunFilterPass(&host->instance);
    const Rect& work = host->instance.workRect;
    const int32_t width = work.right - work.left;
    const int32_t height = work.bottom - work.top;
    std::vector<uint8_t> mask;
    if (host->record.haveMask) {
        for (int32_t r = work.top; r < work.bottom; ++r) {
            for (int32_t c = work.left; c < work.right; ++c)
                mask.push_back(
                    host->mask[size_t(r) * size_t(host->record.maskRowBytes) + size_t(c)]);
        }
    }
    return GridFrom(state.order, seed, width, height, host->parameters.Amount + 1,
                    mask.empty() ? nullptr : mask.data());
}

int32_t Expected(uint16 component, int32_t bytesPerSample) {
    return SampleOf(float(component * 0.000015259021896696422), bytesPerSample == 1 ? 255 : 32768);
}

// Every pixel of the work rectangle is the wall colour where the grid has
// a wall and the corridor colour elsewhere, in the painted planes; the
// other planes up to the eighth keep the values read, and channels from
// the ninth on and everything outside the rectangle are not written.
void ExpectLabyrinth(const TestHost& host, const std::vector<uint8_t>& grid, int32_t painted) {
    const Rect& work = host.instance.workRect;
    const int32_t width = work.right - work.left;
    const RGBColor fg = host.record.foreground;
    const RGBColor bg = host.record.background;
    const uint16 wall[3] = {fg.red, fg.green, fg.blue};
    const uint16 corridor[3] = {bg.red, bg.green, bg.blue};
    const int32_t untouched = host.bytesPerSample == 1 ? 0xA5 : 0xA5A5;
    const int32_t largest = host.bytesPerSample == 1 ? 255 : 32768;
    for (int32_t r = 0; r < host.height; ++r) {
        for (int32_t c = 0; c < host.width; ++c) {
            const bool inside =
                r >= work.top && r < work.bottom && c >= work.left && c < work.right;
            for (int32_t l = 0; l < host.record.planes; ++l) {
                const int32_t out = ReadSample(host.out, host, r, c, l);
                if (!inside || l >= maxPlaneCount) {
                    ASSERT_EQ(out, untouched) << r << "," << c << "," << l;
                } else if (l < painted) {
                    const bool isWall =
                        grid[size_t(r - work.top) * size_t(width) + size_t(c - work.left)] == Wall;
                    const int32_t want =
                        Expected(isWall ? wall[l] : corridor[l], host.bytesPerSample);
                    ASSERT_EQ(out, want) << r << "," << c << "," << l;
                } else {
                    ASSERT_EQ(out, std::min(ReadSample(host.in, host, r, c, l), largest))
                        << r << "," << c << "," << l;
                }
            }
        }
    }
}

TEST(FilterPass, PaintsTheLabyrinthInTheHostColoursOnTheLattice) {
    for (int16 mode : {plugInModeRGBColor, plugInModeRGB48}) {
        TestHost host;
        SetUpTestHost(&host, mode, 3, 40, 31);
        host.record.foreground = RGBColor{65535, 32768, 0};
        host.record.background = RGBColor{1000, 65535, 20000};
        host.parameters.Amount = 4;
        host.result = 55;
        const std::vector<uint8_t> grid = RunPassAndRebuild(&host, 7);
        EXPECT_EQ(host.result, 0);
        ExpectLabyrinth(host, grid, 3);

        // Walls one pixel wide on lines every 5 pixels, the border closed,
        // and more walls than the border alone.
        int32_t walls = 0;
        for (int32_t r = 0; r < 31; ++r) {
            for (int32_t c = 0; c < 40; ++c) {
                const bool isWall =
                    ReadSample(host.out, host, r, c, 0) != Expected(1000, host.bytesPerSample);
                const bool border = r == 0 || c == 0 || r == 30 || c == 39;
                if (border) {
                    EXPECT_TRUE(isWall) << r << "," << c;
                } else if (isWall) {
                    EXPECT_TRUE(r % 5 == 0 || c % 5 == 0) << r << "," << c;
                }
                walls += isWall;
            }
        }
        EXPECT_GT(walls, 2 * 40 + 2 * 29);
    }
}

TEST(FilterPass, LatticeIsAnchoredAtTheWorkRectanglesCorner) {
    TestHost host;
    SetUpTestHost(&host, plugInModeRGBColor, 3, 30, 25);
    host.instance.workRect = Rect{3, 5, 24, 27};
    host.parameters.Amount = 3;
    host.record.inColumnBytes = 0;
    host.record.outColumnBytes = 0;
    const std::vector<uint8_t> grid = RunPassAndRebuild(&host, 11);
    EXPECT_EQ(host.record.inColumnBytes, 3);
    EXPECT_EQ(host.record.outColumnBytes, 3);
    ASSERT_EQ(host.result, 0);
    ExpectLabyrinth(host, grid, 3);
    for (int32_t r = 3; r < 24; ++r) {
        for (int32_t c = 5; c < 27; ++c) {
            const bool isWall = ReadSample(host.out, host, r, c, 1) == 0;
            if (isWall) {
                EXPECT_TRUE((r - 3) % 4 == 0 || (c - 5) % 4 == 0 || r == 23 || c == 26)
                    << r << "," << c;
            }
        }
    }
}

TEST(FilterPass, SelectionShapesTheLabyrinth) {
    TestHost host;
    SetUpTestHost(&host, plugInModeGrayScale, 1, 33, 29);
    AddTestMask(&host, 0);
    for (int32_t r = 4; r < 25; ++r) {
        for (int32_t c = 6; c < 30; ++c)
            host.mask[size_t(r) * size_t(host.record.maskRowBytes) + size_t(c)] = r % 2 ? 255 : 1;
    }
    host.instance.workRect = Rect{2, 1, 27, 32};
    host.record.foreground = RGBColor{40000, 0, 0};  // gray takes red
    host.record.background = RGBColor{0, 65535, 65535};
    const std::vector<uint8_t> grid = RunPassAndRebuild(&host, 3);
    ASSERT_EQ(host.result, 0);
    ExpectLabyrinth(host, grid, 1);
    // Unselected pixels are walls.
    EXPECT_EQ(ReadSample(host.out, host, 3, 5, 0), Expected(40000, 1));
    EXPECT_EQ(ReadSample(host.out, host, 26, 31, 0), Expected(40000, 1));

    // A selection of nothing makes every pixel a wall.
    SetUpTestHost(&host, plugInModeGrayScale, 1, 9, 8);
    AddTestMask(&host, 0);
    host.record.foreground = RGBColor{65535, 0, 0};
    RunFilterPass(&host.instance);
    ASSERT_EQ(host.result, 0);
    for (int32_t r = 0; r < 8; ++r) {
        for (int32_t c = 0; c < 9; ++c) ASSERT_EQ(ReadSample(host.out, host, r, c, 0), 255);
    }
}

TEST(FilterPass, TransparencyAndExtraChannelsKeepTheirValues) {
    struct Case {
        int16 mode;
        int16 planes;
        int32_t painted;
    };
    const Case cases[] = {{plugInModeGrayScale, 2, 1}, {plugInModeRGBColor, 4, 3},
                          {plugInModeRGB48, 4, 3},     {plugInModeGray16, 2, 1},
                          {plugInModeRGBColor, 5, 3},  {plugInModeRGBColor, 10, 3},
                          {plugInModeRGB48, 9, 3},     {plugInModeGrayScale, 1, 1}};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.planes);
        EXPECT_EQ(PaintedPlaneCount(test.planes), test.painted);
        TestHost host;
        SetUpTestHost(&host, test.mode, test.planes, 23, 17);
        host.record.foreground = RGBColor{65535, 100, 5000};
        host.record.background = RGBColor{300, 65535, 40000};
        const std::vector<uint8_t> grid = RunPassAndRebuild(&host, 5);
        ASSERT_EQ(host.result, 0);
        ExpectLabyrinth(host, grid, test.painted);
    }
}

TEST(FilterPass, HostColoursAreScaledForTheHost) {
    PassState state;
    TestHost host;
    // All unselected: every pixel takes the wall colour.
    HostKind = hostKindFireworks;
    SetUpTestHost(&host, plugInModeRGBColor, 3, 5, 4);
    AddTestMask(&host, 0);
    host.record.foreground = RGBColor{255, 128, 0};
    RunFilterPass(&host.instance);
    ASSERT_EQ(host.result, 0);
    EXPECT_EQ(ReadSample(host.out, host, 2, 3, 0), 255);
    EXPECT_EQ(ReadSample(host.out, host, 2, 3, 1), 128);
    EXPECT_EQ(ReadSample(host.out, host, 2, 3, 2), 0);
    EXPECT_EQ(PlaneColourOf(RGBColor{255, 0, 0}, hostKindFireworks).components[0], 1.0);

    for (int32_t kind : {hostKindOther, hostKindPhotoshop, hostKindPremiere}) {
        HostKind = kind;
        SetUpTestHost(&host, plugInModeRGBColor, 3, 5, 4);
        AddTestMask(&host, 0);
        host.record.foreground = RGBColor{65535, 255, 32896};
        RunFilterPass(&host.instance);
        ASSERT_EQ(host.result, 0);
        EXPECT_EQ(ReadSample(host.out, host, 1, 1, 0), 255);
        EXPECT_EQ(ReadSample(host.out, host, 1, 1, 1), 1);
        EXPECT_EQ(ReadSample(host.out, host, 1, 1, 2), 128);

        SetUpTestHost(&host, plugInModeRGB48, 3, 5, 4);
        AddTestMask(&host, 0);
        host.record.foreground = RGBColor{65535, 0, 32768};
        RunFilterPass(&host.instance);
        ASSERT_EQ(host.result, 0);
        EXPECT_EQ(ReadSample(host.out, host, 3, 4, 0), 32768);
        EXPECT_EQ(ReadSample(host.out, host, 3, 4, 1), 0);
        EXPECT_EQ(ReadSample(host.out, host, 3, 4, 2), 16384);
    }
}

TEST(FilterPass, CancelAtTheFirstPollWritesNothing) {
    for (int32_t cancelAt : {1, 2, 7}) {
        TestHost host;
        SetUpTestHost(&host, plugInModeRGBColor, 3, 60, 50);  // 3 polls per plane
        host.record.abortProc = CountingAbortProc;
        cancelAtPoll = cancelAt;
        const std::vector<uint8_t> before = host.out;
        const size_t bytes = heapBytesInUse;
        RunFilterPass(&host.instance);
        EXPECT_EQ(host.result, userCanceledErr);
        EXPECT_EQ(abortPolls, cancelAt);
        EXPECT_EQ(host.out, before);
        EXPECT_EQ(heapBytesInUse, bytes);
    }
}

TEST(FilterPass, AbortProcIsPolledEveryThousandPixelsOfEachPaintedPlane) {
    struct Case {
        int16 planes;
        int32_t width, height, polls;
    };
    const Case cases[] = {{3, 50, 41, 9}, {4, 50, 41, 9}, {2, 50, 41, 3}, {1, 50, 20, 1},
                          {3, 77, 13, 6}, {1, 1, 1, 1},   {5, 40, 25, 3}, {3, 100, 100, 30}};
    for (const Case& test : cases) {
        TestHost host;
        SetUpTestHost(&host, plugInModeGrayScale, test.planes, test.width, test.height);
        host.record.abortProc = CountingAbortProc;
        RunFilterPass(&host.instance);
        EXPECT_EQ(host.result, 0);
        EXPECT_EQ(abortPolls, test.polls)
            << test.planes << " planes " << test.width << "x" << test.height;
    }
}

TEST(FilterPass, EveryFailedAllocationAnswersOutOfMemoryAndTouchesNothing) {
    for (bool withMask : {false, true}) {
        SCOPED_TRACE(withMask);
        int32_t failAt = 1;
        for (;; ++failAt) {
            TestHost host;
            SetUpTestHost(&host, plugInModeRGBColor, 4, 64, 48);
            if (withMask) {
                AddTestMask(&host, 0);  // every pixel a seed: the frontier list grows
                for (size_t i = 0; i < host.mask.size(); i += 3) host.mask[i] = 255;
            }
            const std::vector<uint8_t> before = host.out;
            const size_t bytes = heapBytesInUse;
            heapAllocFailAt = failAt;
            RunFilterPass(&host.instance);
            const bool hookFired = heapAllocFailAt == 0;
            heapAllocFailAt = 0;
            EXPECT_EQ(heapBytesInUse, bytes) << "allocation " << failAt;
            if (!hookFired) {
                EXPECT_EQ(host.result, 0);
                EXPECT_NE(host.out, before);
                break;
            }
            EXPECT_EQ(host.result, memFullErr) << "allocation " << failAt;
            EXPECT_EQ(host.out, before) << "allocation " << failAt;
        }
        // The grid, the frontier list, its first array, and the array sized
        // once for every entry the labyrinth can push: four allocations, the
        // fifth chance does not fire.
        EXPECT_EQ(failAt, 5);
    }
}

// The pass keeps one byte per pixel (the grid) and the frontier list: no
// float planes, no copy of the mask, whatever the channel count.
TEST(FilterPass, WorkingMemoryIsTheGridAndTheFrontierList) {
    struct Case {
        int16 mode;
        int16 planes;
        bool mask;
    };
    const Case cases[] = {{plugInModeRGBColor, 3, false},
                          {plugInModeRGB48, 4, true},
                          {plugInModeGray16, 1, true},
                          {plugInModeRGBColor, 10, false}};
    for (const Case& test : cases) {
        TestHost host;
        SetUpTestHost(&host, test.mode, test.planes, 300, 200);
        if (test.mask) AddTestMask(&host, 255);  // all selected: the border's seeds
        const size_t base = heapBytesInUse;
        heapPeakBytes = base;
        RunFilterPass(&host.instance);
        ASSERT_EQ(host.result, 0);
        const size_t pixels = 300 * 200;
        // Border and lattice points of pitch 11 stay below 2048 entries.
        EXPECT_LE(heapPeakBytes - base, pixels + 2048 * sizeof(uint32_t) + 256)
            << test.planes << " planes";
        EXPECT_GE(heapPeakBytes - base, pixels);
    }
}

TEST(FilterPass, RecordsThatCannotBeFilteredAreRefused) {
    struct Spoil {
        const char* what;
        void (*apply)(TestHost*);
    };
    const Spoil spoils[] = {
        {"no parameters", [](TestHost* h) { h->record.parameters = nullptr; }},
        {"empty parameter handle", [](TestHost* h) { h->parameterBlock = nullptr; }},
        {"negative Amount", [](TestHost* h) { h->parameters.Amount = -1; }},
        {"lowest Amount", [](TestHost* h) { h->parameters.Amount = -32768; }},
        {"no input", [](TestHost* h) { h->record.inData = nullptr; }},
        {"no output", [](TestHost* h) { h->record.outData = nullptr; }},
        {"mask promised, none given", [](TestHost* h) { h->record.haveMask = 1; }},
        {"no planes", [](TestHost* h) { h->record.planes = 0; }},
        {"rectangle before the buffer", [](TestHost* h) { h->instance.workRect.top = -1; }},
        {"rectangle left of the buffer", [](TestHost* h) { h->instance.workRect.left = -2; }},
    };
    for (const Spoil& spoil : spoils) {
        TestHost host;
        SetUpTestHost(&host, plugInModeRGBColor, 3, 12, 10);
        host.record.abortProc = CountingAbortProc;
        spoil.apply(&host);
        const std::vector<uint8_t> before = host.out;
        const int32_t allocations = heapAllocCount;
        RunFilterPass(&host.instance);
        EXPECT_EQ(host.result, filterBadParameters) << spoil.what;
        EXPECT_EQ(host.out, before) << spoil.what;
        EXPECT_EQ(heapAllocCount, allocations) << spoil.what;
        EXPECT_EQ(abortPolls, 0) << spoil.what;
    }

    FilterInstance bare = {};
    int16 result = 0;
    bare.result = &result;
    RunFilterPass(&bare);  // no record at all
    EXPECT_EQ(result, filterBadParameters);
    bare.result = nullptr;
    RunFilterPass(&bare);  // nowhere to report: nothing happens
    RunFilterPass(nullptr);
}

TEST(FilterPass, AmountZeroMeansALatticePitchOfOne) {
    TestHost host;
    SetUpTestHost(&host, plugInModeGrayScale, 1, 9, 7);
    host.parameters.Amount = 0;  // pitch 1
    const std::vector<uint8_t> grid = RunPassAndRebuild(&host, 1);
    ASSERT_EQ(host.result, 0);
    ExpectLabyrinth(host, grid, 1);
}

TEST(FilterPass, EmptyRectangleDoesNothingAndKeepsTheResult) {
    const Rect empties[] = {{4, 2, 4, 9}, {1, 5, 6, 5}, {6, 2, 3, 9}, {1, 8, 6, 2}};
    for (const Rect& empty : empties) {
        TestHost host;
        SetUpTestHost(&host, plugInModeRGBColor, 3, 12, 10);
        host.record.parameters = nullptr;  // not even looked at
        host.instance.workRect = empty;
        host.result = 42;
        const std::vector<uint8_t> before = host.out;
        const int32_t allocations = heapAllocCount;
        RunFilterPass(&host.instance);
        EXPECT_EQ(host.result, 42);
        EXPECT_EQ(host.out, before);
        EXPECT_EQ(heapAllocCount, allocations);
    }
}

// The whole run through the entry point, as a host without the dialog
// drives it: only the filter rectangle is delivered, the host leaves the
// column bytes unset and pads its rows.
TEST(FilterPass, RunsThroughTheHostsSelectors) {
    HostImage image;
    image.width = 60;
    image.height = 40;
    image.channels = 3;
    image.bytesPerSample = 2;
    for (int32_t i = 0; i < 60 * 40 * 3; ++i) {
        const uint16_t sample = uint16_t(i * 37 % 32769);
        image.samples.push_back(uint8_t(sample & 0xFF));
        image.samples.push_back(uint8_t(sample >> 8));
    }
    HostSettings settings;
    settings.imageMode = plugInModeRGB48;
    settings.planes = 3;
    settings.filterRect = Rect{5, 7, 35, 52};
    settings.reportColumnBytes = false;
    settings.haveDescriptorSuites = false;
    settings.foreground = RGBColor{65535, 0, 0};
    settings.background = RGBColor{0, 0, 65535};

    HostSession session;
    OpenHostSession(&session, image, settings);
    ASSERT_EQ(RunFilterSession(&session, PluginMain, false), 0);
    EXPECT_GE(session.abortPolls, 3 * 2);  // 1350 pixels: two polls per plane
    const HostBytes& out = session.result.samples;
    ASSERT_EQ(out.size(), image.samples.size());
    auto sampleAt = [&](const HostBytes& samples, int32_t r, int32_t c, int32_t l) {
        const size_t at = (size_t(r) * 60 + size_t(c)) * 6 + size_t(l) * 2;
        return int32_t(samples[at] | samples[at + 1] << 8);
    };
    int32_t walls = 0;
    for (int32_t r = 0; r < 40; ++r) {
        for (int32_t c = 0; c < 60; ++c) {
            const bool inside = r >= 5 && r < 35 && c >= 7 && c < 52;
            if (!inside) {
                for (int32_t l = 0; l < 3; ++l)
                    ASSERT_EQ(sampleAt(out, r, c, l), sampleAt(image.samples, r, c, l));
                continue;
            }
            const bool isWall = sampleAt(out, r, c, 0) == 32768;
            ASSERT_EQ(sampleAt(out, r, c, 1), 0);
            ASSERT_EQ(sampleAt(out, r, c, 2), isWall ? 0 : 32768) << r << "," << c;
            const bool border = r == 5 || r == 34 || c == 7 || c == 51;
            if (border) {
                EXPECT_TRUE(isWall) << r << "," << c;
            } else if (isWall) {
                EXPECT_TRUE((r - 5) % 11 == 0 || (c - 7) % 11 == 0) << r << "," << c;
            }
            walls += isWall;
        }
    }
    EXPECT_GT(walls, 2 * 45 + 2 * 28);
    CloseHostSession(&session);

    settings.cancelAtPoll = 1;
    OpenHostSession(&session, image, settings);
    EXPECT_EQ(RunFilterSession(&session, PluginMain, false), userCanceledErr);
    EXPECT_EQ(session.abortPolls, 1);
    CloseHostSession(&session);
}

TEST(ResolutionFactor, TellsFullHalfAndQuarterRendersApart) {
    const int32_t saved = resolutionWidth;
    resolutionWidth = 0;
    EXPECT_EQ(ResolutionFactor(0), 1.0);
    EXPECT_EQ(ResolutionFactor(801), 1.0);  // a new full width
    EXPECT_EQ(resolutionWidth, 801);
    EXPECT_EQ(ResolutionFactor(801), 1.0);
    EXPECT_EQ(ResolutionFactor(401), 0.5);   // ceil(400.5)
    EXPECT_EQ(ResolutionFactor(201), 0.25);  // ceil(200.25)
    EXPECT_EQ(resolutionWidth, 801);
    EXPECT_EQ(ResolutionFactor(400), 1.0);  // neither: remembered afresh
    EXPECT_EQ(resolutionWidth, 400);
    EXPECT_EQ(ResolutionFactor(100), 0.25);
    EXPECT_EQ(ResolutionFactor(200), 0.5);
    resolutionWidth = saved;
}

TEST(ResolutionFactor, OnlyAfterEffectsPassesWorkItOutAndNothingChanges) {
    PassState state;
    const int32_t saved = resolutionWidth;
    for (int32_t kind : {hostKindAfterEffects, hostKindPhotoshop}) {
        HostKind = kind;
        resolutionWidth = 0;
        TestHost host;
        SetUpTestHost(&host, plugInModeRGBColor, 3, 20, 15);
        host.record.wholeSize = Point{15, 640};
        const std::vector<uint8_t> grid = RunPassAndRebuild(&host, 9);
        ASSERT_EQ(host.result, 0);
        ExpectLabyrinth(host, grid, 3);
        EXPECT_EQ(resolutionWidth, kind == hostKindAfterEffects ? 640 : 0);

        // Not worked out for an empty rectangle.
        resolutionWidth = 0;
        host.instance.workRect.right = host.instance.workRect.left;
        RunFilterPass(&host.instance);
        EXPECT_EQ(resolutionWidth, 0);
    }
    resolutionWidth = saved;
}

}  // namespace
