// The plug-in's instance record, kept in the host's data slot between calls,
// and the process-wide values set when the library is loaded.
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

// Kinds of host application, told apart by the executable's file name.
const int32_t hostKindOther = 0;
const int32_t hostKindFireworks = 1;
const int32_t hostKindPhotoshop = 3;
const int32_t hostKindPremiere = 8;
const int32_t hostKindAfterEffects = 11;

extern int32_t HostKind;    // set by DLLMain from the host executable's name
extern void* moduleHandle;  // the library's own module handle (HMODULE)

int32_t ClassifyHost(const char* fileName);
