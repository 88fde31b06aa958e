#include "dialogs/CenterDialog.h"

#include <windows.h>

void CenterDialog(HWND dialog) {
    RECT desktop;
    RECT box;
    if (!GetWindowRect(GetDesktopWindow(), &desktop) || !GetWindowRect(dialog, &box)) return;
    const int32_t width = box.right - box.left;
    const int32_t height = box.bottom - box.top;
    const DialogPosition at = CenteredDialogPosition(desktop.left, desktop.top, desktop.right,
                                                     desktop.bottom, width, height);
    SetWindowPos(dialog, nullptr, at.x, at.y, width, height, SWP_NOZORDER);
}
