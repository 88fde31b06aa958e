// Declarations of the host application's filter plug-in records, callbacks
// and constants, as the published plug-in interface lays them out on Windows
// (i386 and x86-64). The native Linux build uses the same declarations; on
// x86-64 Linux they come out with the x86-64 Windows offsets, which the
// layout checks in HostInterfaceLayout.cpp prove for every field we touch.
#pragma once

#include <cstddef>
#include <cstdint>

// Host callbacks and the entry point use the C calling convention on i386.
#if defined(_WIN32) && !defined(_WIN64)
#define PI_CDECL __cdecl
#else
#define PI_CDECL
#endif

typedef int16_t int16;
typedef int32_t int32;
typedef uint16_t uint16;
typedef uint32_t uint32;
typedef unsigned char Boolean;  // one byte, not the 4-byte Win32 BOOL
typedef int16_t OSErr;
typedef uint32_t OSType;
typedef uint32_t DescriptorKeyID;
typedef uint32_t DescriptorTypeID;
typedef int32_t Fixed;
typedef char* Ptr;
typedef char** Handle;
typedef Handle PIDescriptorHandle;
typedef void* PIReadDescriptor;
typedef void* PIWriteDescriptor;

// ---- result codes -------------------------------------------------------
const OSErr noErr = 0;
const OSErr memFullErr = -108;
const OSErr userCanceledErr = -128;
const OSErr filterBadParameters = -30100;
const OSErr filterBadMode = -30101;
const OSErr errAEParamMissed = -1715;
const OSErr errPlugInHostInsufficient = -30900;

// ---- selectors ----------------------------------------------------------
const int16 filterSelectorAbout = 0;
const int16 filterSelectorParameters = 1;
const int16 filterSelectorPrepare = 2;
const int16 filterSelectorStart = 3;
const int16 filterSelectorContinue = 4;
const int16 filterSelectorFinish = 5;

// ---- image modes --------------------------------------------------------
const int16 plugInModeGrayScale = 1;
const int16 plugInModeRGBColor = 3;
const int16 plugInModeGray16 = 10;
const int16 plugInModeRGB48 = 11;

// ---- scripting ----------------------------------------------------------
const int16 plugInDialogOptional = 0;
const int16 plugInDialogRequired = 1;
const int16 plugInDialogNone = 2;
const int16 plugInDialogDontDisplay = 0;
const int16 plugInDialogDisplay = 1;
const int16 plugInDialogSilent = 2;
const DescriptorKeyID keyAmount = 0x416D6E74;     // 'Amnt'
const DescriptorTypeID typeInteger = 0x6C6F6E67;  // 'long'
const DescriptorTypeID typeNull = 0x6E756C6C;     // 'null'
const int16 kCurrentHandleProcsVersion = 1;
const int16 kCurrentDescriptorParametersVersion = 0;
const int16 kCurrentReadDescriptorProcsVersion = 0;
const int16 kCurrentWriteDescriptorProcsVersion = 0;
const int16 kCurrentReadDescriptorProcsCount = 18;
const int16 kCurrentWriteDescriptorProcsCount = 16;

// ---- pixel maps ---------------------------------------------------------
const int32 kSimplePSMask = 0;

// ---- small records (natural alignment) -----------------------------------
struct Point {
    int16 v;  // row
    int16 h;  // column
};

struct Rect {
    int16 top;
    int16 left;
    int16 bottom;
    int16 right;
};

struct VPoint {
    int32 v;
    int32 h;
};

struct VRect {
    int32 top;
    int32 left;
    int32 bottom;
    int32 right;
};

struct RGBColor {
    uint16 red;
    uint16 green;
    uint16 blue;
};

struct PlugInMonitor {
    Fixed gamma, redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY, ambient;
};

struct PlatformData {
    intptr_t hwnd;  // window that owns the plug-in's dialogs
};

// ---- callbacks ----------------------------------------------------------
struct PSPixelMap;
struct VRect;
typedef Boolean(PI_CDECL* TestAbortProc)(void);
typedef void(PI_CDECL* ProgressProc)(int32 done, int32 total);
typedef OSErr(PI_CDECL* AdvanceStateProc)(void);
typedef OSErr(PI_CDECL* DisplayPixelsProc)(const PSPixelMap* source, const VRect* srcRect,
                                           int32 dstRow, int32 dstCol, void* platformContext);
typedef void(PI_CDECL* HostProc)(int16 selector, intptr_t* data);
typedef void(PI_CDECL* ProcessEventProc)(void* event);

// ---- handle suite -------------------------------------------------------
typedef Handle(PI_CDECL* NewPIHandleProc)(int32 size);
typedef void(PI_CDECL* DisposePIHandleProc)(Handle h);
typedef int32(PI_CDECL* GetPIHandleSizeProc)(Handle h);
typedef OSErr(PI_CDECL* SetPIHandleSizeProc)(Handle h, int32 newSize);
typedef Ptr(PI_CDECL* LockPIHandleProc)(Handle h, Boolean moveHigh);
typedef void(PI_CDECL* UnlockPIHandleProc)(Handle h);
typedef void(PI_CDECL* RecoverSpaceProc)(int32 size);
typedef void(PI_CDECL* DisposeRegularHandleProc)(Handle h);

struct HandleProcs {
    int16 handleProcsVersion;
    int16 numHandleProcs;
    NewPIHandleProc newProc;
    DisposePIHandleProc disposeProc;
    GetPIHandleSizeProc getSizeProc;
    SetPIHandleSizeProc setSizeProc;
    LockPIHandleProc lockProc;
    UnlockPIHandleProc unlockProc;
    RecoverSpaceProc recoverSpaceProc;
    DisposeRegularHandleProc disposeRegularHandleProc;
};

// ---- descriptor suites --------------------------------------------------
typedef PIReadDescriptor(PI_CDECL* OpenReadDescriptorProc)(PIDescriptorHandle descriptor,
                                                           DescriptorKeyID* keys);
typedef OSErr(PI_CDECL* CloseReadDescriptorProc)(PIReadDescriptor token);
typedef Boolean(PI_CDECL* GetKeyProc)(PIReadDescriptor token, DescriptorKeyID* key,
                                      DescriptorTypeID* type, int32* flags);
typedef OSErr(PI_CDECL* GetIntegerProc)(PIReadDescriptor token, int32* value);
typedef void* ReadDescriptorProcSlot;  // procedures the plug-in never calls

struct ReadDescriptorProcs {
    int16 readDescriptorProcsVersion;
    int16 numReadDescriptorProcs;
    OpenReadDescriptorProc openReadDescriptorProc;
    CloseReadDescriptorProc closeReadDescriptorProc;
    GetKeyProc getKeyProc;
    GetIntegerProc getIntegerProc;
    ReadDescriptorProcSlot getFloatProc;
    ReadDescriptorProcSlot getUnitFloatProc;
    ReadDescriptorProcSlot getBooleanProc;
    ReadDescriptorProcSlot getTextProc;
    ReadDescriptorProcSlot getAliasProc;
    ReadDescriptorProcSlot getEnumeratedProc;
    ReadDescriptorProcSlot getClassProc;
    ReadDescriptorProcSlot getSimpleReferenceProc;
    ReadDescriptorProcSlot getObjectProc;
    ReadDescriptorProcSlot getCountProc;
    ReadDescriptorProcSlot getStringProc;
    ReadDescriptorProcSlot getPinnedIntegerProc;
    ReadDescriptorProcSlot getPinnedFloatProc;
    ReadDescriptorProcSlot getPinnedUnitFloatProc;
};

typedef PIWriteDescriptor(PI_CDECL* OpenWriteDescriptorProc)(void);
typedef OSErr(PI_CDECL* CloseWriteDescriptorProc)(PIWriteDescriptor token,
                                                  PIDescriptorHandle* newDescriptor);
typedef OSErr(PI_CDECL* PutIntegerProc)(PIWriteDescriptor token, DescriptorKeyID key, int32 value);
typedef void* WriteDescriptorProcSlot;  // procedures the plug-in never calls

struct WriteDescriptorProcs {
    int16 writeDescriptorProcsVersion;
    int16 numWriteDescriptorProcs;
    OpenWriteDescriptorProc openWriteDescriptorProc;
    CloseWriteDescriptorProc closeWriteDescriptorProc;
    PutIntegerProc putIntegerProc;
    WriteDescriptorProcSlot putFloatProc;
    WriteDescriptorProcSlot putUnitFloatProc;
    WriteDescriptorProcSlot putBooleanProc;
    WriteDescriptorProcSlot putTextProc;
    WriteDescriptorProcSlot putAliasProc;
    WriteDescriptorProcSlot putEnumeratedProc;
    WriteDescriptorProcSlot putClassProc;
    WriteDescriptorProcSlot putSimpleReferenceProc;
    WriteDescriptorProcSlot putObjectProc;
    WriteDescriptorProcSlot putCountProc;
    WriteDescriptorProcSlot putStringProc;
    WriteDescriptorProcSlot putScopedClassProc;
    WriteDescriptorProcSlot putScopedObjectProc;
};

struct PIDescriptorParameters {
    int16 descriptorParametersVersion;
    int16 playInfo;
    int16 recordInfo;
    PIDescriptorHandle descriptor;
    WriteDescriptorProcs* writeDescriptorProcs;
    ReadDescriptorProcs* readDescriptorProcs;
};

// ---- pixel maps for displayPixels ---------------------------------------
struct PSPixelMask {
    PSPixelMask* next;
    void* maskData;
    int32 rowBytes;
    int32 colBytes;
    int32 maskDescription;
};

struct PSPixelMap {
    int32 version;
    VRect bounds;
    int32 imageMode;
    int32 rowBytes;
    int32 colBytes;
    int32 planeBytes;
    void* baseAddr;
    PSPixelMask* mat;
    PSPixelMask* masks;
    int32 maskPhaseRow;
    int32 maskPhaseCol;
    void* pixelOverlays;
    uint32 colorManagementOptions;
    int16 depth;
};

// ---- the About selector's record ----------------------------------------
struct AboutRecord {
    void* platformData;  // -> PlatformData
    void* sSPBasic;
    void* plugInRef;
    char reserved[244];
};

// ---- the filter record (4-byte packing on Windows, both architectures) ---
#pragma pack(push, 4)
struct FilterRecord {
    int32 serialNumber;
    TestAbortProc abortProc;
    ProgressProc progressProc;
    Handle parameters;
    Point imageSize;
    int16 planes;
    Rect filterRect;
    RGBColor background;
    RGBColor foreground;
    int32 maxSpace;
    int32 bufferSpace;
    Rect inRect;
    int16 inLoPlane;
    int16 inHiPlane;
    Rect outRect;
    int16 outLoPlane;
    int16 outHiPlane;
    void* inData;
    int32 inRowBytes;
    void* outData;
    int32 outRowBytes;
    Boolean isFloating;
    Boolean haveMask;
    Boolean autoMask;
    Rect maskRect;
    void* maskData;
    int32 maskRowBytes;
    unsigned char backColor[4];
    unsigned char foreColor[4];
    OSType hostSig;
    HostProc hostProc;
    int16 imageMode;
    Fixed imageHRes;
    Fixed imageVRes;
    Point floatCoord;
    Point wholeSize;
    PlugInMonitor monitor;
    void* platformData;  // -> PlatformData
    void* bufferProcs;
    void* resourceProcs;
    ProcessEventProc processEvent;
    DisplayPixelsProc displayPixels;
    HandleProcs* handleProcs;
    Boolean supportsDummyChannels;
    Boolean supportsAlternateLayouts;
    int16 wantLayout;
    int16 filterCase;
    int16 dummyPlaneValue;
    void* premiereHook;
    AdvanceStateProc advanceState;
    Boolean supportsAbsolute;
    Boolean wantsAbsolute;
    void* getPropertyObsolete;
    Boolean cannotUndo;
    Boolean supportsPadding;
    int16 inputPadding;
    int16 outputPadding;
    int16 maskPadding;
    char samplingSupport;
    char reservedByte;
    Fixed inputRate;
    Fixed maskRate;
    void* colorServices;
    int16 inLayerPlanes;
    int16 inTransparencyMask;
    int16 inLayerMasks;
    int16 inInvertedLayerMasks;
    int16 inNonLayerPlanes;
    int16 outLayerPlanes;
    int16 outTransparencyMask;
    int16 outLayerMasks;
    int16 outInvertedLayerMasks;
    int16 outNonLayerPlanes;
    int16 absLayerPlanes;
    int16 absTransparencyMask;
    int16 absLayerMasks;
    int16 absInvertedLayerMasks;
    int16 absNonLayerPlanes;
    int16 inPreDummyPlanes;
    int16 inPostDummyPlanes;
    int16 outPreDummyPlanes;
    int16 outPostDummyPlanes;
    int32 inColumnBytes;
    int32 inPlaneBytes;
    int32 outColumnBytes;
    int32 outPlaneBytes;
    void* imageServicesProcs;
    void* propertyProcs;
    int16 inTileHeight;
    int16 inTileWidth;
    Point inTileOrigin;
    int16 absTileHeight;
    int16 absTileWidth;
    Point absTileOrigin;
    int16 outTileHeight;
    int16 outTileWidth;
    Point outTileOrigin;
    int16 maskTileHeight;
    int16 maskTileWidth;
    Point maskTileOrigin;
    PIDescriptorParameters* descriptorParameters;
    unsigned char* errorString;
    void* channelPortProcs;
    void* documentInfo;
    // Fields past documentInfo exist only on newer hosts; the plug-in never
    // reads them. The tail keeps the record at the 6.0 size, which is what
    // older hosts allocate.
    char reserved[80];
};
#pragma pack(pop)
