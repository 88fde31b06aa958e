// A host record made by hand for the pixel-plane and filter-pass tests: one
// small interleaved image in an input and an output buffer (rows padded),
// an optional selection mask, a parameter block and a counting abortProc.
#pragma once

#include "tests/support/PassRecord.h"

#include <cstdint>
#include <cstring>
#include <vector>

// abortProc for the tests: counts its polls and asks to stop from poll
// number cancelAtPoll on (1 = the first poll; 0 = never).
inline int32_t abortPolls = 0;
inline int32_t cancelAtPoll = 0;

inline Boolean PI_CDECL CountingAbortProc() {
    ++abortPolls;
    return cancelAtPoll > 0 && abortPolls >= cancelAtPoll ? 1 : 0;
}

// Output bytes that the filter has not written keep this value.
const uint8_t untouchedByte = 0xA5;

struct TestHost : PassRecord {
    int32_t width;
    int32_t height;
    int32_t bytesPerSample;
    std::vector<uint8_t> in;
    std::vector<uint8_t> out;
    std::vector<uint8_t> mask;
};

// An image of width x height pixels with `planes` interleaved channels in
// both buffers, rows `padding` bytes longer than the pixels need; the whole
// image is the work rectangle. The input holds a byte ramp, the output
// untouchedByte throughout. Amount 10, black on white, no mask, no abortProc.
inline void SetUpTestHost(TestHost* host, int16 imageMode, int16 planes, int32_t width,
                          int32_t height, int32_t padding = 3) {
    host->width = width;
    host->height = height;
    host->bytesPerSample = imageMode == plugInModeGray16 || imageMode == plugInModeRGB48 ? 2 : 1;
    const int32_t rowBytes = width * planes * host->bytesPerSample + padding;
    host->in.assign(size_t(rowBytes) * size_t(height), 0);
    for (size_t i = 0; i < host->in.size(); ++i) host->in[i] = uint8_t(i * 7 + 3);
    host->out.assign(host->in.size(), untouchedByte);
    host->mask.clear();
    SetUpPassRecord(host,
                    PassImage{imageMode, planes, width, height, host->in.data(), rowBytes,
                              host->out.data(), rowBytes},
                    10);
    abortPolls = 0;
    cancelAtPoll = 0;
}

// Adds a selection mask, rows maskPadding bytes longer than the image.
inline void AddTestMask(TestHost* host, uint8_t value, int32_t maskPadding = 5) {
    const int32_t rowBytes = host->width + maskPadding;
    host->mask.assign(size_t(rowBytes) * size_t(host->height), value);
    SetPassMask(host, host->mask.data(), rowBytes);
}

inline size_t SampleOffset(const TestHost& host, int32_t row, int32_t column, int32_t channel) {
    return size_t(row) * size_t(host.record.inRowBytes) +
           (size_t(column) * size_t(host.record.planes) + size_t(channel)) *
               size_t(host.bytesPerSample);
}

inline int32_t ReadSample(const std::vector<uint8_t>& buffer, const TestHost& host, int32_t row,
                          int32_t column, int32_t channel) {
    const size_t at = SampleOffset(host, row, column, channel);
    if (host.bytesPerSample == 1) return buffer[at];
    uint16_t wide;
    memcpy(&wide, &buffer[at], sizeof wide);
    return wide;
}

inline void WriteSample(std::vector<uint8_t>* buffer, const TestHost& host, int32_t row,
                        int32_t column, int32_t channel, int32_t value) {
    const size_t at = SampleOffset(host, row, column, channel);
    if (host.bytesPerSample == 1) {
        (*buffer)[at] = uint8_t(value);
    } else {
        const uint16_t wide = uint16_t(value);
        memcpy(&(*buffer)[at], &wide, sizeof wide);
    }
}
