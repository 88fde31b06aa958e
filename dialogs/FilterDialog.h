// The modal filter dialog opened by Start.
#pragma once

#include "entry/FilterInstance.h"

// Runs the dialog; answers true exactly when the user confirmed (the
// instance's result is then 0). On Cancel the result is -128.
bool RunFilterDialog(FilterInstance* instance);
