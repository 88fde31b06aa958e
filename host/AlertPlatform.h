// The two platform calls behind the warning box; AlertWin32.cpp makes them
// with the Windows API, AlertPosix.cpp records them for the native tests.
#pragma once

#include "host/HostInterface.h"

// Message box style of the alert: warning icon, single OK button.
const uint32 alertBoxStyle = 0x30;  // MB_ICONWARNING

// Copies string id of the module's string table into buffer (at most
// bufferSize - 1 characters and a zero byte); answers the number of
// characters, 0 when there is no such string.
int32 LoadAlertString(void* module, int16 stringId, char* buffer, int32 bufferSize);

// Shows text in a modal message box with the platform's default caption;
// owner may be null. Answers the box's answer.
int32 ShowAlertBox(void* owner, const char* text, uint32 style);
