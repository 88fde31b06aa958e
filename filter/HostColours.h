// The scale of the host's colours. `foreground` and `background` are three
// 16-bit components each, 0..65535 in Photoshop; Fireworks and some other
// hosts put 8-bit values (0..255) there instead. Which one a record holds
// is told from the record alone: a host that writes 8-bit values also
// fills the 8-bit `foreColor` and `backColor` bytes with the same values,
// while a host on the 16-bit scale has byte = component / 257 there, which
// equals the component only for 0.
#pragma once

#include "host/HostInterface.h"

#include <cstdint>

// Multipliers that take a component to the planes' 0..1 scale.
const double byteColourScale = 0.00392156862745098;      // 1/255
const double wordColourScale = 0.000015259021896696422;  // 1/65535

// True when the record's colours are 8-bit values: every one of the six
// components is at most 255, each component of the image's colour
// channels (red alone for grayscale images, whose foreColor/backColor
// byte 0 is the gray value; red, green and blue otherwise) equals the
// matching foreColor/backColor byte, and not all six are 0 (black on black
// reads the same on either scale).
bool ColoursAreBytes(const FilterRecord* filter);

// The multiplier for this record's colours: 1/255 on Fireworks (hostKind
// 1) and for records whose colours are 8-bit values, 1/65535 otherwise.
double ColourScaleOf(const FilterRecord* filter, int32_t hostKind);
