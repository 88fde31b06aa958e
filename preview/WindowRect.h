// A window's rectangle in the client coordinates of a window (Windows only).
#pragma once

#ifdef _WIN32
#include <windows.h>

// `window`'s rectangle in the client coordinates of `client` (the window
// itself, or the dialog it is a control of). False when the window has no
// rectangle; *rect is then the empty rectangle at the screen's origin, in
// those coordinates.
bool WindowRectInClient(HWND window, HWND client, RECT* rect);
#endif
