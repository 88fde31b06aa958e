#include "fuzz/FuzzHost.h"

#include "entry/HostKind.h"
#include "host/GlobalMemory.h"
#include "host/Handles.h"
#include "tests/support/HostImages.h"

#include <cstdlib>
#include <cstring>
#include <vector>

FuzzHost* activeFuzzHost = nullptr;

namespace {

// No buffer the fuzz host hands over is larger; a bigger request is
// answered as a real host out of memory answers it.
const int64_t largestDelivery = int64_t(1) << 20;

enum RowKind : uint8_t { rowsNatural, rowsPadded, rowsShort, rowsZero, rowsNegative, rowsAny };
enum ColumnKind : uint8_t { columnsNatural, columnsZero, columnsNegative, columnsAny };

int32 RectHeight(const Rect& r) { return int32(r.bottom) - r.top; }
int32 RectWidth(const Rect& r) { return int32(r.right) - r.left; }
bool RectEmpty(const Rect& r) { return RectHeight(r) <= 0 || RectWidth(r) <= 0; }

int16 Clamp16(int32_t value) {
    if (value < INT16_MIN) return INT16_MIN;
    if (value > INT16_MAX) return INT16_MAX;
    return int16(value);
}

int16 PickImageSide(FuzzInput* input) {
    switch (TakeBelow(input, 8)) {
        case 0: return 0;
        case 1: return Clamp16(-1 - TakeBelow(input, 40));
        case 2: return 1;
        case 3: return int16(150 + TakeBelow(input, 250));
        case 4: return INT16_MAX;
        default: return int16(1 + TakeBelow(input, 48));
    }
}

Rect PickRect(FuzzInput* input, int16 rows, int16 cols) {
    const int32_t r = rows;
    const int32_t c = cols;
    const int32_t a = TakeBelow(input, 64);
    const int32_t b = TakeBelow(input, 64);
    switch (TakeBelow(input, 10)) {
        case 0: return Rect{0, 0, rows, cols};
        case 1:
            return Rect{Clamp16(a % (r > 0 ? r : 1)), Clamp16(b % (c > 0 ? c : 1)),
                        Clamp16(r - b % 4), Clamp16(c - a % 4)};
        case 2: return Rect{Clamp16(a), Clamp16(b), Clamp16(a), Clamp16(b + 9)};  // no rows
        case 3: return Rect{rows, cols, 0, 0};                                    // reversed
        case 4: return Rect{Clamp16(r + a), Clamp16(c + b), Clamp16(r + a + 9), Clamp16(c + b + 9)};
        case 5: return Rect{Clamp16(-a), Clamp16(-b), Clamp16(r + b), Clamp16(c + a)};
        case 6: return Rect{Clamp16(r / 2), Clamp16(c / 2), Clamp16(r + a + 1), Clamp16(c + 1)};
        case 7: return Rect{0, 0, 0, 0};
        case 8: {
            const int16 top = TakeInt16(input);
            const int16 left = TakeInt16(input);
            return Rect{top, left, TakeInt16(input), TakeInt16(input)};
        }
        default:
            return Rect{Clamp16(a % 8), Clamp16(b % 8), Clamp16(a % 8 + 1 + b),
                        Clamp16(b % 8 + 1 + a)};
    }
}

int16 PickMode(FuzzInput* input) {
    static const int16 modes[] = {1, 3, 10, 11, 1,  3,  10, 11, 3,  0,
                                  2, 4, 7,  9,  12, 13, 16, 17, -1, 32767};
    return TakeOneOf(input, modes);
}

int16 PickPlanes(FuzzInput* input) {
    static const int16 planes[] = {1, 2, 3, 4, 1, 3, 3, 4, 0, 5, 9, 16, -1, 8, -32768, 32767};
    return TakeOneOf(input, planes);
}

int16 PickAmount(FuzzInput* input) {
    static const int16 amounts[] = {10, 1, 0, 2, 99, 3, -1, -32768, 32767, 100, 7};
    return TakeBool(input) ? TakeOneOf(input, amounts) : TakeInt16(input);
}

BufferPolicy PickPolicy(FuzzInput* input) {
    BufferPolicy policy = {};
    // Mostly a well-behaved layout, so that deep paths are reached too.
    const uint8_t row = TakeByte(input);
    policy.rowKind = row < 128 ? rowsNatural : uint8_t(row % 6);
    policy.rowValue = policy.rowKind == rowsAny ? TakeInt32(input) : TakeBelow(input, 70) + 1;
    const uint8_t column = TakeByte(input);
    policy.columnKind = column < 160 ? columnsNatural : uint8_t(column % 4);
    policy.columnValue = policy.columnKind == columnsAny ? TakeInt32(input) % 4096 : 0;
    return policy;
}

int64_t RowBytesFor(const BufferPolicy& policy, int64_t natural) {
    switch (policy.rowKind) {
        case rowsPadded: return natural + policy.rowValue;
        case rowsShort: return natural - policy.rowValue;
        case rowsZero: return 0;
        case rowsNegative: return policy.rowValue % 2 ? -natural : INT32_MIN;
        case rowsAny: return policy.rowValue;
        default: return natural;
    }
}

int32 ColumnBytesFor(const BufferPolicy& policy, int32 natural) {
    switch (policy.columnKind) {
        case columnsZero: return 0;
        case columnsNegative: return -natural - 1;
        case columnsAny: return policy.columnValue;
        default: return natural;
    }
}

void Release(DeliveredBuffer* buffer) {
    free(buffer->bytes);
    buffer->bytes = nullptr;
    buffer->size = 0;
}

// Real memory of exactly the claimed size, filled with a pattern.
bool Allocate(DeliveredBuffer* buffer, int64_t bytes, uint8_t fill) {
    buffer->size = bytes > 0 ? size_t(bytes) : 0;
    buffer->bytes = static_cast<uint8_t*>(malloc(buffer->size > 0 ? buffer->size : 1));
    if (buffer->bytes == nullptr) return false;
    uint32_t state = fill * 2654435761u + 12345u;
    for (size_t i = 0; i < buffer->size; ++i) {
        state = state * 1103515245u + 12345u;
        buffer->bytes[i] = uint8_t(state >> 24);
    }
    return true;
}

// What one delivery tells the plug-in about its buffer.
struct Delivery {
    void* data;
    int32 rowBytes;
    int32 columnBytes;
};

// Lays out planes lo..hi of the rectangle as this host would, with the
// policy's row and column bytes (a mask is one plane of single bytes).
OSErr Deliver(FuzzHost* host, const Rect& rect, int16 lo, int16 hi, int32 planeBytes,
              const BufferPolicy& policy, bool isMask, DeliveredBuffer* buffer,
              Delivery* delivery) {
    *delivery = Delivery{nullptr, 0, 0};
    if (RectEmpty(rect)) return noErr;
    int32 planes = 1;
    if (!isMask) {
        if (lo < 0 || hi < lo || hi >= host->channels) return -50;  // paramErr
        planes = hi - lo + 1;
    }
    const int64_t natural = int64_t(RectWidth(rect)) * planes * planeBytes;
    int64_t row = RowBytesFor(policy, natural);
    if (row > INT32_MAX || row < INT32_MIN) row = INT32_MAX;
    const int64_t bytes = row > 0 ? row * RectHeight(rect) : 0;
    if (natural > largestDelivery || bytes > largestDelivery) return memFullErr;
    if (!Allocate(buffer, bytes, host->fill++)) return memFullErr;
    delivery->data = buffer->bytes;
    delivery->rowBytes = int32(row);
    delivery->columnBytes = ColumnBytesFor(policy, planes * planeBytes);
    return noErr;
}

// The record's fields are packed (4-byte pointers alignment on x86-64), so
// they are assigned one by one rather than through pointers.
OSErr PI_CDECL FuzzAdvanceState() {
    FuzzHost* host = activeFuzzHost;
    FilterRecord& record = host->session.record;
    ++host->advanceCalls;
    // The last delivery ends here; after a failure the record's addresses
    // are stale, as with a real host.
    Release(&host->inBuffer);
    Release(&host->outBuffer);
    Release(&host->maskBuffer);
    if (host->advanceCalls == host->failAtAdvance) return host->failCode;

    const int32 t = host->bytesPerSample;
    Delivery delivery;
    OSErr code = Deliver(host, record.inRect, record.inLoPlane, record.inHiPlane, t, host->in,
                         false, &host->inBuffer, &delivery);
    if (code != noErr) return code;
    record.inData = delivery.data;
    if (delivery.data != nullptr) {
        record.inRowBytes = delivery.rowBytes;
        record.inColumnBytes = delivery.columnBytes;
    }
    code = Deliver(host, record.outRect, record.outLoPlane, record.outHiPlane, t, host->out, false,
                   &host->outBuffer, &delivery);
    if (code != noErr) return code;
    record.outData = delivery.data;
    if (delivery.data != nullptr) {
        record.outRowBytes = delivery.rowBytes;
        record.outColumnBytes = delivery.columnBytes;
    }
    record.maskData = nullptr;
    if (!host->deliverMask) return noErr;
    code = Deliver(host, record.maskRect, 0, 0, 1, host->mask, true, &host->maskBuffer, &delivery);
    if (code != noErr) return code;
    record.maskData = delivery.data;
    if (delivery.data != nullptr) record.maskRowBytes = delivery.rowBytes;
    return noErr;
}

// Touches the first and last byte of every row the pixel map claims, and of
// its mask's rows, as drawing it would; a map larger than its memory shows.
volatile uint8_t displaySink = 0;

void TouchRows(const uint8_t* base, int32 rows, int32 rowBytes, int32 lastOffset) {
    if (base == nullptr || rows <= 0 || lastOffset < 0) return;
    for (int32 r = 0; r < rows; ++r) {
        const uint8_t* row = base + int64_t(r) * rowBytes;
        displaySink = displaySink ^ row[0] ^ row[lastOffset];
    }
}

OSErr PI_CDECL FuzzDisplayPixels(const PSPixelMap* source, const VRect* srcRect, int32, int32,
                                 void*) {
    if (source == nullptr || srcRect == nullptr) return -50;
    const int32 rows = srcRect->bottom - srcRect->top;
    const int32 columns = srcRect->right - srcRect->left;
    if (rows <= 0 || columns <= 0) return noErr;
    const int32 lastPixel = (columns - 1) * source->colBytes;
    TouchRows(static_cast<const uint8_t*>(source->baseAddr), rows, source->rowBytes,
              lastPixel + (source->imageMode == 1 ? 0 : 2) * source->planeBytes);
    for (const PSPixelMask* mask = source->masks; mask != nullptr; mask = mask->next) {
        TouchRows(static_cast<const uint8_t*>(mask->maskData), rows, mask->rowBytes,
                  (columns - 1) * mask->colBytes);
    }
    return noErr;
}

Boolean PI_CDECL FuzzAbortProc() {
    FuzzHost* host = activeFuzzHost;
    ++host->polls;
    return host->cancelAtPoll > 0 && host->polls >= host->cancelAtPoll ? 1 : 0;
}

std::vector<ScriptItem> PickScript(FuzzInput* input) {
    static const DescriptorKeyID keys[] = {keyAmount, keyAmount,  0,
                                           typeNull,  0x416D6E75, 0x746E6D41};
    static const int32 values[] = {25, 70000, -3, 0, 150, 32767, -32768, 65536, -1, INT32_MIN};
    std::vector<ScriptItem> items;
    const int32_t count = TakeBelow(input, 5);
    for (int32_t i = 0; i < count; ++i) {
        ScriptItem item;
        item.key = TakeBool(input) ? TakeOneOf(input, keys) : DescriptorKeyID(TakeInt32(input));
        item.type = TakeBelow(input, 4) != 0 ? typeInteger : DescriptorTypeID(TakeInt32(input));
        item.value = TakeBool(input) ? TakeOneOf(input, values) : TakeInt32(input);
        items.push_back(item);
    }
    return items;
}

// A descriptor the host is about to release itself is no longer held.
void ForgetDescriptor(FuzzHost* host, Handle descriptor) {
    std::vector<Handle>& held = host->heldDescriptors;
    for (size_t i = 0; i < held.size(); ++i) {
        if (held[i] == descriptor) {
            held.erase(held.begin() + ptrdiff_t(i));
            return;
        }
    }
}

void ReplaceDescriptor(FuzzHost* host, FuzzInput* input) {
    ForgetDescriptor(host, host->session.descriptorParameters.descriptor);
    SetScriptDescriptor(&host->session, PickScript(input));
    NoteHostDescriptor(host);
}

// Suites that a careless host fills in wrongly.
void SpoilSuites(FuzzHost* host, FuzzInput* input) {
    HostSession& session = host->session;
    switch (TakeBelow(input, 6)) {
        case 0: session.readProcs.numReadDescriptorProcs = int16(TakeBelow(input, 20)); break;
        case 1: session.writeProcs.numWriteDescriptorProcs = int16(TakeBelow(input, 20)); break;
        case 2: session.readProcs.getStringProc = nullptr; break;
        case 3: session.writeProcs.putIntegerProc = nullptr; break;
        case 4: session.descriptorParameters.descriptorParametersVersion = 1; break;
        default: session.record.descriptorParameters = nullptr; break;
    }
}

// The parameter block the plug-in may have made lives on in the record;
// a block of its own kind is the plug-in's to make and the host's to drop.
void DropOwnParameters(FuzzHost* host) {
    Handle parameters = host->session.record.parameters;
    if (parameters != nullptr && parameters != host->hostParameters) DisposeOwnHandle(parameters);
    host->session.record.parameters = nullptr;
}

void SetAmount(FuzzHost* host, int16 amount) {
    Handle parameters = host->session.record.parameters;
    if (parameters != nullptr && *parameters != nullptr)
        memcpy(*parameters, &amount, sizeof amount);
}

}  // namespace

void NoteHostDescriptor(FuzzHost* host) {
    const Handle descriptor = host->session.descriptorParameters.descriptor;
    if (host->handleSuite || descriptor == nullptr) return;
    for (Handle held : host->heldDescriptors) {
        if (held == descriptor) return;
    }
    host->heldDescriptors.push_back(descriptor);
}

FilterInstance* FuzzInstance(FuzzHost* host) {
    const intptr_t slot = host->session.data;
    if (slot == 0) return nullptr;
    if (HostKind != hostKindFireworks) return reinterpret_cast<FilterInstance*>(slot);
    return *reinterpret_cast<FilterInstance**>(slot);  // the handle's first word
}

void OpenFuzzHost(FuzzHost* host, FuzzInput* input) {
    activeFuzzHost = host;
    const int16 rows = PickImageSide(input);
    const int16 cols = PickImageSide(input);
    const int16 mode = PickMode(input);
    const int16 planes = PickPlanes(input);

    // The session's own image is not used: this host delivers.
    const HostImage image = UniformImage(1, 1, 1, 0);
    HostSettings settings;
    settings.imageMode = mode;
    settings.planes = planes;
    settings.haveDescriptorSuites = TakeBelow(input, 4) != 0;
    settings.playInfo = TakeBelow(input, 4) == 0 ? plugInDialogDisplay : plugInDialogDontDisplay;
    OpenHostSession(&host->session, image, settings);

    FilterRecord& record = host->session.record;
    record.imageSize = Point{rows, cols};
    record.wholeSize = record.imageSize;
    record.filterRect = PickRect(input, rows, cols);
    record.haveMask = TakeBelow(input, 3) == 0 ? 1 : 0;
    record.inTransparencyMask = int16(TakeBelow(input, 4) == 0 ? 1 : 0);
    record.inLayerPlanes = record.inTransparencyMask != 0 ? int16(planes > 0 ? planes : 1) : 0;
    record.autoMask = TakeBool(input) ? 1 : 0;
    record.isFloating = TakeBelow(input, 4) == 0 ? 1 : 0;
    record.foreground = RGBColor{uint16(TakeInt16(input)), 0, uint16(TakeInt16(input))};
    record.background = RGBColor{65535, uint16(TakeInt16(input)), 0};
    record.advanceState = TakeBelow(input, 16) != 0 ? FuzzAdvanceState : nullptr;
    record.abortProc = TakeBelow(input, 8) != 0 ? FuzzAbortProc : nullptr;
    record.displayPixels = FuzzDisplayPixels;

    host->channels = (planes > 0 && planes < 64 ? planes : 4) + TakeBelow(input, 3);
    host->bytesPerSample = mode == plugInModeGray16 || mode == plugInModeRGB48 ? 2 : 1;
    if (TakeBelow(input, 8) == 0) host->bytesPerSample = 3 - host->bytesPerSample;
    host->in = PickPolicy(input);
    host->out = PickPolicy(input);
    host->mask = PickPolicy(input);
    host->deliverMask = record.haveMask != 0 ? TakeBelow(input, 6) != 0 : TakeBelow(input, 4) == 0;
    host->fill = TakeByte(input);
    host->advanceCalls = 0;
    host->failAtAdvance = TakeBelow(input, 4) == 0 ? 1 + TakeBelow(input, 4) : 0;
    host->failCode = TakeBool(input) ? memFullErr : userCanceledErr;
    host->polls = 0;
    host->cancelAtPoll = TakeBelow(input, 6) == 0 ? 1 + TakeBelow(input, 10) : 0;
    host->inBuffer = host->outBuffer = host->maskBuffer = DeliveredBuffer{nullptr, 0};

    host->handleSuite = TakeBelow(input, 5) != 0;
    if (!host->handleSuite) record.handleProcs = nullptr;
    host->hostParameters = nullptr;
    if (TakeBool(input)) {
        host->hostParameters = HostParametersHandle(PickAmount(input));
        record.parameters = host->hostParameters;
    }
    host->heldDescriptors.clear();
    if (TakeBool(input)) ReplaceDescriptor(host, input);
    if (TakeBelow(input, 6) == 0) SpoilSuites(host, input);
}

void SpoilFuzzHost(FuzzHost* host, FuzzInput* input) {
    FilterRecord& record = host->session.record;
    switch (TakeBelow(input, 16)) {
        case 0: record.filterRect = PickRect(input, record.imageSize.v, record.imageSize.h); break;
        case 1: record.planes = PickPlanes(input); break;
        case 2: record.imageMode = PickMode(input); break;
        case 3: record.imageSize = Point{PickImageSide(input), PickImageSide(input)}; break;
        case 4: record.haveMask = record.haveMask ? 0 : 1; break;
        case 5: host->deliverMask = !host->deliverMask; break;
        case 6: SetAmount(host, PickAmount(input)); break;
        case 7: DropOwnParameters(host); break;
        case 8: ReplaceDescriptor(host, input); break;
        case 9: host->session.descriptorParameters.playInfo = int16(TakeBelow(input, 4)); break;
        case 10:
            host->polls = 0;
            host->cancelAtPoll = TakeBelow(input, 12);
            break;
        case 11: host->failAtAdvance = host->advanceCalls + 1 + TakeBelow(input, 3); break;
        case 12: {
            BufferPolicy* policies[] = {&host->in, &host->out, &host->mask};
            *policies[TakeBelow(input, 3)] = PickPolicy(input);
            break;
        }
        case 13: record.inTransparencyMask = record.inTransparencyMask ? 0 : 1; break;
        case 14: record.isFloating = record.isFloating ? 0 : 1; break;
        default: record.foreground.red = uint16(TakeInt16(input)); break;
    }
}

void CloseFuzzHost(FuzzHost* host) {
    HostSession& session = host->session;
    if (session.data != 0) {
        if (HostKind != hostKindFireworks) {
            FreeGlobalLocked(reinterpret_cast<void*>(session.data));
        } else if (host->handleSuite) {
            HostDisposeHandle(reinterpret_cast<Handle>(session.data));
        } else {
            DisposeOwnHandle(reinterpret_cast<Handle>(session.data));
        }
        session.data = 0;
    }
    DropOwnParameters(host);
    if (host->hostParameters != nullptr) HostDisposeHandle(host->hostParameters);
    host->hostParameters = nullptr;
    Release(&host->inBuffer);
    Release(&host->outBuffer);
    Release(&host->maskBuffer);
    if (session.descriptorParameters.descriptor != nullptr) {
        ForgetDescriptor(host, session.descriptorParameters.descriptor);
        HostDisposeHandle(session.descriptorParameters.descriptor);
        session.descriptorParameters.descriptor = nullptr;
    }
    for (Handle held : host->heldDescriptors) HostDisposeHandle(held);
    host->heldDescriptors.clear();
    CloseHostSession(&session);
    activeFuzzHost = nullptr;
}
