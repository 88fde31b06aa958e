// Selections given as mask images, and their bounding box.
#include "cli/SelectionMask.h"
#include "cli/WholeImage.h"

#include <gtest/gtest.h>

namespace {

WholeImage GrayMask(int32_t width, int32_t height, int32_t depth, std::vector<uint16_t> samples,
                    int32_t channels = 1) {
    WholeImage png;
    png.width = width;
    png.height = height;
    png.channels = channels;
    png.bitDepth = depth;
    png.samples = std::move(samples);
    return png;
}

bool MaskBounds(const std::vector<uint8_t>& mask, int32 width, int32 height, Rect* bounds) {
    return MaskBounds(mask.data(), size_t(width), width, height, bounds);
}

TEST(CliMask, BoundingBoxOfTheSelectedPixels) {
    const int32 w = 7, h = 5;
    std::vector<uint8_t> mask(size_t(w) * h, 0);
    Rect box;
    EXPECT_FALSE(MaskBounds(mask, w, h, &box));
    mask[2 * w + 3] = 1;  // one faint pixel
    ASSERT_TRUE(MaskBounds(mask, w, h, &box));
    EXPECT_EQ(box.top, 2);
    EXPECT_EQ(box.left, 3);
    EXPECT_EQ(box.bottom, 3);
    EXPECT_EQ(box.right, 4);
    mask[1 * w + 6] = 255;
    mask[4 * w + 0] = 128;
    ASSERT_TRUE(MaskBounds(mask, w, h, &box));
    EXPECT_EQ(box.top, 1);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.bottom, 5);
    EXPECT_EQ(box.right, 7);
    std::fill(mask.begin(), mask.end(), 9);
    ASSERT_TRUE(MaskBounds(mask, w, h, &box));
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.bottom, h);
    EXPECT_EQ(box.right, w);
}

TEST(CliMask, GrayValuesBecomeSelectionDegrees) {
    std::vector<uint8_t> mask;
    std::string error;
    ASSERT_TRUE(MaskFromWhole(GrayMask(4, 1, 8, {0, 1, 128, 255}), 4, 1, &mask, &error)) << error;
    EXPECT_EQ(mask, std::vector<uint8_t>({0, 1, 128, 255}));
    // 16 bits: scaled and rounded, but a faint selection stays selected.
    ASSERT_TRUE(MaskFromWhole(GrayMask(5, 1, 16, {0, 1, 128, 32896, 65535}), 5, 1, &mask, &error));
    EXPECT_EQ(mask, std::vector<uint8_t>({0, 1, 1, 128, 255}));
    // RGB that is gray in fact, and opaque alpha, are accepted.
    ASSERT_TRUE(MaskFromWhole(GrayMask(2, 1, 8, {7, 7, 7, 0, 0, 0}, 3), 2, 1, &mask, &error));
    EXPECT_EQ(mask, std::vector<uint8_t>({7, 0}));
    ASSERT_TRUE(MaskFromWhole(GrayMask(2, 1, 8, {40, 255, 0, 255}, 2), 2, 1, &mask, &error));
    EXPECT_EQ(mask, std::vector<uint8_t>({40, 0}));
}

TEST(CliMask, UnusableMasksAreRefused) {
    std::vector<uint8_t> mask;
    std::string error;
    EXPECT_FALSE(
        MaskFromWhole(GrayMask(3, 2, 8, std::vector<uint16_t>(6, 255)), 2, 3, &mask, &error));
    EXPECT_EQ(error, "the mask is 3x2 but the image is 2x3");
    EXPECT_FALSE(MaskFromWhole(GrayMask(1, 1, 8, {7, 8, 7}, 3), 1, 1, &mask, &error));
    EXPECT_NE(error.find("grayscale"), std::string::npos);
    EXPECT_FALSE(MaskFromWhole(GrayMask(1, 1, 16, {7, 65534}, 2), 1, 1, &mask, &error));
    EXPECT_NE(error.find("transparent"), std::string::npos);
}

}  // namespace
