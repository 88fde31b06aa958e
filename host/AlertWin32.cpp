// The warning box's platform calls on Windows.
#include "host/AlertPlatform.h"

#include <windows.h>

int32 LoadAlertString(void* module, int16 stringId, char* buffer, int32 bufferSize) {
    return LoadStringA(static_cast<HINSTANCE>(module), static_cast<UINT>(stringId), buffer,
                       bufferSize);
}

int32 ShowAlertBox(void* owner, const char* text, uint32 style) {
    // No caption of our own: the platform's default title.
    return MessageBoxA(static_cast<HWND>(owner), text, nullptr, style);
}
