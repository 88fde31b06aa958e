#include "tests/support/PlaneColours.h"

#include "entry/HostKind.h"
#include "filter/HostColours.h"

PlaneColour PlaneColourOf(RGBColor colour, int32_t hostKind) {
    return ScaledColour(colour, hostKind == hostKindFireworks ? byteColourScale : wordColourScale);
}
