// Colours given on the command line, as people write them: CSS/X11 names
// (navy, LightSlateGray, "light slate gray"; gray0 to gray100), #rgb,
// #rrggbb, #rrrrggggbbbb and rgb(r,g,b) with components 0 to 255 or
// percentages.
#pragma once

#include "host/HostInterface.h"

#include <cstddef>
#include <cstdint>
#include <string>

// 8-bit components c become c x 257 (full intensity 65535), as a host
// widens its colour swatches; a #rgb digit d becomes d x 4369 (#f is
// 65535); 16-bit components are taken as they are. Names are matched
// without regard to case, blanks, hyphens and underscores.
bool ParseColor(const std::string& text, RGBColor* colour);

// The colour's gray value (ITU-R BT.601 weights, rounded), in all three
// components: what a grayscale document's colour swatch holds.
RGBColor GrayOf(RGBColor colour);

// The named colours (ColorNames.cpp), sorted by name.
struct NamedColour {
    const char* name;
    uint8_t red, green, blue;
};
extern const NamedColour namedColours[];
extern const size_t namedColourCount;
