// The filter's one parameter, kept by the host in its `parameters` handle.
#pragma once

#include "entry/DefaultAmount.h"
#include "host/HostInterface.h"

struct FilterParameters {
    int16 Amount;  // lattice pitch is Amount + 1 pixels
};

const int16 defaultAmount = VORN_DEFAULT_AMOUNT;

// The parameter block behind the record's `parameters` handle (its first
// word), whoever made the handle; null when there is no handle or no block.
FilterParameters* ParametersOf(const FilterRecord* filter);
