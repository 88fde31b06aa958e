// Draws a plug-in's pixel map into a device context, as a host's
// displayPixels does: 8-bit gray or RGB, with the optional mask composited
// over a light checkerboard.
#include "testhost/HostCallbacks.h"

#include <windows.h>

#include <vector>

void DrawPixelMap(const PSPixelMap* source, const VRect* srcRect, int32 dstRow, int32 dstCol,
                  void* platformContext) {
    HDC dc = static_cast<HDC>(platformContext);
    const int32 width = srcRect->right - srcRect->left;
    const int32 height = srcRect->bottom - srcRect->top;
    if (dc == nullptr || width <= 0 || height <= 0 || source->baseAddr == nullptr) return;
    const bool gray = source->imageMode == plugInModeGrayScale;
    std::vector<uint8_t> bgr(static_cast<size_t>(width) * height * 4);
    const uint8_t* base = static_cast<const uint8_t*>(source->baseAddr);
    const PSPixelMask* mask = source->masks;
    for (int32 y = 0; y < height; ++y) {
        for (int32 x = 0; x < width; ++x) {
            const uint8_t* pixel = base + static_cast<size_t>(srcRect->top + y) * source->rowBytes +
                                   static_cast<size_t>(srcRect->left + x) * source->colBytes;
            uint32 r = pixel[0];
            uint32 g = gray ? pixel[0] : pixel[source->planeBytes];
            uint32 b = gray ? pixel[0] : pixel[2 * source->planeBytes];
            if (mask != nullptr && mask->maskData != nullptr) {
                const uint8_t* m = static_cast<const uint8_t*>(mask->maskData) +
                                   static_cast<size_t>(srcRect->top + y) * mask->rowBytes +
                                   static_cast<size_t>(srcRect->left + x) * mask->colBytes;
                const uint32 checker = ((x / 8 + y / 8) % 2) ? 255 : 204;
                r = (r * *m + checker * (255 - *m)) / 255;
                g = (g * *m + checker * (255 - *m)) / 255;
                b = (b * *m + checker * (255 - *m)) / 255;
            }
            uint8_t* out = &bgr[(static_cast<size_t>(y) * width + x) * 4];
            out[0] = static_cast<uint8_t>(b);
            out[1] = static_cast<uint8_t>(g);
            out[2] = static_cast<uint8_t>(r);
            out[3] = 0;
        }
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, dstCol, dstRow, width, height, 0, 0, 0, height, bgr.data(), &info,
                      DIB_RGB_COLORS);
}
