#include "filter/ColumnBytes.h"

#include "host/HostSamples.h"

void DefaultColumnBytes(FilterInstance* instance) {
    if (instance == nullptr || instance->filter == nullptr) return;
    FilterRecord* filter = instance->filter;
    const int32 pixelBytes = int32(filter->planes) * BytesPerSample(filter->imageMode);
    if (filter->inColumnBytes <= 0) filter->inColumnBytes = pixelBytes;
    if (filter->outColumnBytes <= 0) filter->outColumnBytes = pixelBytes;
}
