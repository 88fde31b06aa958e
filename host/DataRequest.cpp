#include "host/DataRequest.h"

namespace {

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

void RequestRect(FilterRecord* filter, const Rect& rect) {
    filter->inRect = rect;
    filter->outRect = rect;
    filter->maskRect = rect;
}

}  // namespace

void RequestFilterRect(FilterRecord* filter) {
    RequestEveryPlane(filter);
    RequestRect(filter, filter->filterRect);
}

void RequestWholeImage(FilterRecord* filter) {
    RequestRect(filter, Rect{0, 0, filter->imageSize.v, filter->imageSize.h});
    RequestEveryPlane(filter);
}

void RequestTransparencyPlane(FilterRecord* filter, int16 colourPlanes) {
    filter->planes = static_cast<int16>(colourPlanes + 1);
    filter->inHiPlane = static_cast<int16>(filter->planes - 1);
}

void RequestColourPlanes(FilterRecord* filter, int16 colourPlanes) {
    filter->planes = colourPlanes;
    filter->inHiPlane = static_cast<int16>(filter->planes - 1);
}

void ClearRequestRects(FilterRecord* filter) { RequestRect(filter, Rect{0, 0, 0, 0}); }
