// The host's side of a filter run: records, data delivery and the driving
// of the selectors.
#include "testhost/HostSession.h"

#include "host/HostSamples.h"
#include "testhost/HostCallbacks.h"

#include <cstring>
#include <utility>

namespace {

HostSession* activeSession = nullptr;

int32 RectHeight(const Rect& r) { return r.bottom - r.top; }
int32 RectWidth(const Rect& r) { return r.right - r.left; }
bool RectEmpty(const Rect& r) { return RectHeight(r) <= 0 || RectWidth(r) <= 0; }

uint8_t* SampleAddress(const HostImage* image, int32 row, int32 column, int32 channel) {
    const size_t offset =
        static_cast<size_t>(row) * HostRowBytes(*image) +
        (static_cast<size_t>(column) * image->channels + channel) * image->bytesPerSample;
    return const_cast<uint8_t*>(image->samples.data()) + offset;
}

// True when the rectangle lies inside the image.
bool InsideImage(const HostImage& image, const Rect& rect) {
    return rect.top >= 0 && rect.left >= 0 && rect.bottom <= image.height &&
           rect.right <= image.width;
}

// Sample of (row, column, channel) of an image, or the padding value when
// the position lies outside it.
uint32 ReadSample(const HostImage& image, int32 row, int32 column, int32 channel, int16 padding) {
    if (row < 0 || row >= image.height || column < 0 || column >= image.width || channel < 0 ||
        channel >= image.channels) {
        uint32 fill = padding >= 0 ? static_cast<uint32>(padding) : 0;
        return image.bytesPerSample == 2 ? fill * 32768 / 255 : fill;
    }
    return LoadSample(SampleAddress(&image, row, column, channel), image.bytesPerSample);
}

void WriteSample(HostImage* image, int32 row, int32 column, int32 channel, uint32 value) {
    StoreSample(SampleAddress(image, row, column, channel), image->bytesPerSample, value);
}

// Fills a buffer with planes lo..hi of the rectangle; answers its row bytes.
int32 Deliver(const HostImage& image, const Rect& rect, int16 lo, int16 hi, int16 padding,
              int32 rowPadding, std::vector<uint8_t>* buffer) {
    const int32 planes = hi - lo + 1;
    const int32 bps = image.bytesPerSample;
    const int32 rowBytes = RectWidth(rect) * planes * bps + rowPadding;
    buffer->assign(static_cast<size_t>(rowBytes) * RectHeight(rect), 0xCD);
    for (int32 r = 0; r < RectHeight(rect); ++r) {
        uint8_t* row = buffer->data() + static_cast<size_t>(r) * rowBytes;
        for (int32 c = 0; c < RectWidth(rect); ++c) {
            for (int32 p = 0; p < planes; ++p) {
                uint32 value = ReadSample(image, rect.top + r, rect.left + c, lo + p, padding);
                StoreSample(row + (static_cast<size_t>(c) * planes + p) * bps, bps, value);
            }
        }
    }
    return rowBytes;
}

// The 8-bit form of a 16-bit colour component, rounded.
uint8_t ColourByte(uint16 component) { return uint8_t((uint32(component) * 255 + 32767) / 65535); }

// A colour as the host's FilterColor bytes hold it: in the image's own
// colour space, so a grayscale image gets its gray value in byte 0.
void FillColourBytes(RGBColor colour, int16 imageMode, unsigned char bytes[4]) {
    bytes[0] = ColourByte(colour.red);
    bytes[1] = ColourByte(colour.green);
    bytes[2] = ColourByte(colour.blue);
    bytes[3] = 0;
    if (imageMode == plugInModeGrayScale || imageMode == plugInModeGray16) {
        const uint32 weighted = 299u * colour.red + 587u * colour.green + 114u * colour.blue;
        bytes[0] = ColourByte(uint16((weighted + 500) / 1000));
        bytes[1] = bytes[2] = 0;
    }
}

// The 16-bit colour field: as given, or its 8-bit values for hosts that
// put those there.
RGBColor ColourField(RGBColor colour, bool holdBytes) {
    if (!holdBytes) return colour;
    return RGBColor{ColourByte(colour.red), ColourByte(colour.green), ColourByte(colour.blue)};
}

uint8_t MaskAt(const HostImage& image, int32 row, int32 column) {
    if (image.mask.empty()) return 255;
    return image.mask[static_cast<size_t>(row) * HostMaskRowBytes(image) + column];
}

// Whether planes lo..hi of the rectangle can be handed over where the host
// keeps them: inside the image, and every plane the host holds (a subset
// would ask the plug-in to step over the others by the column bytes, which
// not every part of a plug-in honours).
bool InPlace(const HostSession* session, const HostImage& image, const Rect& rect, int16 lo,
             int16 hi) {
    if (!session->settings.deliverInPlace || !InsideImage(image, rect)) return false;
    return lo == 0 && hi == image.channels - 1;
}

}  // namespace

HostSession* ActiveHostSession() { return activeSession; }

namespace {

bool PlanesHeld(const HostImage& image, int16 lo, int16 hi) {
    return lo >= 0 && hi >= lo && hi < image.channels;
}

}  // namespace

// One side of a data request as the plug-in receives it.
struct Delivery {
    void* data;
    int32 rowBytes;
    int32 columnBytes;
    bool inPlace;
};

namespace {

// Hands planes lo..hi of the rectangle over where `home` keeps them when the
// host works in place, or else in a copy of the source laid out in `buffer`.
Delivery DeliverPlanes(HostSession* session, HostImage* home, const Rect& rect, int16 lo, int16 hi,
                       int16 padding, std::vector<uint8_t>* buffer) {
    const HostImage& image = session->source;
    const int32 bps = image.bytesPerSample;
    const bool reportColumns = session->settings.reportColumnBytes;
    if (InPlace(session, image, rect, lo, hi)) {
        return Delivery{SampleAddress(home, rect.top, rect.left, lo), int32(HostRowBytes(*home)),
                        reportColumns ? image.channels * bps : 0, true};  // all planes
    }
    const int32 rowBytes =
        Deliver(image, rect, lo, hi, padding, session->settings.rowPadding, buffer);
    return Delivery{buffer->data(), rowBytes, reportColumns ? (hi - lo + 1) * bps : 0, false};
}

}  // namespace

// Writes what the plug-in left in the output buffer back into the result
// image, applying the selection as a host does: selected pixels take the
// plug-in's values, unselected ones keep the original, partial ones blend.
void MergeOutputIntoResult(HostSession* session) {
    if (RectEmpty(session->deliveredOut)) return;
    const HostImage& source = session->source;
    const Rect rect = session->deliveredOut;
    if (session->deliveredInPlace) {
        // The plug-in wrote into the result; only partly selected pixels
        // still take part of the original.
        session->deliveredOut = Rect{0, 0, 0, 0};
        session->deliveredInPlace = false;
        if (source.mask.empty()) return;
        for (int32 row = rect.top; row < rect.bottom; ++row) {
            for (int32 column = rect.left; column < rect.right; ++column) {
                const uint32 m = MaskAt(source, row, column);
                if (m == 255) continue;
                for (int32 channel = session->deliveredOutLo; channel <= session->deliveredOutHi;
                     ++channel) {
                    uint32 filtered = ReadSample(session->result, row, column, channel, 0);
                    uint32 original = ReadSample(source, row, column, channel, 0);
                    WriteSample(&session->result, row, column, channel,
                                (original * (255 - m) + filtered * m + 127) / 255);
                }
            }
        }
        return;
    }
    if (session->outBuffer.empty()) return;
    const int32 planes = session->deliveredOutHi - session->deliveredOutLo + 1;
    const int32 bps = source.bytesPerSample;
    const int32 rowBytes = session->record.outRowBytes;
    for (int32 r = 0; r < RectHeight(rect); ++r) {
        const int32 row = rect.top + r;
        if (row < 0 || row >= source.height) continue;
        for (int32 c = 0; c < RectWidth(rect); ++c) {
            const int32 column = rect.left + c;
            if (column < 0 || column >= source.width) continue;
            const uint32 m = MaskAt(source, row, column);
            for (int32 p = 0; p < planes; ++p) {
                const int32 channel = session->deliveredOutLo + p;
                if (channel >= source.channels) continue;
                const uint8_t* at = session->outBuffer.data() + static_cast<size_t>(r) * rowBytes +
                                    (static_cast<size_t>(c) * planes + p) * bps;
                uint32 filtered = LoadSample(at, bps);
                uint32 original = ReadSample(source, row, column, channel, 0);
                uint32 value = (original * (255 - m) + filtered * m + 127) / 255;
                WriteSample(&session->result, row, column, channel, value);
            }
        }
    }
    session->deliveredOut = Rect{0, 0, 0, 0};
}

OSErr HostAdvanceState(HostSession* session) {
    FilterRecord& record = session->record;
    const HostImage& image = session->source;
    ++session->advanceCalls;
    MergeOutputIntoResult(session);

    if (!RectEmpty(record.inRect)) {
        if (!PlanesHeld(image, record.inLoPlane, record.inHiPlane))
            return -50;  // paramErr: planes the host does not have
        const Delivery in =
            DeliverPlanes(session, &session->source, record.inRect, record.inLoPlane,
                          record.inHiPlane, record.inputPadding, &session->inBuffer);
        record.inData = in.data;
        record.inRowBytes = in.rowBytes;
        record.inColumnBytes = in.columnBytes;
    } else {
        record.inData = nullptr;
    }
    if (!RectEmpty(record.outRect)) {
        if (!PlanesHeld(image, record.outLoPlane, record.outHiPlane)) return -50;
        const Delivery out =
            DeliverPlanes(session, &session->result, record.outRect, record.outLoPlane,
                          record.outHiPlane, record.outputPadding, &session->outBuffer);
        record.outData = out.data;
        record.outRowBytes = out.rowBytes;
        record.outColumnBytes = out.columnBytes;
        session->deliveredInPlace = out.inPlace;
        session->deliveredOut = record.outRect;
        session->deliveredOutLo = record.outLoPlane;
        session->deliveredOutHi = record.outHiPlane;
    } else {
        record.outData = nullptr;
    }
    if (!RectEmpty(record.maskRect) && !image.mask.empty() && session->settings.deliverInPlace &&
        InsideImage(image, record.maskRect)) {
        const Rect rect = record.maskRect;
        record.maskRowBytes = int32(HostMaskRowBytes(image));
        record.maskData = const_cast<uint8_t*>(image.mask.data()) +
                          static_cast<size_t>(rect.top) * HostMaskRowBytes(image) + rect.left;
    } else if (!RectEmpty(record.maskRect) && !image.mask.empty()) {
        const Rect rect = record.maskRect;
        const int32 rowBytes = RectWidth(rect) + session->settings.rowPadding;
        session->maskBuffer.assign(static_cast<size_t>(rowBytes) * RectHeight(rect), 0);
        for (int32 r = 0; r < RectHeight(rect); ++r) {
            for (int32 c = 0; c < RectWidth(rect); ++c) {
                const int32 row = rect.top + r;
                const int32 column = rect.left + c;
                uint8_t m = 0;
                if (row >= 0 && row < image.height && column >= 0 && column < image.width)
                    m = MaskAt(image, row, column);
                else if (record.maskPadding >= 0)
                    m = static_cast<uint8_t>(record.maskPadding);
                session->maskBuffer[static_cast<size_t>(r) * rowBytes + c] = m;
            }
        }
        record.maskData = session->maskBuffer.data();
        record.maskRowBytes = rowBytes;
    } else {
        record.maskData = nullptr;
    }
    return noErr;
}

namespace {

void PrepareRecords(HostSession* session, const HostImage& image, const HostSettings& settings);

}  // namespace

void OpenHostSession(HostSession* session, const HostImage& image, const HostSettings& settings) {
    session->source = image;
    session->result = image;
    PrepareRecords(session, session->source, settings);
}

void OpenHostSessionTaking(HostSession* session, HostImage* image, const HostSettings& settings) {
    session->source = std::move(*image);
    *image = HostImage();
    session->result = session->source;
    session->result.mask.clear();
    session->result.mask.shrink_to_fit();
    PrepareRecords(session, session->source, settings);
}

namespace {

void PrepareRecords(HostSession* session, const HostImage& image, const HostSettings& settings) {
    session->settings = settings;
    memset(&session->record, 0, sizeof(session->record));
    memset(&session->about, 0, sizeof(session->about));
    session->platform.hwnd = settings.parentWindow;
    session->about.platformData = &session->platform;

    FilterRecord& record = session->record;
    record.serialNumber = 0;
    record.abortProc = HostAbortProcEntry;
    record.imageSize.v = static_cast<int16>(image.height);
    record.imageSize.h = static_cast<int16>(image.width);
    record.planes = settings.planes;
    record.filterRect = settings.filterRect;
    if (settings.wholeImageFilterRect ||
        (RectEmpty(record.filterRect) && settings.filterRect.top == 0 &&
         settings.filterRect.left == 0 && settings.filterRect.bottom == 0 &&
         settings.filterRect.right == 0)) {
        record.filterRect =
            Rect{0, 0, static_cast<int16>(image.height), static_cast<int16>(image.width)};
    }
    record.background = ColourField(settings.background, settings.colourFieldsHoldBytes);
    record.foreground = ColourField(settings.foreground, settings.colourFieldsHoldBytes);
    FillColourBytes(settings.background, settings.imageMode, record.backColor);
    FillColourBytes(settings.foreground, settings.imageMode, record.foreColor);
    record.maxSpace = settings.maxSpaceInKilobytes ? 64 * 1024 : 64 * 1024 * 1024;
    record.isFloating = settings.isFloating;
    record.haveMask = image.mask.empty() ? 0 : 1;
    record.autoMask = settings.autoMask;
    record.hostSig = 0x766F726E;  // 'vorn'
    record.imageMode = settings.imageMode;
    record.imageHRes = 72 << 16;
    record.imageVRes = 72 << 16;
    record.wholeSize = record.imageSize;
    record.platformData = &session->platform;
    record.displayPixels = settings.haveDisplayPixels ? HostDisplayPixelsEntry : nullptr;
    record.advanceState = settings.haveAdvanceState ? HostAdvanceStateEntry : nullptr;
    record.supportsPadding = 1;
    record.inputPadding = -3;
    record.outputPadding = -3;
    record.maskPadding = -3;
    record.inLayerPlanes = settings.inLayerPlanes;
    record.inTransparencyMask = settings.inTransparencyMask;
    record.inColumnBytes = 0;
    record.outColumnBytes = 0;

    InstallHandleSuite(session);
    InstallDescriptorSuites(session);

    session->data = 0;
    session->deliveredOut = Rect{0, 0, 0, 0};
    session->deliveredInPlace = false;
    session->advanceCalls = session->abortPolls = session->displayCalls = 0;
    session->cancelRequested = false;
}

}  // namespace

void CloseHostSession(HostSession* session) {
    Handle& descriptor = session->descriptorParameters.descriptor;
    // A plug-in that read the descriptor released it through the handle
    // suite; without one it had to leave it to the host, which releases
    // it here (as it does when it offered no descriptor suites at all).
    if (!session->settings.haveHandleSuite && session->scriptGiven != nullptr &&
        session->scriptGiven != descriptor) {
        HostDisposeHandle(session->scriptGiven);
    }
    session->scriptGiven = nullptr;
    if (descriptor != nullptr) {
        HostDisposeHandle(descriptor);
        descriptor = nullptr;
    }
    // The parameter block is the host's from its creation on; an own handle
    // of the plug-in's is left for the process to reclaim, as hosts do when
    // they cannot tell whose it is.
    if (activeSession == session) activeSession = nullptr;
}

int16 CallSelector(HostSession* session, PluginEntryProc entry, int16 selector) {
    activeSession = session;
    int16 result = 0x7E7E;  // a host's stale value; the plug-in must write its own
    void* block = selector == filterSelectorAbout ? static_cast<void*>(&session->about)
                                                  : static_cast<void*>(&session->record);
    entry(selector, block, &session->data, &result);
    return result;
}

namespace {

// The selectors of one run, as RunFilterSession describes them.
int16 RunSelectors(HostSession* session, PluginEntryProc entry, bool withParameters) {
    int16 result = noErr;
    if (!session->settings.keepParameters) {
        // This host keeps no parameter block from an earlier run (the
        // plug-in's own handle is left to the process) and always goes
        // through Parameters.
        session->record.parameters = nullptr;
        withParameters = true;
    }
    if (withParameters) {
        result = CallSelector(session, entry, filterSelectorParameters);
        if (result != noErr) return result;
    }
    result = CallSelector(session, entry, filterSelectorPrepare);
    if (result != noErr) return result;
    result = CallSelector(session, entry, filterSelectorStart);
    if (result != noErr) {
        session->result.samples = session->source.samples;  // a failed run changes nothing
        return result;
    }
    FilterRecord& record = session->record;
    for (int32 round = 0; round < 100000; ++round) {
        result = CallSelector(session, entry, filterSelectorContinue);
        if (result != noErr) break;
        if (RectEmpty(record.inRect) && RectEmpty(record.outRect) && RectEmpty(record.maskRect))
            break;
        OSErr delivered = HostAdvanceState(session);
        if (delivered != noErr) {
            result = delivered;
            break;
        }
    }
    if (result != noErr) {
        session->result.samples = session->source.samples;
        session->deliveredOut = Rect{0, 0, 0, 0};
        session->deliveredInPlace = false;
        return result;
    }
    MergeOutputIntoResult(session);
    return CallSelector(session, entry, filterSelectorFinish);
}

}  // namespace

int16 RunFilterSession(HostSession* session, PluginEntryProc entry, bool withParameters) {
    session->callbackError = noErr;
    int16 result = RunSelectors(session, entry, withParameters);
    // A callback that ran out of memory answered the plug-in so, or (abortProc)
    // stopped it: the run fails with the host's code, whatever the plug-in
    // made of it, and changes nothing.
    if (session->callbackError != noErr && (result == noErr || result == userCanceledErr)) {
        session->result.samples = session->source.samples;
        result = session->callbackError;
    }
    return result;
}
