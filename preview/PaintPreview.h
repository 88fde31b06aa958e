// Painting the preview control (Windows only).
#pragma once

#include "entry/FilterInstance.h"

#ifdef _WIN32
struct HWND__;  // HWND

// WM_PAINT of the preview control: draws the whole frame from previewPixels
// through the host at the control's client origin.
void PaintPreview(FilterInstance* instance, HWND__* window);
#endif
