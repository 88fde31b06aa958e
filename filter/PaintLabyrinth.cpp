#include "filter/PaintLabyrinth.h"

#include "filter/HostColours.h"
#include "filter/PlaneCount.h"
#include "filter/Samples.h"
#include "host/HostSamples.h"

namespace {

const size_t pixelsPerPoll = 1000;

}  // namespace

PlaneColour ScaledColour(RGBColor colour, double scale) {
    return PlaneColour{{colour.red * scale, colour.green * scale, colour.blue * scale}};
}

LabyrinthSamples LabyrinthSamplesOf(const FilterRecord* filter, int32_t hostKind) {
    LabyrinthSamples samples = {};
    samples.bytesPerSample = BytesPerSample(filter->imageMode);
    samples.pixelStep = int32_t(filter->planes) * samples.bytesPerSample;
    samples.planeCount = PlaneCountOf(filter->planes);
    samples.paintedCount = PaintedPlaneCount(filter->planes);
    const int32_t largest = samples.bytesPerSample == 1 ? 255 : 32768;
    const double scale = ColourScaleOf(filter, hostKind);
    const PlaneColour wall = ScaledColour(filter->foreground, scale);
    const PlaneColour corridor = ScaledColour(filter->background, scale);
    for (int32_t l = 0; l < 3; ++l) {
        samples.wall[l] = uint16_t(SampleOf(float(wall.components[l]), largest));
        samples.corridor[l] = uint16_t(SampleOf(float(corridor.components[l]), largest));
    }
    return samples;
}

bool PollPaintedPlanes(TestAbortProc abortProc, int32_t paintedCount, size_t pixelCount) {
    if (abortProc == nullptr) return true;
    for (int32_t l = 0; l < paintedCount; ++l) {
        for (size_t start = 0; start < pixelCount; start += pixelsPerPoll) {
            if (abortProc() != 0) return false;
        }
    }
    return true;
}
