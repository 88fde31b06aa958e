#include "host/DataRequest.h"

void RequestEveryPlane(FilterRecord* filter) {
    filter->inputRate = 0x10000;  // 1.0 in 16.16 fixed point
    filter->maskRate = 0x10000;
    filter->outLoPlane = 0;
    filter->inLoPlane = 0;
    filter->outHiPlane = static_cast<int16>(filter->planes - 1);
    filter->inHiPlane = filter->outHiPlane;
    filter->inputPadding = 255;
    filter->outputPadding = filter->inputPadding;
    filter->maskPadding = filter->inputPadding;
}
