#include "filter/HostColours.h"

#include "entry/HostKind.h"

namespace {

const uint16 largestByte = 255;

// Colour channels that foreColor and backColor describe for the mode.
int32_t ColourChannelsOf(int16 imageMode) {
    return imageMode == plugInModeGrayScale || imageMode == plugInModeGray16 ? 1 : 3;
}

bool MatchesBytes(RGBColor colour, const unsigned char bytes[4], int32_t channels) {
    const uint16 components[3] = {colour.red, colour.green, colour.blue};
    for (int32_t c = 0; c < 3; ++c) {
        if (components[c] > largestByte) return false;
        if (c < channels && components[c] != bytes[c]) return false;
    }
    return true;
}

bool IsBlack(RGBColor colour) { return colour.red == 0 && colour.green == 0 && colour.blue == 0; }

}  // namespace

bool ColoursAreBytes(const FilterRecord* filter) {
    const int32_t channels = ColourChannelsOf(filter->imageMode);
    if (IsBlack(filter->foreground) && IsBlack(filter->background)) return false;
    return MatchesBytes(filter->foreground, filter->foreColor, channels) &&
           MatchesBytes(filter->background, filter->backColor, channels);
}

double ColourScaleOf(const FilterRecord* filter, int32_t hostKind) {
    if (hostKind == hostKindFireworks || ColoursAreBytes(filter)) return byteColourScale;
    return wordColourScale;
}
