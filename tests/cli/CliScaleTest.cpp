// --scale: the image the filter runs on, and its labyrinth enlarged back.
#include "cli/ScaledRun.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A packed image whose every sample tells where it is: row * 16 + column
// in the first channel, then + 1, + 2 ... in the next ones.
HostImage Numbered(int32 width, int32 height, int32 channels, int32 bytesPerSample) {
    HostImage image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.bytesPerSample = bytesPerSample;
    image.samples.resize(HostRowBytes(image) * size_t(height));
    for (int32 row = 0; row < height; ++row) {
        for (int32 column = 0; column < width; ++column) {
            for (int32 channel = 0; channel < channels; ++channel) {
                const uint16 value = uint16(row * 16 + column + channel);
                uint8_t* at = image.samples.data() + size_t(row) * HostRowBytes(image) +
                              size_t((column * channels + channel) * bytesPerSample);
                if (bytesPerSample == 1)
                    *at = uint8_t(value);
                else
                    memcpy(at, &value, 2);
            }
        }
    }
    return image;
}

uint32 SampleAt(const HostImage& image, int32 row, int32 column, int32 channel) {
    const uint8_t* at = image.samples.data() + size_t(row) * HostRowBytes(image) +
                        size_t((column * image.channels + channel) * image.bytesPerSample);
    if (image.bytesPerSample == 1) return *at;
    uint16 value;
    memcpy(&value, at, 2);
    return value;
}

void SetSample(HostImage* image, int32 row, int32 column, int32 channel, uint32 value) {
    uint8_t* at = image->samples.data() + size_t(row) * HostRowBytes(*image) +
                  size_t((column * image->channels + channel) * image->bytesPerSample);
    if (image->bytesPerSample == 1) {
        *at = uint8_t(value);
    } else {
        const uint16 wide = uint16(value);
        memcpy(at, &wide, 2);
    }
}

TEST(CliScale, ReducedImageTakesEachBlocksFirstPixelAndCoversTheRectangle) {
    const HostImage image = Numbered(5, 3, 3, 1);
    HostImage small;
    Rect smallRect;
    ReduceForScale(image, Rect{0, 0, 3, 5}, 2, &small, &smallRect);
    ASSERT_EQ(small.width, 3);  // sides rounded up
    ASSERT_EQ(small.height, 2);
    EXPECT_EQ(small.rowBytes % 4, 0);
    for (int32 row = 0; row < 2; ++row)
        for (int32 column = 0; column < 3; ++column)
            for (int32 channel = 0; channel < 3; ++channel)
                EXPECT_EQ(SampleAt(small, row, column, channel),
                          SampleAt(image, row * 2, column * 2, channel));
    EXPECT_EQ(smallRect.top, 0);
    EXPECT_EQ(smallRect.left, 0);
    EXPECT_EQ(smallRect.bottom, 2);
    EXPECT_EQ(smallRect.right, 3);
    EXPECT_TRUE(small.mask.empty());
    // A rectangle inside: the blocks it touches.
    ReduceForScale(image, Rect{1, 1, 3, 4}, 2, &small, &smallRect);
    EXPECT_EQ(smallRect.top, 0);
    EXPECT_EQ(smallRect.left, 0);
    EXPECT_EQ(smallRect.bottom, 2);
    EXPECT_EQ(smallRect.right, 2);
}

TEST(CliScale, ABlockWithAnySelectedPixelIsWhollySelected) {
    HostImage image = Numbered(6, 4, 1, 1);
    image.mask.assign(6 * 4, 0);
    image.mask[1 * 6 + 3] = 10;   // block (0, 1)
    image.mask[3 * 6 + 5] = 255;  // block (1, 2)
    HostImage small;
    Rect smallRect;
    ReduceForScale(image, Rect{0, 0, 4, 6}, 2, &small, &smallRect);
    ASSERT_EQ(small.mask.size(), 3u * 2u);
    const uint8_t expected[6] = {0, 255, 0, 0, 0, 255};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(small.mask[size_t(i)], expected[i]) << i;
}

TEST(CliScale, EnlargedCellsBlendedBySelectionAndAlphaKept) {
    for (int32 bytes : {1, 2}) {
        const int32 full = bytes == 1 ? 255 : 32768;
        HostImage image = Numbered(4, 4, 4, bytes);
        image.mask.assign(16, 255);
        image.mask[0] = 0;    // unselected: kept
        image.mask[5] = 128;  // partly selected: blended
        HostImage small = Numbered(2, 2, 4, bytes);
        for (int32 row = 0; row < 2; ++row)
            for (int32 column = 0; column < 2; ++column)
                for (int32 channel = 0; channel < 4; ++channel)
                    SetSample(&small, row, column, channel,
                              uint32(full - (row * 2 + column) * 10 - channel));
        HostImage result = image;
        EnlargeResult(image, small, 2, 3, Rect{0, 0, 4, 4}, &result);
        for (int32 row = 0; row < 4; ++row) {
            for (int32 column = 0; column < 4; ++column) {
                const uint32 m = image.mask[size_t(row * 4 + column)];
                for (int32 channel = 0; channel < 4; ++channel) {
                    const uint32 was = SampleAt(image, row, column, channel);
                    const uint32 cell = SampleAt(small, row / 2, column / 2, channel);
                    uint32 expected = (was * (255 - m) + cell * m + 127) / 255;
                    if (m == 255) expected = cell;
                    if (channel == 3) expected = was;  // transparency: not painted
                    EXPECT_EQ(SampleAt(result, row, column, channel), expected)
                        << bytes << " bytes, " << row << "," << column << " channel " << channel;
                }
            }
        }
    }
}

TEST(CliScale, WithoutSelectionOnlyTheRectangleIsPainted) {
    const HostImage image = Numbered(4, 4, 1, 1);
    HostImage small = Numbered(2, 2, 1, 1);
    for (uint8_t& sample : small.samples) sample = 200;
    HostImage result = image;
    EnlargeResult(image, small, 2, 1, Rect{1, 1, 3, 3}, &result);
    for (int32 row = 0; row < 4; ++row)
        for (int32 column = 0; column < 4; ++column) {
            const bool inside = row >= 1 && row < 3 && column >= 1 && column < 3;
            EXPECT_EQ(SampleAt(result, row, column, 0),
                      inside ? 200u : SampleAt(image, row, column, 0));
        }
}

}  // namespace
