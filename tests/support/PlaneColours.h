// The host's colour on the planes' scale by the host's kind alone, for
// tests that work out what a pass paints (tests/support/PlaneColours.cpp).
#pragma once

#include "filter/PaintLabyrinth.h"

#include <cstdint>

// Components x 1/255 on Fireworks, whose colours come in 0..255, x 1/65535
// on every other host. A pass also takes a record's own 8-bit colours
// (ColoursAreBytes) at 1/255; see LabyrinthSamplesOf.
PlaneColour PlaneColourOf(RGBColor colour, int32_t hostKind);
