// The host version alert: Start needs the host's advanceState callback.
#pragma once

#include "host/CountedText.h"
#include "host/HostInterface.h"

const int16 versionAlertId = 16990;
const int16 versionMessageId = 16992;  // "^1" in it stands for the version

// True when the callback is present; otherwise shows the version warning box
// (no owner window) and answers false.
bool RequireAdvanceState(AdvanceStateProc advanceState, void* module);

// Shows message string stringId of module, with "^1" and "^2" replaced by
// first and second (either may be null), in a warning box. Answers the box's
// answer, or 0 when alertId is 0 and nothing was shown.
int32 ShowWarningAlert(void* module, void* owner, int16 alertId, int16 stringId,
                       const CountedText* first, const CountedText* second);
