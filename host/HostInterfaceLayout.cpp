// Compile-time proof that our declarations match the host's binary layout.
// Every field the plug-in reads or writes is checked, for i386 (Win32) and
// x86-64 (Win64, and the native Linux build, which shares that layout).
#include "host/HostInterface.h"

#define VORN_CHECK_OFFSET(record, field, off32, off64)                                 \
    static_assert(offsetof(record, field) == (sizeof(void*) == 4 ? (off32) : (off64)), \
                  #record "." #field " is not where the host expects it")
#define VORN_CHECK_SIZE(record, size32, size64)                                 \
    static_assert(sizeof(record) == (sizeof(void*) == 4 ? (size32) : (size64)), \
                  "sizeof(" #record ") differs from the host's")

static_assert(sizeof(void*) == 4 || sizeof(void*) == 8, "unsupported pointer size");
static_assert(sizeof(Boolean) == 1 && sizeof(OSErr) == 2 && sizeof(Fixed) == 4, "scalar sizes");

VORN_CHECK_SIZE(Point, 4, 4);
VORN_CHECK_SIZE(Rect, 8, 8);
VORN_CHECK_SIZE(VRect, 16, 16);
VORN_CHECK_SIZE(RGBColor, 6, 6);
VORN_CHECK_SIZE(PlugInMonitor, 40, 40);
VORN_CHECK_SIZE(PlatformData, 4, 8);
VORN_CHECK_OFFSET(Rect, top, 0, 0);
VORN_CHECK_OFFSET(Rect, left, 2, 2);
VORN_CHECK_OFFSET(Rect, bottom, 4, 4);
VORN_CHECK_OFFSET(Rect, right, 6, 6);
VORN_CHECK_OFFSET(Point, v, 0, 0);
VORN_CHECK_OFFSET(Point, h, 2, 2);

// FilterRecord
VORN_CHECK_OFFSET(FilterRecord, abortProc, 4, 4);
VORN_CHECK_OFFSET(FilterRecord, parameters, 12, 20);
VORN_CHECK_OFFSET(FilterRecord, imageSize, 16, 28);
VORN_CHECK_OFFSET(FilterRecord, planes, 20, 32);
VORN_CHECK_OFFSET(FilterRecord, filterRect, 22, 34);
VORN_CHECK_OFFSET(FilterRecord, background, 30, 42);
VORN_CHECK_OFFSET(FilterRecord, foreground, 36, 48);
VORN_CHECK_OFFSET(FilterRecord, maxSpace, 44, 56);
VORN_CHECK_OFFSET(FilterRecord, bufferSpace, 48, 60);
VORN_CHECK_OFFSET(FilterRecord, inRect, 52, 64);
VORN_CHECK_OFFSET(FilterRecord, inLoPlane, 60, 72);
VORN_CHECK_OFFSET(FilterRecord, inHiPlane, 62, 74);
VORN_CHECK_OFFSET(FilterRecord, outRect, 64, 76);
VORN_CHECK_OFFSET(FilterRecord, outLoPlane, 72, 84);
VORN_CHECK_OFFSET(FilterRecord, outHiPlane, 74, 86);
VORN_CHECK_OFFSET(FilterRecord, inData, 76, 88);
VORN_CHECK_OFFSET(FilterRecord, inRowBytes, 80, 96);
VORN_CHECK_OFFSET(FilterRecord, outData, 84, 100);
VORN_CHECK_OFFSET(FilterRecord, outRowBytes, 88, 108);
VORN_CHECK_OFFSET(FilterRecord, isFloating, 92, 112);
VORN_CHECK_OFFSET(FilterRecord, haveMask, 93, 113);
VORN_CHECK_OFFSET(FilterRecord, autoMask, 94, 114);
VORN_CHECK_OFFSET(FilterRecord, maskRect, 96, 116);
VORN_CHECK_OFFSET(FilterRecord, maskData, 104, 124);
VORN_CHECK_OFFSET(FilterRecord, maskRowBytes, 108, 132);
VORN_CHECK_OFFSET(FilterRecord, hostSig, 120, 144);
VORN_CHECK_OFFSET(FilterRecord, imageMode, 128, 156);
VORN_CHECK_OFFSET(FilterRecord, wholeSize, 144, 172);
VORN_CHECK_OFFSET(FilterRecord, monitor, 148, 176);
VORN_CHECK_OFFSET(FilterRecord, platformData, 188, 216);
VORN_CHECK_OFFSET(FilterRecord, displayPixels, 204, 248);
VORN_CHECK_OFFSET(FilterRecord, handleProcs, 208, 256);
VORN_CHECK_OFFSET(FilterRecord, filterCase, 216, 268);
VORN_CHECK_OFFSET(FilterRecord, advanceState, 224, 280);
VORN_CHECK_OFFSET(FilterRecord, supportsPadding, 237, 301);
VORN_CHECK_OFFSET(FilterRecord, inputPadding, 238, 302);
VORN_CHECK_OFFSET(FilterRecord, outputPadding, 240, 304);
VORN_CHECK_OFFSET(FilterRecord, maskPadding, 242, 306);
VORN_CHECK_OFFSET(FilterRecord, inputRate, 248, 312);
VORN_CHECK_OFFSET(FilterRecord, maskRate, 252, 316);
VORN_CHECK_OFFSET(FilterRecord, inLayerPlanes, 260, 328);
VORN_CHECK_OFFSET(FilterRecord, inTransparencyMask, 262, 330);
VORN_CHECK_OFFSET(FilterRecord, inColumnBytes, 300, 368);
VORN_CHECK_OFFSET(FilterRecord, outColumnBytes, 308, 376);
VORN_CHECK_OFFSET(FilterRecord, descriptorParameters, 356, 432);
VORN_CHECK_OFFSET(FilterRecord, documentInfo, 368, 456);

// AboutRecord
VORN_CHECK_OFFSET(AboutRecord, platformData, 0, 0);
VORN_CHECK_SIZE(AboutRecord, 256, 272);

// HandleProcs
VORN_CHECK_OFFSET(HandleProcs, handleProcsVersion, 0, 0);
VORN_CHECK_OFFSET(HandleProcs, numHandleProcs, 2, 2);
VORN_CHECK_OFFSET(HandleProcs, newProc, 4, 8);
VORN_CHECK_OFFSET(HandleProcs, disposeProc, 8, 16);
VORN_CHECK_OFFSET(HandleProcs, getSizeProc, 12, 24);
VORN_CHECK_OFFSET(HandleProcs, setSizeProc, 16, 32);
VORN_CHECK_OFFSET(HandleProcs, lockProc, 20, 40);
VORN_CHECK_OFFSET(HandleProcs, unlockProc, 24, 48);
VORN_CHECK_SIZE(HandleProcs, 36, 72);

// Descriptor suites
VORN_CHECK_OFFSET(PIDescriptorParameters, playInfo, 2, 2);
VORN_CHECK_OFFSET(PIDescriptorParameters, recordInfo, 4, 4);
VORN_CHECK_OFFSET(PIDescriptorParameters, descriptor, 8, 8);
VORN_CHECK_OFFSET(PIDescriptorParameters, writeDescriptorProcs, 12, 16);
VORN_CHECK_OFFSET(PIDescriptorParameters, readDescriptorProcs, 16, 24);
VORN_CHECK_SIZE(PIDescriptorParameters, 20, 32);
VORN_CHECK_OFFSET(ReadDescriptorProcs, openReadDescriptorProc, 4, 8);
VORN_CHECK_OFFSET(ReadDescriptorProcs, closeReadDescriptorProc, 8, 16);
VORN_CHECK_OFFSET(ReadDescriptorProcs, getKeyProc, 12, 24);
VORN_CHECK_OFFSET(ReadDescriptorProcs, getIntegerProc, 16, 32);
VORN_CHECK_OFFSET(ReadDescriptorProcs, getPinnedUnitFloatProc, 72, 144);
VORN_CHECK_SIZE(ReadDescriptorProcs, 76, 152);
VORN_CHECK_OFFSET(WriteDescriptorProcs, openWriteDescriptorProc, 4, 8);
VORN_CHECK_OFFSET(WriteDescriptorProcs, closeWriteDescriptorProc, 8, 16);
VORN_CHECK_OFFSET(WriteDescriptorProcs, putIntegerProc, 12, 24);
VORN_CHECK_SIZE(WriteDescriptorProcs, 68, 136);

// Pixel maps
VORN_CHECK_OFFSET(PSPixelMap, bounds, 4, 4);
VORN_CHECK_OFFSET(PSPixelMap, imageMode, 20, 20);
VORN_CHECK_OFFSET(PSPixelMap, rowBytes, 24, 24);
VORN_CHECK_OFFSET(PSPixelMap, colBytes, 28, 28);
VORN_CHECK_OFFSET(PSPixelMap, planeBytes, 32, 32);
VORN_CHECK_OFFSET(PSPixelMap, baseAddr, 36, 40);
VORN_CHECK_OFFSET(PSPixelMap, mat, 40, 48);
VORN_CHECK_OFFSET(PSPixelMap, masks, 44, 56);
VORN_CHECK_OFFSET(PSPixelMap, maskPhaseRow, 48, 64);
VORN_CHECK_OFFSET(PSPixelMap, maskPhaseCol, 52, 68);
VORN_CHECK_SIZE(PSPixelMap, 68, 88);
VORN_CHECK_OFFSET(PSPixelMask, maskData, 4, 8);
VORN_CHECK_OFFSET(PSPixelMask, rowBytes, 8, 16);
VORN_CHECK_OFFSET(PSPixelMask, colBytes, 12, 20);
VORN_CHECK_OFFSET(PSPixelMask, maskDescription, 16, 24);
VORN_CHECK_SIZE(PSPixelMask, 20, 32);
