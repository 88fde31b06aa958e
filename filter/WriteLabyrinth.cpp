// The labyrinth into the host's output buffer, row by row, straight from
// the grid. Painted samples are picked from two values per plane without a
// branch; samples that go back as read are copied from the input. Each
// output byte is written once, and no painted plane is read.
#include "filter/PaintLabyrinth.h"

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

inline void StoreSample(uint8_t* at, int32_t bytesPerSample, uint32_t sample) {
    if (bytesPerSample == 1) {
        *at = uint8_t(sample);
    } else {
        const uint16_t wide = uint16_t(sample);
        memcpy(at, &wide, sizeof wide);  // host rows need not be 2-byte aligned
    }
}

inline uint32_t LoadSample(const uint8_t* at, int32_t bytesPerSample) {
    if (bytesPerSample == 1) return *at;
    uint16_t wide;
    memcpy(&wide, at, sizeof wide);
    return wide;
}

// Any channel layout; PLANES and BYTES known at compile time where the
// caller can, so that the per-pixel loops unroll (0 = take them from
// `samples`).
template <int32_t PLANES, int32_t BYTES>
void WriteRowGeneric(const RowSpan& row, const LabyrinthSamples& samples) {
    const int32_t bytes = BYTES != 0 ? BYTES : samples.bytesPerSample;
    const int32_t step = PLANES != 0 ? PLANES * bytes : samples.pixelStep;
    const int32_t painted = PLANES == 0 ? samples.paintedCount : PLANES == 2 ? 1 : PLANES < 3 ? PLANES : 3;
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
            StoreSample(out + l * bytes, bytes, uint32_t(PassThroughSample(int32_t(sample), bytes)));
        }
    }
}

// Three painted channels, nothing else in the pixel (RGB): each pixel is
// one store of a whole word holding its samples, which reaches into the
// next pixel's first sample; that one is written right after. The last
// pixel of the row is stored exactly, so nothing past the row is touched.
template <typename Word, int32_t BYTES>
void WriteRowThreePlanes(const RowSpan& row, const LabyrinthSamples& samples) {
    const int32_t step = 3 * BYTES;
    static_assert(sizeof(Word) > size_t(step) - 1 && sizeof(Word) <= size_t(step) + BYTES, "");
    uint8_t pixels[2][sizeof(Word)] = {};
    for (int32_t l = 0; l < 3; ++l) {
        StoreSample(pixels[0] + l * BYTES, BYTES, samples.corridor[l]);
        StoreSample(pixels[1] + l * BYTES, BYTES, samples.wall[l]);
    }
    Word words[2];
    memcpy(&words[0], pixels[0], sizeof(Word));
    memcpy(&words[1], pixels[1], sizeof(Word));
    if (row.width <= 0) return;
    uint8_t* out = row.out;
    const int32_t last = row.width - 1;
    for (int32_t c = 0; c < last; ++c, out += step) {
        memcpy(out, &words[IsWall(row.cells[c])], sizeof(Word));
    }
    memcpy(out, pixels[IsWall(row.cells[last])], size_t(step));
}

// One painted channel alone (gray): a select between two samples.
template <int32_t BYTES>
void WriteRowOnePlane(const RowSpan& row, const LabyrinthSamples& samples) {
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

using RowWriter = void (*)(const RowSpan&, const LabyrinthSamples&);

RowWriter RowWriterFor(const LabyrinthSamples& samples) {
    const bool wide = samples.bytesPerSample == 2;
    switch (samples.pixelStep / samples.bytesPerSample) {
    case 1: return wide ? WriteRowOnePlane<2> : WriteRowOnePlane<1>;
    case 2: return wide ? WriteRowGeneric<2, 2> : WriteRowGeneric<2, 1>;
    case 3: return wide ? WriteRowThreePlanes<uint64_t, 2> : WriteRowThreePlanes<uint32_t, 1>;
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
    uint8_t* outData = static_cast<uint8_t*>(filter->outData);
    const uint8_t* inData = static_cast<const uint8_t*>(filter->inData);
    const ptrdiff_t outFirst = ptrdiff_t(work.left) * filter->outColumnBytes;
    const ptrdiff_t inFirst = ptrdiff_t(work.left) * filter->inColumnBytes;
    const uint8_t* cells = grid;
    for (int32_t r = work.top; r < work.bottom; ++r, cells += width) {
        const RowSpan row = {outData + ptrdiff_t(r) * filter->outRowBytes + outFirst,
                             inData + ptrdiff_t(r) * filter->inRowBytes + inFirst, cells, width};
        writeRow(row, samples);
    }
}
