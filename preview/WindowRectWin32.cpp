#include "preview/WindowRect.h"

bool WindowRectInClient(HWND window, HWND client, RECT* rect) {
    RECT bounds = {0, 0, 0, 0};
    const bool known = GetWindowRect(window, &bounds) != 0;
    POINT topLeft = {bounds.left, bounds.top};
    POINT bottomRight = {bounds.right, bounds.bottom};
    ScreenToClient(client, &topLeft);
    ScreenToClient(client, &bottomRight);
    *rect = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    return known;
}
