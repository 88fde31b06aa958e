// Colours given on the command line: "#rrggbb", "#rrrrggggbbbb" or a name.
#pragma once

#include "host/HostInterface.h"

#include <string>

// 8-bit components c become c x 257 (full intensity 65535), as a host
// widens its colour swatches; 16-bit components are taken as they are.
// Names: black, white, red, green, blue, yellow, cyan, magenta, gray (grey).
bool ParseColor(const std::string& text, RGBColor* colour);

// The colour's gray value (ITU-R BT.601 weights, rounded), in all three
// components: what a grayscale document's colour swatch holds.
RGBColor GrayOf(RGBColor colour);
