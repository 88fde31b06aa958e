// The filter's one parameter, kept by the host in its `parameters` handle.
#pragma once

#include "host/HostInterface.h"

struct FilterParameters {
    int16 Amount;  // lattice pitch is Amount + 1 pixels
};

const int16 defaultAmount = 10;

// The parameter block behind the record's `parameters` handle (its first
// word), whoever made the handle; null when there is no handle or no block.
FilterParameters* ParametersOf(const FilterRecord* filter);
