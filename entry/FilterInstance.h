// The plug-in's instance record, kept in the host's data slot between calls.
#pragma once

#include "host/HostInterface.h"

#include <cstdint>

struct FilterInstance {
    int16* result;         // the host's result of the current call
    FilterRecord* filter;  // the host's record of the current call
    int16 showDialog;      // 1: the next Start opens the filter dialog
    Rect previewFrame;     // preview control, dialog client coordinates
    Rect workRect;         // rectangle of one filter pass, inRect origin
    int16 zoomLevel;
    int32 panRow;
    int32 panColumn;
    uint8_t* previewPixels;
    uint8_t* previewMask;
    int16 hasTransparency;
    uint8_t* transparencyPlane;
};
