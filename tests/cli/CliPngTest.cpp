// PNG reading and writing of the command-line host: every kind round
// trips, damaged files are refused, and the kinds a writer of other
// programs produces (palette, low bit depths, colour keys) are read.
#include "cli/FileIo.h"
#include "cli/WholeImage.h"
#include "cli/image/ImageCodec.h"
#include "tests/support/CliTestImages.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// No ".vorn-*" temporary file is left in the folder.
bool NoTemporaryIn(const std::string& folder) {
    const std::string command = "ls -A '" + folder + "' | grep -q '^\\.vorn-'";
    return system(command.c_str()) != 0;
}

std::vector<uint8_t> Encoded(const WholeImage& image, int32_t level = -1) {
    std::vector<uint8_t> bytes;
    std::string error;
    EncodeOptions options;
    options.pngCompression = level;
    EXPECT_TRUE(EncodeImageBytes(image, imageFormatPng, options, &bytes, &error)) << error;
    return bytes;
}

WholeImage RoundTrip(const WholeImage& image, int32_t level = -1) {
    std::string error;
    WholeImage back;
    EXPECT_TRUE(DecodeImageBytes(Encoded(image, level), &back, &error)) << error;
    return back;
}

bool Decodes(const std::vector<uint8_t>& bytes, std::string* error) {
    WholeImage image;
    return DecodeImageBytes(bytes, &image, error);
}

bool DecodePng(const uint8_t* bytes, size_t size, WholeImage* image, std::string* error) {
    return DecodeImageBytes(std::vector<uint8_t>(bytes, bytes + size), image, error);
}

// Offset of the first chunk of the given type in a PNG stream.
size_t ChunkOffset(const std::vector<uint8_t>& bytes, const char* type) {
    size_t offset = 8;
    while (offset + 12 <= bytes.size()) {
        if (memcmp(&bytes[offset + 4], type, 4) == 0) return offset;
        offset += ReadBigEndian32(&bytes[offset]) + 12;
    }
    return 0;
}

TEST(CliPng, EveryKindRoundTripsSampleForSample) {
    for (int32_t depth : {8, 16}) {
        for (int32_t channels : {1, 2, 3, 4}) {
            for (int32_t width : {1, 7, 64}) {
                const WholeImage image = PatternImage(width, 5, channels, depth);
                const WholeImage back = RoundTrip(image, width % 10);
                EXPECT_EQ(back.width, width);
                EXPECT_EQ(back.height, 5);
                EXPECT_EQ(back.channels, channels) << "depth " << depth;
                EXPECT_EQ(back.bitDepth, depth);
                EXPECT_EQ(back.samples, image.samples)
                    << channels << " channels, " << depth << " bits, width " << width;
            }
        }
    }
}

TEST(CliPng, WrittenFilesDeclareTheirKindInTheHeader) {
    const uint8_t expectedType[5] = {0, 0, 4, 2, 6};
    for (int32_t depth : {8, 16}) {
        for (int32_t channels : {1, 2, 3, 4}) {
            const std::vector<uint8_t> bytes = Encoded(PatternImage(3, 3, channels, depth));
            ASSERT_GT(bytes.size(), 33u);
            ASSERT_EQ(memcmp(bytes.data(), pngSignature, 8), 0);
            ASSERT_EQ(memcmp(&bytes[12], "IHDR", 4), 0);
            EXPECT_EQ(ReadBigEndian32(&bytes[16]), 3u);
            EXPECT_EQ(bytes[24], depth);
            EXPECT_EQ(bytes[25], expectedType[channels]);
            EXPECT_EQ(bytes[28], 0);  // not interlaced
        }
    }
}

TEST(CliPng, SmoothImagesCompress) {
    WholeImage image;
    image.width = 256;
    image.height = 64;
    image.channels = 3;
    image.samples.resize(size_t(256) * 64 * 3);
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 256; ++x)
            for (int c = 0; c < 3; ++c)
                image.samples[(size_t(y) * 256 + x) * 3 + c] = uint16_t((x + y * c) & 255);
    const std::vector<uint8_t> bytes = Encoded(image);
    EXPECT_LT(bytes.size(), image.samples.size() / 8);
    EXPECT_EQ(RoundTrip(image).samples, image.samples);
}

TEST(CliPng, DamagedStreamsAreRefusedWithAReason) {
    const std::vector<uint8_t> good = Encoded(PatternImage(20, 10, 3, 8));
    std::string error;
    ASSERT_TRUE(Decodes(good, &error)) << error;

    std::vector<uint8_t> flipped = good;
    const size_t data = ChunkOffset(good, "IDAT");
    ASSERT_GT(data, 0u);
    flipped[data + 8 + 5] ^= 0x10;
    EXPECT_FALSE(Decodes(flipped, &error));
    EXPECT_NE(error.find("damaged or truncated PNG file (IDAT"), std::string::npos) << error;

    std::vector<uint8_t> header = good;
    header[8 + 8 + 3] ^= 0x01;  // the width inside IHDR
    EXPECT_FALSE(Decodes(header, &error));
    EXPECT_NE(error.find("IHDR"), std::string::npos) << error;

    std::vector<uint8_t> signature = good;
    signature[1] = 'Q';
    EXPECT_FALSE(Decodes(signature, &error));
    EXPECT_NE(error.find("is not an image vorn can read"), std::string::npos) << error;

    for (size_t cut : {size_t(0), size_t(5), size_t(8), size_t(20), data + 4, data + 30,
                       good.size() - 12, good.size() - 1}) {
        std::vector<uint8_t> truncated(good.begin(), good.begin() + cut);
        EXPECT_FALSE(Decodes(truncated, &error)) << "cut at " << cut;
        EXPECT_FALSE(error.empty());
    }
}

TEST(CliPng, ChunkOrderIsEnforced) {
    const std::vector<uint8_t> row = {0, 1, 2, 3};
    std::string error;
    // No IDAT at all.
    std::vector<uint8_t> noData(pngSignature, pngSignature + 8);
    AppendChunk(&noData, "IHDR", HeaderData(3, 1, 8, 0));
    AppendChunk(&noData, "IEND", {});
    EXPECT_FALSE(Decodes(noData, &error));
    EXPECT_NE(error.find("damaged or truncated PNG"), std::string::npos) << error;
    // IHDR not first (in a file that ends where a PNG ends).
    std::vector<uint8_t> late(pngSignature, pngSignature + 8);
    AppendChunk(&late, "tEXt", {'a', 0, 'b'});
    AppendChunk(&late, "IHDR", HeaderData(3, 1, 8, 0));
    AppendChunk(&late, "IEND", {});
    EXPECT_FALSE(Decodes(late, &error));
    EXPECT_NE(error.find("IHDR"), std::string::npos) << error;
    // A palette image without its palette.
    EXPECT_FALSE(Decodes(HandMadePng(3, 1, 8, 3, row), &error));
    EXPECT_NE(error.find("PLTE"), std::string::npos);
    // An unknown critical chunk.
    EXPECT_FALSE(Decodes(HandMadePng(3, 1, 8, 0, row, {{"ABCD", {1, 2}}}), &error));
    EXPECT_NE(error.find("critical"), std::string::npos);
    // Ancillary chunks are passed over.
    EXPECT_TRUE(Decodes(HandMadePng(3, 1, 8, 0, row, {{"tEXt", {'k', 0, 'v'}}}), &error)) << error;
    // Impossible depth for RGB.
    EXPECT_FALSE(Decodes(HandMadePng(1, 1, 4, 2, {0, 0}), &error));
}

TEST(CliPng, IntactChunksWithBrokenImageDataAreRefused) {
    std::string error;
    std::vector<uint8_t> bytes(pngSignature, pngSignature + 8);
    AppendChunk(&bytes, "IHDR", HeaderData(4, 4, 8, 2));
    AppendChunk(&bytes, "IDAT", {0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0x00});
    AppendChunk(&bytes, "IEND", {});
    EXPECT_FALSE(Decodes(bytes, &error));
    EXPECT_NE(error.find("damaged or truncated PNG"), std::string::npos) << error;
    // Too few scanlines for the declared height.
    EXPECT_FALSE(Decodes(HandMadePng(2, 3, 8, 0, {0, 9, 9}), &error));
}

TEST(CliPng, PaletteAndLowBitImagesBecomeEightBit) {
    std::string error;
    WholeImage image;
    // 2-bit palette, 4 pixels: entries 0..3.
    const std::vector<uint8_t> palette = {10, 20, 30, 40, 50, 60, 70, 80, 90, 200, 210, 220};
    std::vector<uint8_t> bytes = HandMadePng(4, 1, 2, 3, {0, 0x1B}, {{"PLTE", palette}});
    ASSERT_TRUE(DecodePng(bytes.data(), bytes.size(), &image, &error)) << error;
    EXPECT_EQ(image.channels, 3);
    EXPECT_EQ(image.bitDepth, 8);
    EXPECT_EQ(image.samples,
              std::vector<uint16_t>({10, 20, 30, 40, 50, 60, 70, 80, 90, 200, 210, 220}));

    // The same palette with transparency for the first two entries.
    bytes = HandMadePng(4, 1, 2, 3, {0, 0x1B}, {{"PLTE", palette}, {"tRNS", {0, 128}}});
    ASSERT_TRUE(DecodePng(bytes.data(), bytes.size(), &image, &error)) << error;
    EXPECT_EQ(image.channels, 4);
    EXPECT_EQ(image.samples[3], 0);
    EXPECT_EQ(image.samples[7], 128);
    EXPECT_EQ(image.samples[11], 255);

    // 1-bit gray: 0 and 1 become 0 and 255.
    bytes = HandMadePng(8, 1, 1, 0, {0, 0xA5});
    ASSERT_TRUE(DecodePng(bytes.data(), bytes.size(), &image, &error)) << error;
    EXPECT_EQ(image.channels, 1);
    EXPECT_EQ(image.samples, std::vector<uint16_t>({255, 0, 255, 0, 0, 255, 0, 255}));

    // A colour key in a 16-bit gray image becomes an alpha channel.
    bytes = HandMadePng(2, 1, 16, 0, {0, 0x12, 0x34, 0xAB, 0xCD}, {{"tRNS", {0x12, 0x34}}});
    ASSERT_TRUE(DecodePng(bytes.data(), bytes.size(), &image, &error)) << error;
    EXPECT_EQ(image.channels, 2);
    EXPECT_EQ(image.bitDepth, 16);
    EXPECT_EQ(image.samples, std::vector<uint16_t>({0x1234, 0, 0xABCD, 65535}));
}

bool WriteReplacing(const std::string& path, const WholeImage& image, std::string* error) {
    std::vector<uint8_t> bytes;
    return EncodeImageBytes(image, imageFormatPng, EncodeOptions(), &bytes, error) &&
           WriteFileReplacing(path, bytes, error);
}

TEST(CliPng, FilesAreReplacedWholeAndTemporariesNeverStay) {
    char folder[] = "/tmp/vorn-png-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/out.png";
    const WholeImage first = PatternImage(9, 4, 3, 8);
    const WholeImage second = PatternImage(5, 6, 1, 16);
    std::string error;
    ASSERT_TRUE(WriteReplacing(path, first, &error)) << error;
    ASSERT_TRUE(WriteReplacing(path, second, &error)) << error;
    WholeImage back;
    ASSERT_TRUE(ReadImageFile(path, &back, &error)) << error;
    EXPECT_EQ(back.samples, second.samples);
    EXPECT_EQ(NoTemporaryIn(folder), true);

    // A folder that does not exist: a reason, and nothing left anywhere.
    const std::string missing = std::string(folder) + "/no/such/out.png";
    EXPECT_FALSE(WriteReplacing(missing, first, &error));
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
    EXPECT_FALSE(ReadImageFile(std::string(folder) + "/absent.png", &back, &error));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;

    // The target is a folder: the rename fails and the temporary goes.
    const std::string blocked = std::string(folder) + "/blocked.png";
    ASSERT_EQ(mkdir(blocked.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((blocked + "/inner").c_str(), 0700), 0);
    EXPECT_FALSE(WriteReplacing(blocked, first, &error));
    EXPECT_EQ(NoTemporaryIn(folder), true);

    rmdir((blocked + "/inner").c_str());
    rmdir(blocked.c_str());
    remove(path.c_str());
    rmdir(folder);
}

TEST(CliPng, HeadersBeyondTheHostsLimitsAreRefusedBeforeDecoding) {
    std::string error;
    // 40000 x 20000 RGB claims 2.4 GB; the data holds one row.
    EXPECT_FALSE(
        Decodes(HandMadePng(40000, 20000, 8, 2, std::vector<uint8_t>(1 + 40000 * 3, 0)), &error));
    EXPECT_NE(error.find("at most 32767 pixels a side"), std::string::npos) << error;
    EXPECT_FALSE(Decodes(HandMadePng(100, 32768, 8, 0, std::vector<uint8_t>(101, 0)), &error));
    EXPECT_NE(error.find("at most 32767 pixels a side"), std::string::npos) << error;
}

TEST(CliPng, DataBeyondTheDeclaredSizeIsRefused) {
    std::string error;
    // 10 x 10 gray, and a deflate stream of 300 KB of rows that do not
    // compress: far more than the 110 bytes the header declares.
    std::vector<uint8_t> rows(300000);
    uint32_t noise = 2463534242u;
    for (size_t i = 0; i < rows.size(); ++i) {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        rows[i] = uint8_t(noise);
    }
    for (size_t i = 0; i < rows.size(); i += 11) rows[i] = 0;
    EXPECT_FALSE(Decodes(HandMadePng(10, 10, 8, 0, rows), &error));
    EXPECT_NE(error.find("more image data than its 10x10 pixels can hold"), std::string::npos)
        << error;
    rows.resize(10 * 11);
    EXPECT_TRUE(Decodes(HandMadePng(10, 10, 8, 0, rows), &error)) << error;
}

TEST(CliPng, CompressionLevelsTradeSizeForTime) {
    WholeImage image = PatternImage(200, 100, 3, 8);
    for (size_t i = 0; i < image.samples.size(); ++i)
        image.samples[i] = uint16_t((i / 600) % 2 ? 255 : 0);
    const size_t stored = Encoded(image, 0).size();
    const size_t fast = Encoded(image, 1).size();
    const size_t best = Encoded(image, 9).size();
    EXPECT_GT(stored, image.samples.size());
    EXPECT_LT(fast, stored / 10);
    EXPECT_LE(best, fast);
    EXPECT_EQ(RoundTrip(image, 0).samples, image.samples);
    EXPECT_EQ(RoundTrip(image, 9).samples, image.samples);
}

}  // namespace

namespace {

TEST(CliFormats, OutputFormatFollowsTheExtensionInAnyCase) {
    ImageFormat format = imageFormatPng;
    struct Case {
        const char* path;
        ImageFormat format;
    };
    for (const Case& c : {Case{"a.png", imageFormatPng}, Case{"a.PNG", imageFormatPng},
                          Case{"dir.jpg/a.jpeg", imageFormatJpeg}, Case{"a.JpG", imageFormatJpeg},
                          Case{"a.tif", imageFormatTiff}, Case{"x/y.TIFF", imageFormatTiff}}) {
        ASSERT_TRUE(FormatFromExtension(c.path, &format)) << c.path;
        EXPECT_EQ(format, c.format) << c.path;
    }
    for (const char* path : {"a", "a.bmp", "a.png.bak", "dir.png/a", ".", "a.jp", "a.tiff2"})
        EXPECT_FALSE(FormatFromExtension(path, &format)) << path;
    std::string error;
    EXPECT_FALSE(OutputFormatFor("out.xyz", &format, &error));
    EXPECT_EQ(
        error,
        "out.xyz: unknown output format; name the output .png, .jpg, .jpeg, .tif, .tiff, .webp, "
        ".avif, .heic or .gif");
}

// Every kind TIFF holds comes back sample for sample; JPEG comes back close.
TEST(CliFormats, TiffRoundTripsAndJpegStaysClose) {
    for (int32_t depth : {8, 16}) {
        for (int32_t channels : {1, 2, 3, 4}) {
            const WholeImage image = PatternImage(33, 7, channels, depth);
            std::vector<uint8_t> bytes;
            std::string error;
            ASSERT_TRUE(EncodeImageBytes(image, imageFormatTiff, EncodeOptions(), &bytes, &error))
                << error;
            ASSERT_EQ(memcmp(bytes.data(), "II*", 3), 0);
            WholeImage back;
            ASSERT_TRUE(DecodeImageBytes(bytes, &back, &error)) << error;
            EXPECT_EQ(back.channels, channels);
            EXPECT_EQ(back.bitDepth, depth);
            EXPECT_EQ(back.samples, image.samples) << channels << " channels, " << depth << " bits";
        }
    }
    WholeImage smooth;
    smooth.width = 64;
    smooth.height = 32;
    smooth.channels = 3;
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 64; ++x)
            for (int c = 0; c < 3; ++c)
                smooth.samples.push_back(uint16_t((x * 4 + y * c * 2) & 255));
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(EncodeImageBytes(smooth, imageFormatJpeg, EncodeOptions(), &bytes, &error))
        << error;
    ASSERT_EQ(bytes[0], 0xFF);
    ASSERT_EQ(bytes[1], 0xD8);
    WholeImage back;
    ASSERT_TRUE(DecodeImageBytes(bytes, &back, &error)) << error;
    ASSERT_EQ(back.samples.size(), smooth.samples.size());
    double total = 0;
    for (size_t i = 0; i < smooth.samples.size(); ++i)
        total += std::abs(int(back.samples[i]) - int(smooth.samples[i]));
    EXPECT_LT(total / smooth.samples.size(), 3.0);
    // Alpha and 16 bits are not for JPEG.
    EXPECT_FALSE(EncodeImageBytes(PatternImage(4, 4, 4, 8), imageFormatJpeg, EncodeOptions(),
                                  &bytes, &error));
    EXPECT_NE(error.find("JPEG holds 8-bit gray or RGB without alpha"), std::string::npos) << error;
    // Cut short: refused, not padded with gray.
    ASSERT_TRUE(EncodeImageBytes(smooth, imageFormatJpeg, EncodeOptions(), &bytes, &error));
    bytes.resize(bytes.size() / 2);
    EXPECT_FALSE(DecodeImageBytes(bytes, &back, &error));
    EXPECT_NE(error.find("truncated JPEG"), std::string::npos) << error;
}

}  // namespace
