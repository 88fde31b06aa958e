// The column strides of the host's interleaved buffers.
#pragma once

#include "entry/FilterInstance.h"

// Gives inColumnBytes and outColumnBytes, when the host left them at 0 or
// below, the size of one interleaved pixel (planes x bytesPerSample).
// Positive values are the host's and stay.
void DefaultColumnBytes(FilterInstance* instance);
