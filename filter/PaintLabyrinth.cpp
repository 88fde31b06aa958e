#include "filter/PaintLabyrinth.h"

#include "labyrinth/Labyrinth.h"

namespace {

const double byteColourScale = 0.00392156862745098;     // 1/255
const double wordColourScale = 0.000015259021896696422;  // 1/65535
const size_t pixelsPerPoll = 1000;

}  // namespace

PlaneColour PlaneColourOf(RGBColor colour, int32_t hostKind) {
    const double scale = hostKind == hostKindFireworks ? byteColourScale : wordColourScale;
    return PlaneColour{{colour.red * scale, colour.green * scale, colour.blue * scale}};
}

int32_t PaintedPlaneCount(int16 planes) {
    if (planes <= 0) return 0;
    if (planes == 2) return 1;
    return planes < 3 ? planes : 3;
}

bool PaintLabyrinth(PlaneSet* planes, int32_t paintedCount, const uint8_t* grid,
                    size_t pixelCount, const PlaneColour& wall, const PlaneColour& corridor,
                    TestAbortProc abortProc) {
    if (paintedCount > 3) paintedCount = 3;
    for (int32_t l = 0; l < paintedCount; ++l) {
        float* plane = planes->planes[l];
        const float wallValue = float(wall.components[l]);
        const float corridorValue = float(corridor.components[l]);
        for (size_t start = 0; start < pixelCount; start += pixelsPerPoll) {
            if (abortProc != nullptr && abortProc() != 0) return false;
            const size_t end = pixelCount - start < pixelsPerPoll ? pixelCount : start + pixelsPerPoll;
            for (size_t j = start; j < end; ++j) {
                plane[j] = grid[j] == Wall ? wallValue : corridorValue;
            }
        }
    }
    return true;
}
