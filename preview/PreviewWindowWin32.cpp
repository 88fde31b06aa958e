#include "preview/PreviewWindow.h"

#include "preview/PaintPreview.h"
#include "preview/PreviewGeometry.h"
#include "preview/PreviewRender.h"
#include "preview/WindowRect.h"

namespace {

// One preview at a time: the window's state lives in the library.
WNDPROC previousPreviewProc = nullptr;
FilterInstance* previewInstance = nullptr;
HCURSOR moveCursor = nullptr;
int32_t dragActive = 0;  // 1 from a left press in the preview until its release
int16 lastMouseX = 0;    // client coordinates at the press or the last drag step
int16 lastMouseY = 0;

// Mouse coordinates are signed: with the mouse captured they can lie left
// of or above the control.
int16 MouseX(LPARAM lParam) { return static_cast<int16>(LOWORD(lParam)); }
int16 MouseY(LPARAM lParam) { return static_cast<int16>(HIWORD(lParam)); }

void PostToDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessageA(GetParent(window), message, wParam, lParam);
}

// The moved view is shown at once without the labyrinth; the labyrinth
// comes back after the button is released.
void DragStep(HWND window, LPARAM lParam) {
    const int16 x = MouseX(lParam);
    const int16 y = MouseY(lParam);
    PanPreview(previewInstance, x - lastMouseX, y - lastMouseY);
    lastMouseY = y;
    lastMouseX = x;
    RefreshPreview(false, previewInstance, window);
}

// The button release, or the capture taken away: the drag is over and the
// filtered view of where it ended is asked for.
void EndDrag(HWND window) {
    if (NoteDragEnd()) PostToDialog(window, WM_PREVIEW_FILTERED, 0, 0);
}

void PaintWithoutPreview(HWND window) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
}

}  // namespace

void ResetPreviewWindow() {
    previousPreviewProc = nullptr;
    previewInstance = nullptr;
    moveCursor = nullptr;
    dragActive = 0;
    lastMouseX = 0;
    lastMouseY = 0;
}

void InstallPreviewWindowProc(HWND dialog, int controlId, WPARAM wParam, LPARAM lParam) {
    HWND control = GetDlgItem(dialog, controlId);
    if (control == nullptr) return;
    previousPreviewProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(control, GWLP_WNDPROC));
    SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PreviewWindowProc));
    SendMessageA(control, WM_PREVIEW_ATTACH, wParam, lParam);
}

LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            // The control's own black frame is never drawn.
            if (previewInstance != nullptr) {
                PaintPreview(previewInstance, window);
            } else {
                PaintWithoutPreview(window);
            }
            return 1;
        case WM_SETCURSOR: SetCursor(moveCursor); return 1;
        case WM_MOUSEMOVE:
            SetCursor(moveCursor);
            if (dragActive == 1) DragStep(window, lParam);
            return 1;
        case WM_LBUTTONDOWN:
            SetCursor(moveCursor);
            NoteDragStart();
            SetCapture(window);
            lastMouseX = MouseX(lParam);
            lastMouseY = MouseY(lParam);
            dragActive = 1;
            return 1;
        case WM_LBUTTONUP:
            // Ended before the capture goes, so that the capture change that
            // ReleaseCapture sends does not end the drag a second time.
            dragActive = 0;
            ReleaseCapture();
            EndDrag(window);
            return 1;
        case WM_CAPTURECHANGED:
            // Another window took the mouse in the middle of a drag.
            if (dragActive == 1) {
                dragActive = 0;
                EndDrag(window);
            }
            break;
        case WM_PREVIEW_ATTACH:
            moveCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_SIZEALL));
            previewInstance = reinterpret_cast<FilterInstance*>(lParam);
            dragActive = 0;
            return 1;
        default: break;
    }
    if (previousPreviewProc == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    return CallWindowProcA(previousPreviewProc, window, message, wParam, lParam);
}

void RefreshPreview(bool runFilter, FilterInstance* instance, HWND window) {
    if (!BeginPreviewRender(runFilter)) return;
    RenderPreview(instance, runFilter);

    RECT area;
    if (WindowRectInClient(window, window, &area)) InvalidateRect(window, &area, FALSE);

    const RenderFollowUp next = EndPreviewRender();
    if (next.postHeld) {
        PostToDialog(window, next.held.message, next.held.wParam, next.held.lParam);
    }
    if (next.postSource) PostToDialog(window, WM_PREVIEW_SOURCE, 0, 0);
    if (next.postFiltered) PostToDialog(window, WM_PREVIEW_FILTERED, 0, 0);
}
