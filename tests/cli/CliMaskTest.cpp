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
    // With alpha, the alpha selects (a cut-out); colour goes by luminance.
    ASSERT_TRUE(MaskFromWhole(GrayMask(2, 1, 8, {40, 255, 0, 128}, 2), 2, 1, &mask, &error));
    EXPECT_EQ(mask, std::vector<uint8_t>({255, 128}));
    ASSERT_TRUE(MaskFromWhole(GrayMask(2, 1, 8, {7, 8, 7, 255, 0, 0}, 3), 2, 1, &mask, &error));
    EXPECT_EQ(mask, std::vector<uint8_t>({8, 76}));
    ASSERT_TRUE(MaskFromWhole(GrayMask(1, 1, 16, {7, 65534}, 2), 1, 1, &mask, &error));
    EXPECT_EQ(mask, std::vector<uint8_t>({255}));
}

TEST(CliMask, UnusableMasksAreRefused) {
    std::vector<uint8_t> mask;
    std::string error;
    EXPECT_FALSE(
        MaskFromWhole(GrayMask(3, 2, 8, std::vector<uint16_t>(6, 255)), 2, 3, &mask, &error));
    EXPECT_EQ(error.find("the mask is 3x2 but the image is 2x3: the mask looks rotated"), 0u)
        << error;
    EXPECT_FALSE(
        MaskFromWhole(GrayMask(3, 1, 8, std::vector<uint16_t>(3, 255)), 2, 3, &mask, &error));
    EXPECT_EQ(error, "the mask is 3x1 but the image is 2x3");
}

// A mask drawn on the image as shown (EXIF orientation 5 to 8) goes back
// to the stored image's rows: each stored pixel takes the shown pixel it
// is displayed at.
TEST(CliMask, TurnedMasksGoBackToTheStoredImage) {
    // Stored 3 wide, 2 tall; shown 2 wide, 3 tall; shown pixel values
    // are their index.
    const std::vector<uint8_t> shown = {0, 1, 2, 3, 4, 5};
    const size_t rowBytes = 4;
    struct Case {
        int32_t orientation;
        std::vector<uint8_t> stored;
    };
    // 6: stored (x, y) shows at (1 - y, x); 8: at (y, 2 - x); 5: at (y, x);
    // 7: at (1 - y, 2 - x).
    for (const Case& c : {Case{6, {1, 3, 5, 0, 2, 4}}, Case{8, {4, 2, 0, 5, 3, 1}},
                          Case{5, {0, 2, 4, 1, 3, 5}}, Case{7, {5, 3, 1, 4, 2, 0}}}) {
        std::vector<uint8_t> stored(rowBytes * 2, 99);
        TurnMaskIntoStored(shown.data(), 3, 2, c.orientation, stored.data(), rowBytes);
        const std::vector<uint8_t> got = {stored[0], stored[1], stored[2],
                                          stored[4], stored[5], stored[6]};
        EXPECT_EQ(got, c.stored) << "orientation " << c.orientation;
        EXPECT_EQ(stored[3], 99) << "padding untouched";
    }
    ImageInfo turned;
    turned.width = 2;
    turned.height = 3;
    std::string error;
    EXPECT_TRUE(CheckMaskSizeTurned(turned, 3, 2, 6, &error));
    EXPECT_FALSE(CheckMaskSizeTurned(turned, 3, 2, 3, &error));
    EXPECT_NE(error.find("looks rotated"), std::string::npos);
}

}  // namespace
