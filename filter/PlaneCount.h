// How many of the host's planes a pass converts, and how many of those
// take the labyrinth's colours.
#pragma once

#include "host/HostInterface.h"

#include <cstdint>

// No pass works on more than this many channels of an image.
const int32_t maxPlaneCount = 8;

// Channels a pass converts: the host's `planes`, at most maxPlaneCount,
// 0 when the host reports none.
constexpr int32_t PlaneCountOf(int16 planes) {
    return planes <= 0 ? 0 : planes < maxPlaneCount ? planes : maxPlaneCount;
}

// Planes that take the labyrinth's colours: planes 0, 1, 2 at most (red,
// green, blue; a one-channel image takes red). The last plane of a 2- or
// 4-plane image is the transparency plane and is left as read, and so are
// channels 3 and up of wider images, which have no colour component.
constexpr int32_t PaintedPlaneCount(int16 planes) {
    return planes <= 0 ? 0 : planes == 2 ? 1 : planes < 3 ? planes : 3;
}
