// The part of a data request that is the same for every request the
// plug-in makes: every plane, 1:1 sampling, white padding.
#pragma once

#include "host/HostInterface.h"

// inputRate and maskRate 1.0; planes 0 .. planes - 1 for input and output;
// input, output and mask padding 255. The rectangles are the caller's.
void RequestEveryPlane(FilterRecord* filter);
