// The filter dialog as the fuzzer plays it: the preview is set up, fetched,
// zoomed, panned and rendered in an order and with values the input picks,
// then the dialog is confirmed or cancelled.
#pragma once

#include "entry/FilterInstance.h"
#include "fuzz/FuzzInput.h"

// The input the dialog reads its moves from; set by the driver.
extern FuzzInput* dialogInput;

// Installed as the native build's filter dialog.
bool FuzzFilterDialog(FilterInstance* instance);
