// The labyrinth into the host's output buffer, row by row, straight from
// the grid. Painted samples are picked from two values per plane without a
// branch; samples that go back as read are copied from the input. Each
// output byte is written once, and no painted plane is read.
#include "filter/PaintLabyrinth.h"

#include "filter/PlaneCount.h"
#include "filter/Samples.h"
#include "host/HostSamples.h"

#include "labyrinth/Labyrinth.h"

#include <cstring>

namespace {

// One row's worth of pointers: `width` cells and pixels.
struct RowSpan {
    uint8_t* out;
    const uint8_t* in;
    const uint8_t* cells;
    int32_t width;
};

inline size_t IsWall(uint8_t cell) { return cell == Wall ? 1 : 0; }

// Any channel layout; PLANES and BYTES known at compile time where the
// caller can, so that the per-pixel loops unroll (0 = take them from
// `samples`).
template <int32_t PLANES, int32_t BYTES>
void WriteRowGeneric(const RowSpan& row, const LabyrinthSamples& samples, const uint8_t*) {
    const int32_t bytes = BYTES != 0 ? BYTES : samples.bytesPerSample;
    const int32_t step = PLANES != 0 ? PLANES * bytes : samples.pixelStep;
    const int32_t painted = PLANES == 0 ? samples.paintedCount : PaintedPlaneCount(PLANES);
    const int32_t planeCount = PLANES != 0 ? PLANES : samples.planeCount;
    uint32_t values[3][2];
    for (int32_t l = 0; l < 3; ++l) {
        values[l][0] = samples.corridor[l];
        values[l][1] = samples.wall[l];
    }
    uint8_t* out = row.out;
    const uint8_t* in = row.in;
    for (int32_t c = 0; c < row.width; ++c, out += step, in += step) {
        const size_t wall = IsWall(row.cells[c]);
        for (int32_t l = 0; l < painted; ++l) StoreSample(out + l * bytes, bytes, values[l][wall]);
        for (int32_t l = painted; l < planeCount; ++l) {
            const uint32_t sample = LoadSample(in + l * bytes, bytes);
            StoreSample(out + l * bytes, bytes,
                        uint32_t(PassThroughSample(int32_t(sample), bytes)));
        }
    }
}

// Three painted channels, nothing else in the pixel (RGB), written eight
// pixels at a time: the eight cells, each 0 or 1, are gathered into one
// byte that selects the eight pixels' bytes from a table made once per
// pass (256 entries of 24 or 48 bytes). Leftover pixels at the row's end
// go one by one.
const int32_t groupPixels = 8;

template <int32_t BYTES>
void FillGroupTable(const LabyrinthSamples& samples, uint8_t* table) {
    const int32_t step = 3 * BYTES;
    for (int32_t pattern = 0; pattern < 256; ++pattern) {
        uint8_t* pixel = table + size_t(pattern) * groupPixels * step;
        for (int32_t i = 0; i < groupPixels; ++i, pixel += step) {
            const bool wall = (pattern >> i & 1) != 0;
            for (int32_t l = 0; l < 3; ++l)
                StoreSample(pixel + l * BYTES, BYTES, wall ? samples.wall[l] : samples.corridor[l]);
        }
    }
}

// Bit i of the answer is cell i of the eight (cells are 0 or 1), for the
// byte order of a little-endian load.
inline uint32_t GroupPattern(const uint8_t* cells) {
    uint64_t word;
    memcpy(&word, cells, sizeof word);
    word |= word >> 7;
    word |= word >> 14;
    word |= word >> 28;
    return uint32_t(word & 0xFF);
}

template <int32_t BYTES>
void WriteRowThreePlanes(const RowSpan& row, const LabyrinthSamples& samples,
                         const uint8_t* table) {
    const int32_t step = 3 * BYTES;
    const size_t groupBytes = size_t(groupPixels) * step;
    uint8_t* out = row.out;
    int32_t c = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    for (; c + groupPixels <= row.width; c += groupPixels, out += groupBytes) {
        memcpy(out, table + GroupPattern(row.cells + c) * groupBytes, groupBytes);
    }
#endif
    for (; c < row.width; ++c, out += step) {
        const uint16_t* values = row.cells[c] == Wall ? samples.wall : samples.corridor;
        for (int32_t l = 0; l < 3; ++l) StoreSample(out + l * BYTES, BYTES, values[l]);
    }
}

// One painted channel alone (gray): a select between two samples.
template <int32_t BYTES>
void WriteRowOnePlane(const RowSpan& row, const LabyrinthSamples& samples, const uint8_t*) {
    if (BYTES == 1) {
        const uint8_t corridor = uint8_t(samples.corridor[0]);
        const uint8_t difference = uint8_t(samples.wall[0] ^ samples.corridor[0]);
        for (int32_t c = 0; c < row.width; ++c) {
            row.out[c] = uint8_t(corridor ^ (difference & uint8_t(0 - IsWall(row.cells[c]))));
        }
    } else {
        const uint16_t corridor = samples.corridor[0];
        const uint16_t difference = uint16_t(samples.wall[0] ^ samples.corridor[0]);
        for (int32_t c = 0; c < row.width; ++c) {
            const uint16_t sample =
                uint16_t(corridor ^ (difference & uint16_t(0 - IsWall(row.cells[c]))));
            memcpy(row.out + 2 * c, &sample, sizeof sample);
        }
    }
}

// A row writer gets the group table of the three-channel writer, or null.
using RowWriter = void (*)(const RowSpan&, const LabyrinthSamples&, const uint8_t*);

RowWriter RowWriterFor(const LabyrinthSamples& samples) {
    const bool wide = samples.bytesPerSample == 2;
    switch (samples.pixelStep / samples.bytesPerSample) {
        case 1: return wide ? WriteRowOnePlane<2> : WriteRowOnePlane<1>;
        case 2: return wide ? WriteRowGeneric<2, 2> : WriteRowGeneric<2, 1>;
        case 3: return wide ? WriteRowThreePlanes<2> : WriteRowThreePlanes<1>;
        case 4: return wide ? WriteRowGeneric<4, 2> : WriteRowGeneric<4, 1>;
        default: return wide ? WriteRowGeneric<0, 2> : WriteRowGeneric<0, 1>;
    }
}

}  // namespace

void WriteLabyrinth(const FilterInstance* instance, const uint8_t* grid,
                    const LabyrinthSamples& samples) {
    const FilterRecord* filter = instance->filter;
    const Rect work = instance->workRect;
    const int32_t width = int32_t(work.right) - work.left;
    if (width <= 0 || work.bottom <= work.top || samples.planeCount <= 0) return;
    const RowWriter writeRow = RowWriterFor(samples);
    // 256 patterns of eight pixels of up to 6 bytes.
    uint8_t groupTable[256 * groupPixels * 6];
    const bool threePlanes = samples.pixelStep == 3 * samples.bytesPerSample;
    if (threePlanes && samples.bytesPerSample == 1) FillGroupTable<1>(samples, groupTable);
    if (threePlanes && samples.bytesPerSample == 2) FillGroupTable<2>(samples, groupTable);
    uint8_t* outData = static_cast<uint8_t*>(filter->outData);
    const uint8_t* inData = static_cast<const uint8_t*>(filter->inData);
    const ptrdiff_t outFirst = ptrdiff_t(work.left) * filter->outColumnBytes;
    const ptrdiff_t inFirst = ptrdiff_t(work.left) * filter->inColumnBytes;
    const uint8_t* cells = grid;
    for (int32_t r = work.top; r < work.bottom; ++r, cells += width) {
        const RowSpan row = {outData + ptrdiff_t(r) * filter->outRowBytes + outFirst,
                             inData + ptrdiff_t(r) * filter->inRowBytes + inFirst, cells, width};
        writeRow(row, samples, groupTable);
    }
}
