// Float planes from and to the host's interleaved buffers, as the
// reference pass (tests/support/FilterReference.h) converts them: the yardstick the
// plug-in's pass is compared with must itself convert as the host expects.
#include "filter/ColumnBytes.h"
#include "filter/PlaneCount.h"
#include "filter/Samples.h"
#include "host/HostSamples.h"
#include "tests/support/CountingHeap.h"
#include "tests/support/FilterReference.h"
#include "tests/support/FilterTestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using reference::AllocPlaneSet;
using reference::FreePlaneSet;
using reference::PlaneSet;
using reference::ReadPlanes;
using reference::WritePlanes;

// Planes for the whole work rectangle, released by the destructor.
struct TestPlanes {
    PlaneSet set = {};
    explicit TestPlanes(int32_t count, size_t pixels) {
        EXPECT_TRUE(AllocPlaneSet(&set, count, pixels));
    }
    ~TestPlanes() { FreePlaneSet(&set); }
};

size_t PixelsOf(const TestHost& host) {
    const Rect& work = host.instance.workRect;
    return size_t(work.bottom - work.top) * size_t(work.right - work.left);
}

void ExpectWorkRectCopied(const TestHost& host, int32_t channels) {
    const Rect& work = host.instance.workRect;
    for (int32_t r = 0; r < host.height; ++r) {
        for (int32_t c = 0; c < host.width; ++c) {
            const bool inside =
                r >= work.top && r < work.bottom && c >= work.left && c < work.right;
            for (int32_t l = 0; l < host.record.planes; ++l) {
                const int32_t out = ReadSample(host.out, host, r, c, l);
                if (inside && l < channels) {
                    ASSERT_EQ(out, ReadSample(host.in, host, r, c, l)) << r << "," << c << "," << l;
                } else {
                    const int32_t untouched = host.bytesPerSample == 1 ? 0xA5 : 0xA5A5;
                    ASSERT_EQ(out, untouched) << r << "," << c << "," << l;
                }
            }
        }
    }
}

TEST(PixelPlanes, EightBitSamplesComeBackUnchanged) {
    TestHost host;
    SetUpTestHost(&host, plugInModeRGBColor, 3, 16, 16);
    for (int32_t i = 0; i < 16 * 16 * 3; ++i)
        WriteSample(&host.in, host, i / 48, i / 3 % 16, i % 3, i % 256);
    TestPlanes planes(3, PixelsOf(host));
    ReadPlanes(&host.instance, 1, 3, &planes.set, nullptr);
    for (size_t j = 0; j < PixelsOf(host); ++j) {
        for (int32_t l = 0; l < 3; ++l) {
            const int32_t sample = ReadSample(host.in, host, int32_t(j / 16), int32_t(j % 16), l);
            ASSERT_EQ(planes.set.planes[l][j], float(sample * 0.00392156862745098));
        }
    }
    WritePlanes(&host.instance, 1, 3, &planes.set);
    ExpectWorkRectCopied(host, 3);
    // The row padding is the host's and stays as it was.
    EXPECT_EQ(host.out[host.record.outRowBytes - 1], untouchedByte);
}

TEST(PixelPlanes, SixteenBitSamplesComeBackUnchangedUpToFullIntensity) {
    TestHost host;
    SetUpTestHost(&host, plugInModeGray16, 1, 256, 130, 4);
    std::vector<int32_t> samples;
    for (int32_t i = 0; i < 256 * 130; ++i) {
        // 0..32768, then samples beyond full intensity up to 65535.
        const int32_t sample =
            i <= 32768 ? i : (i == 256 * 130 - 1 ? 65535 : 32769 + (i - 32769) * 61);
        WriteSample(&host.in, host, i / 256, i % 256, 0, sample);
        samples.push_back(sample);
    }
    TestPlanes planes(1, PixelsOf(host));
    ReadPlanes(&host.instance, 2, 1, &planes.set, nullptr);
    EXPECT_EQ(planes.set.planes[0][16384], 0.5f);
    EXPECT_EQ(planes.set.planes[0][32768], 1.0f);
    WritePlanes(&host.instance, 2, 1, &planes.set);
    for (int32_t i = 0; i < 256 * 130; ++i) {
        ASSERT_EQ(ReadSample(host.out, host, i / 256, i % 256, 0),
                  std::min(samples[size_t(i)], 32768))
            << "sample " << samples[size_t(i)];
    }
}

TEST(PixelPlanes, WritingRoundsHalfAwayFromZeroAndClamps) {
    EXPECT_EQ(SampleOf(0.5f, 255), 128);  // 127.5
    EXPECT_EQ(SampleOf(-0.1f, 255), 0);
    EXPECT_EQ(SampleOf(1.5f, 255), 255);
    EXPECT_EQ(SampleOf(1.0f, 32768), 32768);
    EXPECT_EQ(SampleOf(2.0f, 32768), 32768);
    EXPECT_EQ(SampleOf(float(0.5 / 32768), 32768), 1);
    EXPECT_EQ(SampleOf(float(0.49 / 255), 255), 0);
    EXPECT_EQ(SampleOf(float(-0.5 / 255), 255), 0);
    EXPECT_EQ(SampleOf(1e30f, 255), 255);
    EXPECT_EQ(SampleOf(-1e30f, 32768), 0);
    EXPECT_EQ(SampleOf(std::nanf(""), 255), 0);

    TestHost host;
    SetUpTestHost(&host, plugInModeGrayScale, 1, 4, 1);
    TestPlanes planes(1, 4);
    const float values[4] = {0.5f, -0.1f, 1.5f, 0.2f};
    for (int32_t j = 0; j < 4; ++j) planes.set.planes[0][j] = values[j];
    WritePlanes(&host.instance, 1, 1, &planes.set);
    EXPECT_EQ(host.out[0], 128);
    EXPECT_EQ(host.out[1], 0);
    EXPECT_EQ(host.out[2], 255);
    EXPECT_EQ(host.out[3], 51);

    SetUpTestHost(&host, plugInModeGray16, 1, 4, 1);
    const float wide[4] = {1.0f, 0.5f, 1.5f, -1.0f};
    for (int32_t j = 0; j < 4; ++j) planes.set.planes[0][j] = wide[j];
    WritePlanes(&host.instance, 2, 1, &planes.set);
    EXPECT_EQ(ReadSample(host.out, host, 0, 0, 0), 32768);
    EXPECT_EQ(ReadSample(host.out, host, 0, 1, 0), 16384);
    EXPECT_EQ(ReadSample(host.out, host, 0, 2, 0), 32768);
    EXPECT_EQ(ReadSample(host.out, host, 0, 3, 0), 0);
}

TEST(PixelPlanes, UnsetColumnBytesBecomeThePixelSize) {
    TestHost host;
    SetUpTestHost(&host, plugInModeRGB48, 3, 2, 2);
    host.record.inColumnBytes = 0;
    host.record.outColumnBytes = 0;
    DefaultColumnBytes(&host.instance);
    EXPECT_EQ(host.record.inColumnBytes, 6);
    EXPECT_EQ(host.record.outColumnBytes, 6);

    SetUpTestHost(&host, plugInModeGrayScale, 2, 2, 2);
    host.record.inColumnBytes = -4;
    host.record.outColumnBytes = 7;  // the host's own value stays
    DefaultColumnBytes(&host.instance);
    EXPECT_EQ(host.record.inColumnBytes, 2);
    EXPECT_EQ(host.record.outColumnBytes, 7);

    SetUpTestHost(&host, plugInModeRGBColor, 3, 2, 2);
    host.record.inColumnBytes = 5;
    host.record.outColumnBytes = -1;
    DefaultColumnBytes(&host.instance);
    EXPECT_EQ(host.record.inColumnBytes, 5);
    EXPECT_EQ(host.record.outColumnBytes, 3);

    FilterInstance empty = {};
    DefaultColumnBytes(&empty);  // no record: nothing to do, no crash
    DefaultColumnBytes(nullptr);
}

TEST(PixelPlanes, OnlyTheFirstEightOfManyChannelsAreConverted) {
    for (int16 mode : {plugInModeGrayScale, plugInModeGray16}) {
        TestHost host;
        SetUpTestHost(&host, mode, 10, 3, 2);
        for (int32_t p = 0; p < 6; ++p) {
            for (int32_t l = 0; l < 10; ++l)
                WriteSample(&host.in, host, p / 3, p % 3, l, p * 10 + l);
        }
        EXPECT_EQ(PlaneCountOf(10), 8);
        TestPlanes planes(8, 6);
        const int32_t bytes = host.bytesPerSample;
        ReadPlanes(&host.instance, bytes, PlaneCountOf(10), &planes.set, nullptr);
        const double scale = bytes == 1 ? 0.00392156862745098 : 1.0 / 32768;
        for (int32_t j = 0; j < 6; ++j) {
            for (int32_t l = 0; l < 8; ++l)
                ASSERT_EQ(planes.set.planes[l][j], float((j * 10 + l) * scale));
        }
        WritePlanes(&host.instance, bytes, PlaneCountOf(10), &planes.set);
        ExpectWorkRectCopied(host, 8);  // channels 8 and 9 keep the output's bytes
    }
}

TEST(PixelPlanes, RowsStartAtTheColumnBytesAndStepByThePixelSize) {
    TestHost host;
    SetUpTestHost(&host, plugInModeRGBColor, 3, 8, 5);
    host.instance.workRect = Rect{1, 2, 4, 6};
    TestPlanes planes(3, 12);
    ReadPlanes(&host.instance, 1, 3, &planes.set, nullptr);
    for (int32_t j = 0; j < 12; ++j) {
        for (int32_t l = 0; l < 3; ++l) {
            const int32_t sample = ReadSample(host.in, host, 1 + j / 4, 2 + j % 4, l);
            ASSERT_EQ(planes.set.planes[l][j], float(sample * 0.00392156862745098));
        }
    }
    WritePlanes(&host.instance, 1, 3, &planes.set);
    ExpectWorkRectCopied(host, 3);

    // A host whose column bytes differ from the pixel size: the row starts
    // at left x column bytes, the pixels after it one pixel size apart.
    SetUpTestHost(&host, plugInModeRGBColor, 3, 8, 5);
    host.instance.workRect = Rect{1, 2, 4, 6};
    host.record.inColumnBytes = 4;
    host.record.outColumnBytes = 5;
    ReadPlanes(&host.instance, 1, 3, &planes.set, nullptr);
    for (int32_t j = 0; j < 12; ++j) {
        const size_t at =
            size_t(1 + j / 4) * size_t(host.record.inRowBytes) + 2 * 4 + size_t(j % 4) * 3;
        ASSERT_EQ(planes.set.planes[1][j], float(host.in[at + 1] * 0.00392156862745098));
    }
    WritePlanes(&host.instance, 1, 3, &planes.set);
    for (int32_t j = 0; j < 12; ++j) {
        const size_t from =
            size_t(1 + j / 4) * size_t(host.record.inRowBytes) + 2 * 4 + size_t(j % 4) * 3;
        const size_t to =
            size_t(1 + j / 4) * size_t(host.record.outRowBytes) + 2 * 5 + size_t(j % 4) * 3;
        for (size_t l = 0; l < 3; ++l) ASSERT_EQ(host.out[to + l], host.in[from + l]);
    }
    EXPECT_EQ(host.out[size_t(host.record.outRowBytes) + 9],
              untouchedByte);  // before the row start
}

TEST(PixelPlanes, MaskCopyFollowsTheHostMaskOrIsZero) {
    TestHost host;
    SetUpTestHost(&host, plugInModeGrayScale, 1, 7, 6);
    AddTestMask(&host, 0);
    for (size_t i = 0; i < host.mask.size(); ++i) host.mask[i] = uint8_t(i * 13 + 1);
    host.instance.workRect = Rect{2, 3, 5, 7};
    std::vector<uint8_t> copy(12, 0x77);
    TestPlanes planes(1, 12);
    ReadPlanes(&host.instance, 1, 1, &planes.set, copy.data());
    for (int32_t j = 0; j < 12; ++j) {
        ASSERT_EQ(
            copy[size_t(j)],
            host.mask[size_t(2 + j / 4) * size_t(host.record.maskRowBytes) + 3 + size_t(j % 4)]);
    }

    host.record.haveMask = 0;
    copy.assign(12, 0x77);
    ReadPlanes(&host.instance, 1, 1, &planes.set, copy.data());
    EXPECT_EQ(copy, std::vector<uint8_t>(12, 0));
}

TEST(PixelPlanes, PlaneSetReleasesWhatItMadeWhenAnAllocationFails) {
    const size_t before = heapBytesInUse;
    for (int32_t failAt = 1; failAt <= 4; ++failAt) {
        PlaneSet set = {};
        heapAllocFailAt = failAt;
        EXPECT_FALSE(AllocPlaneSet(&set, 4, 100));
        heapAllocFailAt = 0;
        for (float* plane : set.planes) EXPECT_EQ(plane, nullptr);
        EXPECT_EQ(heapBytesInUse, before);
    }
    PlaneSet set = {};
    ASSERT_TRUE(AllocPlaneSet(&set, 2, 100));
    EXPECT_EQ(heapBytesInUse, before + 2 * 100 * sizeof(float));
    EXPECT_NE(set.planes[1], nullptr);
    EXPECT_EQ(set.planes[2], nullptr);
    FreePlaneSet(&set);
    EXPECT_EQ(heapBytesInUse, before);
    EXPECT_FALSE(AllocPlaneSet(&set, 2, SIZE_MAX / 2));  // byte count overflows
    EXPECT_EQ(heapBytesInUse, before);
}

TEST(PixelPlanes, SampleSizeFollowsTheImageMode) {
    EXPECT_EQ(BytesPerSample(plugInModeGrayScale), 1);
    EXPECT_EQ(BytesPerSample(plugInModeRGBColor), 1);
    EXPECT_EQ(BytesPerSample(plugInModeGray16), 2);
    EXPECT_EQ(BytesPerSample(plugInModeRGB48), 2);
    EXPECT_EQ(PlaneCountOf(0), 0);
    EXPECT_EQ(PlaneCountOf(-3), 0);
    EXPECT_EQ(PlaneCountOf(4), 4);
    EXPECT_EQ(PlaneCountOf(8), 8);
}

}  // namespace
