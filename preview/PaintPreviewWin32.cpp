#include <windows.h>

#include "preview/PaintPreview.h"
#include "preview/PreviewPixelMap.h"

void PaintPreview(FilterInstance* instance, HWND window) {
    // The control's own rectangle in its client coordinates: (0, 0) for a
    // control without a border.
    RECT bounds;
    GetWindowRect(window, &bounds);
    POINT topLeft = {bounds.left, bounds.top};
    ScreenToClient(window, &topLeft);

    // The paint always validates the window, drawn or not, so that WM_PAINT
    // does not come back at once.
    PAINTSTRUCT paint;
    HDC context = BeginPaint(window, &paint);
    if (context != nullptr) DrawPreviewPixels(instance, context, topLeft.y, topLeft.x);
    EndPaint(window, &paint);
}
