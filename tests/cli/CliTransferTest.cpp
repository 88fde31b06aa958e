// Handing images to the plug-in the way a host does, and taking them back.
#include "cli/ImageTransfer.h"
#include "cli/Progress.h"
#include "cli/WholeImage.h"
#include "entry/ModuleState.h"
#include "entry/Selectors.h"
#include "tests/support/CliTestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Sample `index` of the image counted without row padding.
uint16 HostSample(const HostImage& image, size_t index) {
    const size_t perRow = size_t(image.width) * image.channels;
    const size_t at =
        (index / perRow) * HostRowBytes(image) + (index % perRow) * image.bytesPerSample;
    if (image.bytesPerSample == 1) return image.samples[at];
    uint16 value;
    memcpy(&value, &image.samples[at], 2);
    return value;
}

// The image through a PNG file into the host, as the command line reads it.
HostImage HostFromWhole(const WholeImage& whole, HostTransfer* transfer) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(EncodeImageBytes(whole, imageFormatPng, EncodeOptions(), &bytes, &error)) << error;
    FILE* file = tmpfile();
    fwrite(bytes.data(), 1, bytes.size(), file);
    rewind(file);
    ImageDecoder* decoder = nullptr;
    ImageInfo info;
    HostImage host;
    EXPECT_TRUE(OpenImageDecoder(file, "pattern", &decoder, &info, &error)) << error;
    EXPECT_TRUE(DecodeIntoHost(decoder, info, &host, transfer, RowProgress(), &error)) << error;
    CloseImageDecoder(decoder);
    fclose(file);
    return host;
}

HostImage HostFromWhole(const WholeImage& whole) {
    HostTransfer transfer;
    return HostFromWhole(whole, &transfer);
}

// The whole result as the file would get it.
std::vector<uint16_t> ResultSamples(const HostImage& before, const HostImage& after,
                                    const HostTransfer& transfer, int32 depth) {
    ResultRows rows;
    PrepareResultRows(&rows, before, after, transfer, depth);
    std::vector<uint16_t> samples;
    const size_t perRow = size_t(before.width) * before.channels;
    for (int32 y = 0; y < before.height; ++y) {
        const uint8_t* row = ResultRowAt(&rows, y);
        for (size_t i = 0; i < perRow; ++i) {
            uint16_t value = row[i];
            if (depth == 16) memcpy(&value, row + i * 2, 2);
            samples.push_back(value);
        }
    }
    return samples;
}

TEST(CliTransfer, SixteenBitScaleConvertsBothWaysRounded) {
    EXPECT_EQ(HostFromPng16(0), 0);
    EXPECT_EQ(HostFromPng16(65535), 32768);
    EXPECT_EQ(HostFromPng16(1), 1);  // 0.50001 rounds up
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
        // The lowest file value of the host value and at most the next one
        // go to it.
        const uint16 lowest = LowestFileValueFor(host);
        ASSERT_EQ(HostFromPng16(lowest), host) << value;
        ASSERT_TRUE(lowest == 0 || HostFromPng16(uint16(lowest - 1)) != host) << value;
        ASSERT_LE(value - lowest, 1u) << value;
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
            DescribeImage(InfoOf(PatternImage(width, 2, c.channels, c.depth)), width, &settings);
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
    const WholeImage deep = PatternImage(6, 3, 4, 16);
    const HostImage host = HostFromWhole(deep);
    EXPECT_EQ(host.bytesPerSample, 2);
    EXPECT_EQ(host.channels, 4);
    for (size_t i = 0; i < deep.samples.size(); ++i)
        ASSERT_EQ(HostSample(host, i), HostFromPng16(deep.samples[i]));
    EXPECT_EQ(HostRowBytes(host) % 4, 0u);
    EXPECT_GE(HostRowBytes(host), 6u * 4 * 2 + 4);
    const WholeImage narrow = PatternImage(6, 3, 3, 8);
    const HostImage host8 = HostFromWhole(narrow);
    EXPECT_EQ(host8.bytesPerSample, 1);
    for (size_t i = 0; i < narrow.samples.size(); ++i)
        ASSERT_EQ(HostSample(host8, i), narrow.samples[i]);
}

TEST(CliTransfer, UnchangedSamplesKeepTheFilesOwnValues) {
    const WholeImage original = PatternImage(5, 4, 2, 16);
    HostTransfer transfer;
    const HostImage before = HostFromWhole(original, &transfer);
    HostImage after = before;
    // The host changed the gray sample of pixel 3 to full intensity and
    // that of pixel 7 (the third of the second row) to 12345.
    const uint16 full = 32768, some = 12345;
    memcpy(&after.samples[(3 * 2) * 2], &full, 2);
    memcpy(&after.samples[HostRowBytes(after) + (2 * 2) * 2], &some, 2);
    const std::vector<uint16_t> back = ResultSamples(before, after, transfer, 16);
    for (size_t i = 0; i < original.samples.size(); ++i) {
        if (i == 6) {
            EXPECT_EQ(back[i], 65535);
        } else if (i == 14) {
            EXPECT_EQ(back[i], Png16FromHost(12345));
        } else {
            ASSERT_EQ(back[i], original.samples[i]) << i;  // odd low bits survive
        }
    }
    // At 8 bits (for JPEG) every sample is the file's value scaled.
    const std::vector<uint16_t> narrow = ResultSamples(before, before, transfer, 8);
    for (size_t i = 0; i < original.samples.size(); ++i)
        ASSERT_EQ(narrow[i], (uint32_t(original.samples[i]) * 255 + 32767) / 65535) << i;
}

int32 countedPolls = 0;
void CountPoll(HostSession*) { ++countedPolls; }

TEST(CliTransfer, PluginPollsAsOftenAsTheProgressBarExpects) {
    struct Case {
        int32 width, height, channels;
    };
    for (const Case& c : {Case{40, 25, 1}, Case{41, 25, 2}, Case{33, 31, 3}, Case{1000, 3, 4}}) {
        const WholeImage png = PatternImage(c.width, c.height, c.channels, 8);
        HostSettings settings;
        DescribeImage(InfoOf(png), c.width, &settings);
        HostSession session;
        OpenHostSession(&session, HostFromWhole(png), settings);
        SetScriptDescriptor(&session, {ScriptItem{keyAmount, typeInteger, 4}});
        countedPolls = 0;
        session.onAbortPoll = CountPoll;
        ASSERT_EQ(RunFilterSession(&session, PluginMain, false), noErr);
        EXPECT_EQ(countedPolls, ExpectedPolls(int16(c.channels), c.width, c.height))
            << c.width << "x" << c.height << "x" << c.channels;
        CloseHostSession(&session);
    }
}

// Handing the plug-in the host's own rows gives the very result that
// handing it copies gives, with and without a selection, at both depths,
// with the transparency plane left alone.
TEST(CliTransfer, InPlaceDeliveryGivesTheResultOfCopies) {
    for (int32 depth : {8, 16}) {
        for (int32 channels : {1, 2, 3, 4}) {
            for (bool selection : {false, true}) {
                const WholeImage png = PatternImage(37, 23, channels, depth);
                HostImage image = HostFromWhole(png);
                Rect filterRect = {0, 0, 23, 37};
                if (selection) {
                    image.maskRowBytes = 40;
                    image.mask.assign(40 * 23, 0);
                    for (int32 y = 3; y < 20; ++y)
                        for (int32 x = 5; x < 30; ++x)
                            image.mask[y * 40 + x] = uint8_t((x * 37 + y * 11) % 256);
                    filterRect = Rect{3, 5, 20, 30};
                }
                HostSettings settings;
                DescribeImage(InfoOf(png), filterRect.right - filterRect.left, &settings);
                settings.filterRect = filterRect;
                HostSession copied, inPlace;
                OpenHostSession(&copied, image, settings);
                settings.deliverInPlace = true;
                HostImage taken = image;
                OpenHostSessionTaking(&inPlace, &taken, settings);
                EXPECT_TRUE(taken.samples.empty());
                // Both runs start from the same generator state.
                for (HostSession* session : {&copied, &inPlace}) {
                    SetScriptDescriptor(session, {ScriptItem{keyAmount, typeInteger, 3}});
                    ResetModuleState();
                    srand(7);
                    ASSERT_EQ(RunFilterSession(session, PluginMain, false), noErr);
                }
                EXPECT_EQ(inPlace.inBuffer.size(), 0u);
                EXPECT_EQ(inPlace.outBuffer.size(), 0u);
                EXPECT_EQ(inPlace.maskBuffer.size(), 0u);
                EXPECT_GT(copied.outBuffer.size(), 0u);
                size_t differences = 0, first = 0;
                for (size_t i = 0; i < copied.result.samples.size(); ++i) {
                    if (copied.result.samples[i] == inPlace.result.samples[i]) continue;
                    if (differences++ == 0) first = i;
                }
                EXPECT_EQ(differences, 0u)
                    << depth << " bits, " << channels << " channels, selection " << selection
                    << ", first at byte " << first << " of " << copied.result.samples.size();
                EXPECT_FALSE(inPlace.result.samples == inPlace.source.samples);
                CloseHostSession(&copied);
                CloseHostSession(&inPlace);
            }
        }
    }
}

TEST(CliTransfer, ExpectedPollsCountPaintedPlanes) {
    EXPECT_EQ(ExpectedPolls(3, 1000, 1), 3);
    EXPECT_EQ(ExpectedPolls(4, 1001, 1), 6);  // transparency not painted
    EXPECT_EQ(ExpectedPolls(2, 10, 10), 1);
}

}  // namespace
