#include "host/AlertPosix.h"

#include "host/AlertPlatform.h"

#include <cstring>

PosixAlertLog posixAlertLog = {};
int16 posixAlertStringId = 0;
const char* posixAlertString = nullptr;
int32 posixAlertAnswer = 1;

void ResetPosixAlert() {
    memset(&posixAlertLog, 0, sizeof(posixAlertLog));
    posixAlertStringId = 0;
    posixAlertString = nullptr;
    posixAlertAnswer = 1;
}

int32 LoadAlertString(void* module, int16 stringId, char* buffer, int32 bufferSize) {
    posixAlertLog.lastModule = module;
    if (bufferSize <= 0) return 0;
    buffer[0] = '\0';
    if (stringId == 0 || stringId != posixAlertStringId || posixAlertString == nullptr) return 0;
    // Like the platform's loader: cut to the buffer, always zero-terminated.
    int32 length = static_cast<int32>(strlen(posixAlertString));
    if (length > bufferSize - 1) length = bufferSize - 1;
    memcpy(buffer, posixAlertString, static_cast<size_t>(length));
    buffer[length] = '\0';
    return length;
}

int32 ShowAlertBox(void* owner, const char* text, uint32 style) {
    ++posixAlertLog.shownCount;
    strncpy(posixAlertLog.lastText, text, sizeof(posixAlertLog.lastText) - 1);
    posixAlertLog.lastText[sizeof(posixAlertLog.lastText) - 1] = '\0';
    posixAlertLog.lastOwner = owner;
    posixAlertLog.lastStyle = style;
    return posixAlertAnswer;
}
