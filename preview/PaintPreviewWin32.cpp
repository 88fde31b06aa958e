#include <windows.h>

#include "preview/PaintPreview.h"
#include "preview/PreviewPixelMap.h"
#include "preview/WindowRect.h"

void PaintPreview(FilterInstance* instance, HWND window) {
    // The control's own rectangle in its client coordinates: (0, 0) for a
    // control without a border.
    RECT bounds;
    WindowRectInClient(window, window, &bounds);

    // The paint always validates the window, drawn or not, so that WM_PAINT
    // does not come back at once.
    PAINTSTRUCT paint;
    HDC context = BeginPaint(window, &paint);
    if (context != nullptr) DrawPreviewPixels(instance, context, bounds.top, bounds.left);
    EndPaint(window, &paint);
}
