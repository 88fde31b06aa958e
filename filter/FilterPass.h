// The filter itself: paints the labyrinth over the instance's workRect.
#pragma once

#include "entry/FilterInstance.h"

// Reports through the host result of the instance: 0 when the labyrinth
// was written, -128 when the host's abortProc stopped it, -108 when a
// working buffer could not be had, -30101 for an image mode it does not
// filter, -30100 when the record cannot be filtered (no parameter block, an
// Amount below 0, buffers that do not cover workRect: see RecordChecks.h).
// Output is written only on success.
void RunFilterPass(FilterInstance* instance);
