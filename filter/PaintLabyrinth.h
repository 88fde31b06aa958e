// Painting a labyrinth grid into float planes in the host's colours.
#pragma once

#include "filter/PixelPlanes.h"

// Red, green, blue on the planes' 0..1 scale.
struct PlaneColour {
    double components[3];
};

// The host colour on the planes' scale: components x 1/255 on Fireworks,
// whose colours come in 0..255, x 1/65535 on every other host.
PlaneColour PlaneColourOf(RGBColor colour, int32_t hostKind);

// Planes that take the labyrinth's colours: planes 0, 1, 2 at most (red,
// green, blue; a one-channel image takes red). The last plane of a 2- or
// 4-plane image is the transparency plane and is left as read, and so are
// channels 3 and up of wider images, which have no colour component.
int32_t PaintedPlaneCount(int16 planes);

// Paints planes 0 .. paintedCount - 1 from the grid: wall cells in the
// wall colour's component for the plane, all others in the corridor's.
// abortProc (when there is one) is asked before pixels 0, 1000, 2000, ...
// of every plane; answers false as soon as it asks to stop, with the
// planes partly painted.
bool PaintLabyrinth(PlaneSet* planes, int32_t paintedCount, const uint8_t* grid,
                    size_t pixelCount, const PlaneColour& wall, const PlaneColour& corridor,
                    TestAbortProc abortProc);
