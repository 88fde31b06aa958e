// The filter dialog on Windows: its template, the preview control, the
// zoom buttons with their label, and Amount as an edit box and a slider
// (ids in resources/DialogIds.h).
#include "dialogs/DialogWindows.h"
#include "dialogs/FilterDialog.h"

// windows.h first: the common controls header builds on its types.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "dialogs/AboutText.h"
#include "dialogs/AmountText.h"
#include "dialogs/CenterDialog.h"
#include "dialogs/FilterDialogState.h"
#include "entry/ModuleHandle.h"
#include "preview/PreviewBuffers.h"
#include "preview/PreviewImage.h"
#include "preview/PreviewWindow.h"
#include "preview/PreviewZoom.h"
#include "preview/WindowRect.h"
#include "resources/DialogIds.h"

namespace {

const int filterDialogTemplate = DIALOG_FILTER;
const int zoomInButton = CONTROL_ZOOM_IN;
const int zoomOutButton = CONTROL_ZOOM_OUT;
const int previewControl = CONTROL_PREVIEW;
const int zoomLabel = CONTROL_ZOOM_LABEL;
const int amountLabel = CONTROL_AMOUNT_LABEL;
const int amountEdit = CONTROL_AMOUNT_EDIT;
const int amountSlider = CONTROL_AMOUNT_SLIDER;
const int16 amountMin = 1;
const int16 amountMax = 99;

HWND PreviewWindowOf(HWND dialog) { return GetDlgItem(dialog, previewControl); }

int32_t SliderMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return static_cast<int32_t>(SendDlgItemMessageA(dialog, amountSlider, message, wParam, lParam));
}

void WriteAmountText(HWND dialog, int32_t value) {
    char text[16];
    snprintf(text, sizeof text, "%d", static_cast<int>(value));
    SetDlgItemTextA(dialog, amountEdit, text);
}

int32_t AmountTextLength(HWND dialog) {
    return GetWindowTextLengthA(GetDlgItem(dialog, amountEdit));
}

// previewFrame := the preview control in the dialog's client coordinates.
void StorePreviewFrame(HWND dialog) {
    RECT bounds;
    WindowRectInClient(PreviewWindowOf(dialog), dialog, &bounds);
    dialogInstance->previewFrame.top = static_cast<int16>(bounds.top);
    dialogInstance->previewFrame.left = static_cast<int16>(bounds.left);
    dialogInstance->previewFrame.bottom = static_cast<int16>(bounds.bottom);
    dialogInstance->previewFrame.right = static_cast<int16>(bounds.right);
}

void RefreshDialogPreview(HWND dialog, bool runFilter) {
    RefreshPreview(runFilter, dialogInstance, PreviewWindowOf(dialog));
}

// Removes every further copy of a preview message from the thread's queue,
// so that any number of queued requests gives one render.
void DrainQueued(UINT message) {
    MSG queued;
    while (PeekMessageA(&queued, nullptr, message, message, PM_REMOVE)) {}
}

BOOL OnInitDialog(HWND dialog, WPARAM wParam, LPARAM lParam) {
    OpenFilterDialog(reinterpret_cast<FilterInstance*>(lParam));
    SetWindowTextA(dialog, filterDialogCaption);
    CenterDialog(dialog);
    InstallPreviewWindowProc(dialog, previewControl, wParam, lParam);
    StorePreviewFrame(dialog);
    AllocatePreviewBuffers(dialogInstance);
    FetchPreviewImage(dialogInstance);
    SetDlgItemTextA(dialog, amountLabel, "Amount");

    SliderMessage(dialog, TBM_SETRANGEMIN, TRUE, amountMin);
    SliderMessage(dialog, TBM_SETRANGEMAX, TRUE, amountMax);
    // A stored value outside the range comes back as the nearer bound.
    int16* amount = DialogAmount();
    SliderMessage(dialog, TBM_SETPOS, TRUE, *amount);
    *amount = static_cast<int16>(SliderMessage(dialog, TBM_GETPOS, 0, 0));
    WriteAmountText(dialog, *amount);
    SendDlgItemMessageA(dialog, amountEdit, EM_SETSEL, 0, AmountTextLength(dialog));

    RefreshDialogPreview(dialog, false);
    RequestFilteredPreview(dialog);
    return TRUE;
}

// OK, Cancel or Close wait while a render runs: the render uses the
// buffers they release and would overwrite the result they set.
BOOL OnCommandButton(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, bool confirm) {
    if (HoldWhileRendering(message, wParam, lParam)) return TRUE;
    if (confirm) {
        ConfirmFilterDialog();
        EndDialog(dialog, IDOK);
    } else {
        CancelFilterDialog();
        EndDialog(dialog, IDCANCEL);
    }
    return TRUE;
}

BOOL OnZoom(HWND dialog, int id) {
    if (!StepZoom(dialogInstance, id == zoomInButton ? -1 : 1)) return TRUE;
    SetDlgItemTextA(dialog, zoomLabel, ZoomLabelText(dialogInstance->zoomLevel).text);
    if (!NoteZoomStep()) return FALSE;
    RefreshDialogPreview(dialog, false);
    RefreshDialogPreview(dialog, true);
    return TRUE;
}

// Every notification of the edit box: a typed value in range that differs
// from Amount is taken, moves the slider and asks for a filtered render.
BOOL OnAmountEdit(HWND dialog) {
    char text[amountTextBuffer] = {0};
    GetDlgItemTextA(dialog, amountEdit, text, sizeof text);
    const int32_t value = ParseAmountText(text);
    const int32_t rangeMin = SliderMessage(dialog, TBM_GETRANGEMIN, 0, 0);
    const int32_t rangeMax = SliderMessage(dialog, TBM_GETRANGEMAX, 0, 0);
    int16* amount = DialogAmount();
    if (!AcceptTypedAmount(value, rangeMin, rangeMax, *amount)) return FALSE;
    SliderMessage(dialog, TBM_SETPOS, TRUE, ClampToRange(value, rangeMin, rangeMax));
    *amount = static_cast<int16>(value);
    RequestFilteredPreview(dialog);
    return TRUE;
}

// The slider writes its position into the edit box, whose notification
// then takes the value through OnAmountEdit.
BOOL OnSlider(HWND dialog) {
    const int32_t position = SliderMessage(dialog, TBM_GETPOS, 0, 0);
    int16* amount = DialogAmount();
    if (position == *amount) return FALSE;
    const int32_t rangeMin = SliderMessage(dialog, TBM_GETRANGEMIN, 0, 0);
    const int32_t rangeMax = SliderMessage(dialog, TBM_GETRANGEMAX, 0, 0);
    WriteAmountText(dialog, ClampToRange(position, rangeMin, rangeMax));
    const int32_t length = AmountTextLength(dialog);
    SendDlgItemMessageA(dialog, amountEdit, EM_SETSEL, length, length);
    *amount = static_cast<int16>(position);
    return TRUE;
}

BOOL OnCommand(HWND dialog, WPARAM wParam, LPARAM lParam) {
    const int16 id = static_cast<int16>(LOWORD(wParam));
    const WORD code = HIWORD(wParam);
    switch (id) {
        case IDOK:
        case IDCANCEL:
            if (code != 0) return FALSE;
            return OnCommandButton(dialog, WM_COMMAND, wParam, lParam, id == IDOK);
        case zoomInButton:
        case zoomOutButton:
            if (code != 0) return FALSE;
            return OnZoom(dialog, id);
        case amountEdit: return OnAmountEdit(dialog);
        default: return FALSE;
    }
}

BOOL OnPreviewMessage(UINT message, HWND dialog) {
    DrainQueued(message);
    RefreshDialogPreview(dialog, message == WM_PREVIEW_FILTERED);
    return TRUE;
}

BOOL OnClose(HWND dialog, WPARAM wParam, LPARAM lParam) {
    if (HoldWhileRendering(WM_CLOSE, wParam, lParam)) return FALSE;
    CancelFilterDialog();
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
}

}  // namespace

void RequestFilteredPreview(HWND dialog) {
    if (NoteFilteredRequest()) PostMessageA(dialog, WM_PREVIEW_FILTERED, 0, 0);
}

INT_PTR CALLBACK FilterDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return OnInitDialog(dialog, wParam, lParam);
    // Messages that reach the dialog before WM_INITDIALOG (the font, the
    // sizing) find no instance yet.
    if (!FilterDialogOpened()) return FALSE;
    switch (message) {
        case WM_COMMAND: return OnCommand(dialog, wParam, lParam);
        case WM_HSCROLL:
            if (static_cast<int16>(GetDlgCtrlID(reinterpret_cast<HWND>(lParam))) != amountSlider)
                return FALSE;
            return OnSlider(dialog);
        case WM_PREVIEW_FILTERED:
        case WM_PREVIEW_SOURCE: return OnPreviewMessage(message, dialog);
        case WM_CLOSE: return OnClose(dialog, wParam, lParam);
        default: return FALSE;
    }
}

bool RunFilterDialog(FilterInstance* instance) {
    if (instance == nullptr || instance->filter == nullptr) return false;
    const PlatformData* platform = static_cast<const PlatformData*>(instance->filter->platformData);
    HWND owner = platform != nullptr ? reinterpret_cast<HWND>(platform->hwnd) : nullptr;
    PrepareFilterDialog();
    DialogBoxParamW(static_cast<HINSTANCE>(moduleHandle), MAKEINTRESOURCEW(filterDialogTemplate),
                    owner, FilterDialogProc, reinterpret_cast<LPARAM>(instance));
    return FinishFilterDialog(instance);
}
