// Native (non-Windows) builds: hooks that stand in for the user.
#pragma once

#include "entry/FilterInstance.h"

#include <cstdint>

extern bool (*nativeFilterDialog)(FilterInstance* instance);
extern int32_t nativeAboutBoxCalls;
