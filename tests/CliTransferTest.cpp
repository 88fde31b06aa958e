// Handing images to the plug-in the way a host does, and taking them back.
#include "cli/ImageTransfer.h"
#include "cli/Progress.h"
#include "entry/Selectors.h"
#include "tests/CliTestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

uint16 HostSample(const HostImage& image, size_t index) {
    if (image.bytesPerSample == 1) return image.samples[index];
    uint16 value;
    memcpy(&value, &image.samples[index * 2], 2);
    return value;
}

TEST(CliTransfer, SixteenBitScaleConvertsBothWaysRounded) {
    EXPECT_EQ(HostFromPng16(0), 0);
    EXPECT_EQ(HostFromPng16(65535), 32768);
    EXPECT_EQ(HostFromPng16(1), 1);       // 0.50001 rounds up
    EXPECT_EQ(HostFromPng16(32767), 16384);
    EXPECT_EQ(HostFromPng16(32768), 16384);
    EXPECT_EQ(Png16FromHost(0), 0);
    EXPECT_EQ(Png16FromHost(32768), 65535);
    EXPECT_EQ(Png16FromHost(16384), 32768);  // 32767.5 rounds up
    EXPECT_EQ(Png16FromHost(40000), 65535);  // beyond full intensity
    for (uint32 host = 0; host <= 32768; ++host)
        ASSERT_EQ(HostFromPng16(Png16FromHost(uint16(host))), host) << host;
    uint16 previous = 0;
    for (uint32 value = 0; value <= 65535; ++value) {
        const uint16 host = HostFromPng16(uint16(value));
        ASSERT_GE(host, previous);
        ASSERT_LE(abs(int(Png16FromHost(host)) - int(value)), 1) << value;
        // Nearest: no other host value is closer.
        const double exact = value * 32768.0 / 65535.0;
        ASSERT_LE(std::abs(host - exact), 0.5 + 1e-9) << value;
        previous = host;
    }
}

TEST(CliTransfer, ModesPlanesAndTransparencyAsAHostReportsThem) {
    struct Case {
        int32 channels, depth;
        int16 mode, layerPlanes, transparency;
    };
    const Case cases[] = {
        {1, 8, plugInModeGrayScale, 1, 0}, {2, 8, plugInModeGrayScale, 1, 1},
        {3, 8, plugInModeRGBColor, 3, 0},  {4, 8, plugInModeRGBColor, 3, 1},
        {1, 16, plugInModeGray16, 1, 0},   {2, 16, plugInModeGray16, 1, 1},
        {3, 16, plugInModeRGB48, 3, 0},    {4, 16, plugInModeRGB48, 3, 1},
    };
    for (const Case& c : cases) {
        for (int32 width : {1, 2, 3, 5, 10}) {
            HostSettings settings;
            DescribeImage(PatternImage(width, 2, c.channels, c.depth), width, &settings);
            EXPECT_EQ(settings.imageMode, c.mode);
            EXPECT_EQ(settings.planes, c.channels);
            EXPECT_EQ(settings.inLayerPlanes, c.layerPlanes);
            EXPECT_EQ(settings.inTransparencyMask, c.transparency);
            EXPECT_TRUE(settings.reportColumnBytes);
            const int32 rowBytes = width * c.channels * (c.depth / 8) + settings.rowPadding;
            EXPECT_EQ(rowBytes % 4, 0);
            EXPECT_GE(settings.rowPadding, 4);
            EXPECT_LT(settings.rowPadding, 8);
        }
    }
}

TEST(CliTransfer, HostCopyIsOnTheHostScale) {
    const PngImage deep = PatternImage(6, 3, 4, 16);
    const HostImage host = HostImageFromPng(deep);
    EXPECT_EQ(host.bytesPerSample, 2);
    EXPECT_EQ(host.channels, 4);
    for (size_t i = 0; i < deep.samples.size(); ++i)
        ASSERT_EQ(HostSample(host, i), HostFromPng16(deep.samples[i]));
    const PngImage narrow = PatternImage(6, 3, 3, 8);
    const HostImage host8 = HostImageFromPng(narrow);
    EXPECT_EQ(host8.bytesPerSample, 1);
    for (size_t i = 0; i < narrow.samples.size(); ++i) ASSERT_EQ(HostSample(host8, i), narrow.samples[i]);
}

TEST(CliTransfer, UnchangedSamplesKeepTheFilesOwnValues) {
    const PngImage original = PatternImage(5, 4, 2, 16);
    const HostImage before = HostImageFromPng(original);
    HostImage after = before;
    // The host changed the gray sample of pixel 3 to full intensity and
    // that of pixel 7 to 12345.
    const uint16 full = 32768, some = 12345;
    memcpy(&after.samples[(3 * 2) * 2], &full, 2);
    memcpy(&after.samples[(7 * 2) * 2], &some, 2);
    const PngImage back = PngFromHostResult(original, before, after);
    for (size_t i = 0; i < original.samples.size(); ++i) {
        if (i == 6) {
            EXPECT_EQ(back.samples[i], 65535);
        } else if (i == 14) {
            EXPECT_EQ(back.samples[i], Png16FromHost(12345));
        } else {
            ASSERT_EQ(back.samples[i], original.samples[i]) << i;  // odd low bits survive
        }
    }
}

int32 countedPolls = 0;
void CountPoll(HostSession*) { ++countedPolls; }

TEST(CliTransfer, PluginPollsAsOftenAsTheProgressBarExpects) {
    struct Case {
        int32 width, height, channels;
    };
    for (const Case& c : {Case{40, 25, 1}, Case{41, 25, 2}, Case{33, 31, 3}, Case{1000, 3, 4}}) {
        const PngImage png = PatternImage(c.width, c.height, c.channels, 8);
        HostSettings settings;
        DescribeImage(png, c.width, &settings);
        HostSession session;
        OpenHostSession(&session, HostImageFromPng(png), settings);
        SetScriptDescriptor(&session, {ScriptItem{keyAmount, typeInteger, 4}});
        countedPolls = 0;
        session.onAbortPoll = CountPoll;
        ASSERT_EQ(RunFilterSession(&session, PluginMain, false), noErr);
        EXPECT_EQ(countedPolls, ExpectedPolls(int16(c.channels), c.width, c.height))
            << c.width << "x" << c.height << "x" << c.channels;
        CloseHostSession(&session);
    }
}

TEST(CliTransfer, ExpectedPollsCountPaintedPlanes) {
    EXPECT_EQ(ExpectedPolls(3, 1000, 1), 3);
    EXPECT_EQ(ExpectedPolls(4, 1001, 1), 6);  // transparency not painted
    EXPECT_EQ(ExpectedPolls(2, 10, 10), 1);
}

}  // namespace
