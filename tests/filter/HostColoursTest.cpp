// Which scale a record's colours are on, and what the pass and the preview
// paint with colours on either scale.
#include "entry/HostKind.h"
#include "filter/FilterPass.h"
#include "filter/HostColours.h"
#include "filter/PaintLabyrinth.h"
#include "filter/PlaneCount.h"
#include "filter/Samples.h"
#include "tests/support/FilterTestHost.h"
#include "tests/support/PlaneColours.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

struct KindState {
    int32_t hostKind = HostKind;
    ~KindState() { HostKind = hostKind; }
};

void SetBytes(unsigned char bytes[4], uint8_t r, uint8_t g, uint8_t b) {
    bytes[0] = r;
    bytes[1] = g;
    bytes[2] = b;
    bytes[3] = 0;
}

// A record as a host on the 8-bit scale fills it: the same values in the
// 16-bit components and in the bytes.
FilterRecord ByteRecord(int16 mode, RGBColor fore, RGBColor back) {
    FilterRecord record = {};
    record.imageMode = mode;
    record.foreground = fore;
    record.background = back;
    SetBytes(record.foreColor, uint8_t(fore.red), uint8_t(fore.green), uint8_t(fore.blue));
    SetBytes(record.backColor, uint8_t(back.red), uint8_t(back.green), uint8_t(back.blue));
    return record;
}

// The byte a host on the 16-bit scale gives for a component: rounded, or
// truncated as some hosts do.
uint8_t RoundedByte(uint16 component) { return uint8_t((component * 255 + 32767) / 65535); }
uint8_t TruncatedByte(uint16 component) { return uint8_t(component / 257); }

TEST(HostColours, EightBitValuesWithMatchingBytesAreBytes) {
    const FilterRecord white = ByteRecord(plugInModeRGBColor, {255, 255, 255}, {0, 0, 0});
    EXPECT_TRUE(ColoursAreBytes(&white));
    EXPECT_EQ(ColourScaleOf(&white, hostKindOther), byteColourScale);
    EXPECT_EQ(ColourScaleOf(&white, hostKindPhotoshop), byteColourScale);
    const FilterRecord dim = ByteRecord(plugInModeRGB48, {1, 0, 0}, {0, 0, 0});
    EXPECT_TRUE(ColoursAreBytes(&dim));
    const FilterRecord mixed = ByteRecord(plugInModeRGBColor, {12, 200, 255}, {254, 3, 77});
    EXPECT_TRUE(ColoursAreBytes(&mixed));
}

TEST(HostColours, AnyComponentOrByteThatDiffersKeepsTheWordScale) {
    const FilterRecord base = ByteRecord(plugInModeRGBColor, {12, 200, 255}, {254, 3, 77});
    for (int32_t which = 0; which < 6; ++which) {
        FilterRecord record = base;
        unsigned char* bytes = which < 3 ? record.foreColor : record.backColor;
        bytes[which % 3] ^= 1;
        EXPECT_FALSE(ColoursAreBytes(&record)) << which;
        EXPECT_EQ(ColourScaleOf(&record, hostKindOther), wordColourScale) << which;
    }
    // A component above 255 is on the 16-bit scale whatever the bytes say.
    FilterRecord wide = base;
    wide.background.green = 256;
    wide.backColor[1] = 0;
    EXPECT_FALSE(ColoursAreBytes(&wide));
    // The fourth byte is not a channel.
    FilterRecord fourth = base;
    fourth.foreColor[3] = 99;
    fourth.backColor[3] = 255;
    EXPECT_TRUE(ColoursAreBytes(&fourth));
}

TEST(HostColours, AllBlackIsOnTheWordScale) {
    const FilterRecord black = ByteRecord(plugInModeRGBColor, {0, 0, 0}, {0, 0, 0});
    EXPECT_FALSE(ColoursAreBytes(&black));
    EXPECT_EQ(ColourScaleOf(&black, hostKindOther), wordColourScale);
    EXPECT_EQ(ColourScaleOf(&black, hostKindFireworks), byteColourScale);
}

// Grayscale: byte 0 is the gray value and is compared with red, the
// component the pass paints with; green and blue must still be 8-bit.
TEST(HostColours, GrayImagesCompareRedWithTheGrayByte) {
    for (int16 mode : {plugInModeGrayScale, plugInModeGray16}) {
        FilterRecord record = {};
        record.imageMode = mode;
        record.foreground = {255, 255, 255};
        record.background = {40, 40, 40};
        SetBytes(record.foreColor, 255, 0, 0);
        SetBytes(record.backColor, 40, 7, 9);
        EXPECT_TRUE(ColoursAreBytes(&record)) << mode;
        record.backColor[0] = 41;
        EXPECT_FALSE(ColoursAreBytes(&record)) << mode;
        record.backColor[0] = 40;
        record.foreground.blue = 300;
        EXPECT_FALSE(ColoursAreBytes(&record)) << mode;
    }
    // The same bytes on an RGB image do not match.
    FilterRecord rgb = {};
    rgb.imageMode = plugInModeRGBColor;
    rgb.foreground = {255, 255, 255};
    SetBytes(rgb.foreColor, 255, 0, 0);
    EXPECT_FALSE(ColoursAreBytes(&rgb));
}

TEST(HostColours, FireworksIsAlwaysOnTheByteScale) {
    FilterRecord record = {};
    record.imageMode = plugInModeRGBColor;
    record.foreground = {255, 128, 0};
    EXPECT_EQ(ColourScaleOf(&record, hostKindFireworks), byteColourScale);
    EXPECT_EQ(ColourScaleOf(&record, hostKindOther), wordColourScale);
}

// A host on the 16-bit scale whose bytes follow its components (rounded or
// truncated) never reads as 8-bit, for any component of any channel.
TEST(HostColours, ConsistentWordHostsKeepTheWordScale) {
    for (int16 mode :
         {plugInModeGrayScale, plugInModeRGBColor, plugInModeGray16, plugInModeRGB48}) {
        for (int32_t component = 0; component <= 65535; ++component) {
            const uint16 c = uint16(component);
            for (uint8_t (*toByte)(uint16) : {RoundedByte, TruncatedByte}) {
                FilterRecord record = {};
                record.imageMode = mode;
                record.foreground = {c, 0, c};
                record.background = {0, c, c};
                SetBytes(record.foreColor, toByte(c), 0, toByte(c));
                SetBytes(record.backColor, 0, toByte(c), toByte(c));
                ASSERT_EQ(ColourScaleOf(&record, hostKindOther), wordColourScale) << component;
                record.foreground = {c, c, c};
                record.background = {c, c, c};
                SetBytes(record.foreColor, toByte(c), toByte(c), toByte(c));
                SetBytes(record.backColor, toByte(c), toByte(c), toByte(c));
                ASSERT_EQ(ColourScaleOf(&record, hostKindPhotoshop), wordColourScale) << component;
            }
        }
    }
}

// Colours with a component of 256 or more give exactly the samples they
// gave by the host's kind alone, whatever the bytes hold.
TEST(HostColours, WideColoursPaintAsBefore) {
    std::mt19937 random(15);
    std::uniform_int_distribution<int32_t> component(0, 65535), small(0, 255), byte(0, 255);
    for (int32_t i = 0; i < 200000; ++i) {
        FilterRecord record = {};
        const int16 modes[] = {plugInModeGrayScale, plugInModeRGBColor, plugInModeGray16,
                               plugInModeRGB48};
        record.imageMode = modes[i % 4];
        record.planes =
            record.imageMode == plugInModeGrayScale || record.imageMode == plugInModeGray16 ? 1 : 3;
        auto pick = [&]() { return uint16(i % 3 == 0 ? small(random) : component(random)); };
        record.foreground = {pick(), pick(), pick()};
        record.background = {pick(), pick(), pick()};
        record.foreground.green = uint16(256 + component(random) % 65280);
        for (int32_t b = 0; b < 4; ++b) {
            record.foreColor[b] = uint8_t(byte(random));
            record.backColor[b] = uint8_t(byte(random));
        }
        if (i % 2 == 0) {
            SetBytes(record.foreColor, uint8_t(record.foreground.red),
                     uint8_t(record.foreground.green), uint8_t(record.foreground.blue));
        }
        for (int32_t kind : {hostKindOther, hostKindPhotoshop, hostKindFireworks}) {
            const LabyrinthSamples samples = LabyrinthSamplesOf(&record, kind);
            const PlaneColour wall = PlaneColourOf(record.foreground, kind);
            const PlaneColour corridor = PlaneColourOf(record.background, kind);
            const int32_t largest = samples.bytesPerSample == 1 ? 255 : 32768;
            for (int32_t l = 0; l < 3; ++l) {
                ASSERT_EQ(samples.wall[l], SampleOf(float(wall.components[l]), largest)) << i;
                ASSERT_EQ(samples.corridor[l], SampleOf(float(corridor.components[l]), largest))
                    << i;
            }
        }
    }
}

// White walls on black from a host on the 8-bit scale: the pass paints
// full intensity, 255 in 8-bit images and 32768 in 16-bit ones.
TEST(HostColours, PassPaintsEightBitHostColoursAtFullScale) {
    KindState state;
    HostKind = hostKindOther;
    struct Case {
        int16 mode;
        int16 planes;
        int32_t full;
    };
    for (const Case& test : {Case{plugInModeRGBColor, 3, 255}, Case{plugInModeRGBColor, 4, 255},
                             Case{plugInModeGrayScale, 1, 255}, Case{plugInModeGrayScale, 2, 255},
                             Case{plugInModeRGB48, 3, 32768}, Case{plugInModeGray16, 1, 32768}}) {
        TestHost host;
        SetUpTestHost(&host, test.mode, test.planes, 7, 5);
        AddTestMask(&host, 0);  // nothing selected: every pixel is a wall
        const bool gray = test.mode == plugInModeGrayScale || test.mode == plugInModeGray16;
        host.record.foreground = RGBColor{255, 255, 255};
        host.record.background = RGBColor{0, 0, 0};
        SetBytes(host.record.foreColor, 255, gray ? 0 : 255, gray ? 0 : 255);
        SetBytes(host.record.backColor, 0, 0, 0);
        RunFilterPass(&host.instance);
        ASSERT_EQ(host.result, 0);
        const int32_t painted = PaintedPlaneCount(test.planes);
        for (int32_t p = 0; p < painted; ++p) {
            EXPECT_EQ(ReadSample(host.out, host, 2, 3, p), test.full) << test.mode << " " << p;
        }
        // Without the bytes the same components are 255/65535 of full.
        SetUpTestHost(&host, test.mode, test.planes, 7, 5);
        AddTestMask(&host, 0);
        host.record.foreground = RGBColor{255, 255, 255};
        host.record.background = RGBColor{0, 0, 0};
        RunFilterPass(&host.instance);
        ASSERT_EQ(host.result, 0);
        EXPECT_EQ(ReadSample(host.out, host, 2, 3, 0), test.full == 255 ? 1 : 128) << test.mode;
    }
}

}  // namespace
