// Native builds: the warning box is recorded instead of shown, and the
// module's string table is one string that a test may set.
#pragma once

#include "host/HostInterface.h"

struct PosixAlertLog {
    int32 shownCount;    // boxes shown since the last reset
    char lastText[256];  // text of the last box
    void* lastOwner;
    uint32 lastStyle;
    void* lastModule;  // module of the last string lookup
};

extern PosixAlertLog posixAlertLog;
extern int16 posixAlertStringId;      // the one string id present, 0 for none
extern const char* posixAlertString;  // its text
extern int32 posixAlertAnswer;        // what the box answers

// Forgets the log and the string; the box answers 1 (OK).
void ResetPosixAlert();
