// Where a dialog goes on the desktop: centred across, with a third of the
// free height above it and two thirds below.
#pragma once

#include <cstdint>

struct DialogPosition {
    int32_t x;
    int32_t y;
};

// Top-left corner for a dialog of width × height on the desktop rectangle
// (left, top, right, bottom); the divisions truncate toward zero.
DialogPosition CenteredDialogPosition(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                      int32_t width, int32_t height);

#ifdef _WIN32
struct HWND__;  // HWND

// Moves the dialog there, keeping its size and z-order.
void CenterDialog(HWND__* dialog);
#endif
