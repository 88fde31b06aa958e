// The About box on Windows: its template, one centred text control. It
// closes on a left click anywhere in it; Enter and Escape do nothing.
#include "dialogs/AboutBox.h"
#include "dialogs/DialogWindows.h"

#include "dialogs/AboutText.h"
#include "dialogs/CenterDialog.h"
#include "entry/ModuleHandle.h"
#include "resources/DialogIds.h"

namespace {

const int aboutBoxTemplate = DIALOG_ABOUT_BOX;
const int aboutTextControl = CONTROL_ABOUT_TEXT;

}  // namespace

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SetDlgItemTextA(dialog, aboutTextControl, aboutText);
            CenterDialog(dialog);
            return TRUE;
        case WM_LBUTTONDOWN:
        case WM_CLOSE: EndDialog(dialog, LOWORD(wParam)); return TRUE;
        case WM_COMMAND: return TRUE;
        default: return FALSE;
    }
}

intptr_t RunAboutBox(const AboutRecord* about) {
    const PlatformData* platform =
        about != nullptr ? static_cast<const PlatformData*>(about->platformData) : nullptr;
    HWND owner = platform != nullptr ? reinterpret_cast<HWND>(platform->hwnd) : nullptr;
    return DialogBoxParamW(static_cast<HINSTANCE>(moduleHandle), MAKEINTRESOURCEW(aboutBoxTemplate),
                           owner, AboutDialogProc, 0);
}
