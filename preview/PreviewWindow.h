// The preview control of the filter dialog as the preview window: it
// paints the preview, shows the move cursor and pans the image while the
// left button drags over it (Windows only).
#pragma once

#include "entry/FilterInstance.h"
#include "preview/PreviewSchedule.h"

#ifdef _WIN32
#include <windows.h>

// Replaces the window procedure of control controlId of the dialog and
// hands it the instance (lParam) with WM_PREVIEW_ATTACH.
void InstallPreviewWindowProc(HWND dialog, int controlId, WPARAM wParam, LPARAM lParam);

// The control's new window procedure.
LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The window's state as a freshly loaded library has it: no control
// installed, no instance, no cursor, no drag.
void ResetPreviewWindow();

// Renders the preview (filtered or not), invalidates the preview window and
// posts the follow-up renders, or the held OK/Cancel/Close, to its parent,
// the dialog. A filtered render asked for while another render runs
// follows when that one ends.
void RefreshPreview(bool runFilter, FilterInstance* instance, HWND window);
#endif
