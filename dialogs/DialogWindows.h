// The window procedures of the filter dialog and the About box, and the
// dialog's render request (Windows only; the dialogs themselves are run by
// RunFilterDialog and RunAboutBox).
#pragma once

#ifdef _WIN32
#include <windows.h>

INT_PTR CALLBACK FilterDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Asks for a filtered render: WM_PREVIEW_FILTERED is posted to the dialog
// when no render is running or pending; during a render the running one is
// marked to filter again when it ends.
void RequestFilteredPreview(HWND dialog);

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
#endif
