// Painting a labyrinth grid into the host's output buffer in the host's
// colours, straight from the grid: every output sample of a painted plane
// is one of two values worked out once per pass, and the channels that
// keep their values are copied from the input.
#pragma once

#include "entry/FilterInstance.h"

// Red, green, blue on the planes' 0..1 scale.
struct PlaneColour {
    double components[3];
};

// A colour's components times scale (ColourScaleOf, HostColours.h).
PlaneColour ScaledColour(RGBColor colour, double scale);

// What a pass writes, per channel: planes 0 .. paintedCount - 1 take
// wall[l] on wall cells and corridor[l] elsewhere; planes paintedCount ..
// planeCount - 1 go back as read (PassThroughSample); channels from
// planeCount on are not written.
struct LabyrinthSamples {
    int32_t bytesPerSample;
    int32_t pixelStep;  // bytes from one interleaved pixel to the next
    int32_t paintedCount;
    int32_t planeCount;
    uint16_t wall[3];
    uint16_t corridor[3];
};

// The samples for the record's image: each colour component on the
// planes' scale (ColourScaleOf of the record and host), stored as a float the way a plane holds it,
// and turned into a sample by SampleOf.
LabyrinthSamples LabyrinthSamplesOf(const FilterRecord* filter, int32_t hostKind);

// Asks abortProc (when there is one) before pixels 0, 1000, 2000, ... of
// every painted plane, plane by plane. Answers false as soon as it asks to
// stop.
bool PollPaintedPlanes(TestAbortProc abortProc, int32_t paintedCount, size_t pixelCount);

// Writes the labyrinth over the instance's workRect: grid is width x
// height cells, row by row. Rows of the output start at outRowBytes x row
// + workRect.left x outColumnBytes, and of the input likewise; only the
// samples named by `samples` are written.
void WriteLabyrinth(const FilterInstance* instance, const uint8_t* grid,
                    const LabyrinthSamples& samples);
