// Native (non-Windows) builds: hooks that stand in for the user.
#pragma once

#include "entry/FilterInstance.h"

#include <cstdint>

extern bool (*nativeFilterDialog)(FilterInstance* instance);  // null: no dialog can be shown
extern int32_t nativeAboutBoxCalls;                           // About boxes asked for

// No stand-in for the filter dialog, no About box counted.
void ResetNativeDialogs();
