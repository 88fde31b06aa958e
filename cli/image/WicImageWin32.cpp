// Image files for the Win32 host through Windows' own codecs (WIC): the
// platform finds the format from the content and decodes; rows are copied
// into the caller's buffer in bands, converted to the host's layouts
// (gray, gray+alpha as RGBA, RGB, RGBA; 16-bit kept where the codec gives it).
#include "cli/image/CodecParts.h"

#include <objbase.h>
#include <wincodec.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct WicState {
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    IWICBitmapSource* source = nullptr;  // the frame itself, or the converter
    // Rows the codec cannot hand over in the host's layout are read as
    // four samples a pixel (8-bit blue, green, red, alpha; 16-bit red,
    // green, blue, alpha), and the host's samples taken from them.
    bool viaFour = false;
    std::vector<uint8_t> bytes;  // the whole file: WIC reads from memory
};

template <typename T>
void Release(T** object) {
    if (*object != nullptr) (*object)->Release();
    *object = nullptr;
}

void CloseWic(ImageDecoder* decoder) {
    WicState* state = static_cast<WicState*>(decoder->state);
    if (state == nullptr) return;
    Release(&state->converter);
    state->source = nullptr;
    Release(&state->frame);
    Release(&state->decoder);
    Release(&state->stream);
    Release(&state->factory);
    delete state;
    decoder->state = nullptr;
    CoUninitialize();
}

// A codec's result as the system writes it: 0x88982F81.
std::string ResultCode(HRESULT result) {
    char code[16];
    snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    return code;
}

std::string Damaged(const std::string& name, HRESULT result) {
    return name + ": damaged or truncated image (codec error " + ResultCode(result) + ")";
}

bool DecodeRows(ImageDecoder* decoder, const RowTarget& target, std::string* error) {
    WicState* state = static_cast<WicState*>(decoder->state);
    const ImageInfo& info = decoder->info;
    const size_t rowBytes = InfoRowBytes(info);
    const size_t sample = size_t(info.bitDepth / 8);
    const size_t readBytes = state->viaFour ? size_t(info.width) * 4 * sample : rowBytes;
    // Where the host's channels are among the four: gray, gray + alpha,
    // RGB, RGBA; 8-bit rows come blue first.
    static const int32_t fromBgra[5][4] = {{0}, {0}, {0, 3}, {2, 1, 0}, {2, 1, 0, 3}};
    static const int32_t fromRgba[5][4] = {{0}, {0}, {0, 3}, {0, 1, 2}, {0, 1, 2, 3}};
    const int32_t* pick = info.bitDepth == 8 ? fromBgra[info.channels] : fromRgba[info.channels];
    std::vector<uint8_t> scratch(target.firstRow == nullptr ? rowBytes : 0);
    std::vector<uint8_t> four(state->viaFour ? readBytes : 0);
    for (int32_t y = 0; y < info.height; ++y) {
        uint8_t* row = TargetRow(target, y, scratch.data());
        const WICRect rect = {0, y, info.width, 1};
        uint8_t* into = state->viaFour ? four.data() : row;
        const HRESULT result =
            state->source->CopyPixels(&rect, UINT(readBytes), UINT(readBytes), into);
        if (FAILED(result)) {
            *error = Damaged(decoder->name, result);
            return false;
        }
        if (state->viaFour) {
            for (int32_t x = 0; x < info.width; ++x) {
                for (int32_t c = 0; c < info.channels; ++c)
                    memcpy(row + (size_t(x) * size_t(info.channels) + size_t(c)) * sample,
                           four.data() + (size_t(x) * 4 + size_t(pick[c])) * sample, sample);
            }
        }
        if (!FinishRow(target, y, info.height, row, error)) return false;
    }
    return true;
}

// A PNG's colour type from its header (gray with alpha is 4); -1 for
// other files.
int PngColourType(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 26 || memcmp(bytes.data(), pngSignature, 8) != 0) return -1;
    return bytes[25];
}

}  // namespace

bool FormatAvailable(ImageFormat) { return true; }

bool OpenFormatDecoder(ImageDecoder* decoder, std::string* error) {
    const std::string& name = decoder->name;
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
        *error = name + ": the system's image codecs are not available";
        return false;
    }
    WicState* state = AttachDecoderState<WicState>(decoder, DecodeRows, CloseWic, error);
    if (state == nullptr) {
        CoUninitialize();
        return false;
    }
    // The whole file in memory (its own size, not what its header claims).
    state->bytes.assign(decoder->signature, decoder->signature + decoder->signatureSize);
    uint8_t chunk[1 << 16];
    size_t got = 0;
    while ((got = fread(chunk, 1, sizeof chunk, decoder->file)) > 0)
        state->bytes.insert(state->bytes.end(), chunk, chunk + got);
    if (ferror(decoder->file)) {
        *error = "cannot read " + name + ": " + strerror(errno);
        return false;
    }
    HRESULT result =
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IWICImagingFactory, reinterpret_cast<void**>(&state->factory));
    if (SUCCEEDED(result)) result = state->factory->CreateStream(&state->stream);
    if (SUCCEEDED(result))
        result =
            state->stream->InitializeFromMemory(state->bytes.data(), DWORD(state->bytes.size()));
    if (FAILED(result)) {
        *error = name + ": the system's image codecs are not available";
        return false;
    }
    result = state->factory->CreateDecoderFromStream(
        state->stream, nullptr, WICDecodeMetadataCacheOnDemand, &state->decoder);
    if (FAILED(result)) {
        ImageFormat known;
        if (FormatFromSignature(decoder->signature, decoder->signatureSize, &known))
            *error = name + ": damaged or truncated " + FormatName(known) + " file";
        else
            *error = name + " is not an image vornhost can read";
        return false;
    }
    if (FAILED(result = state->decoder->GetFrame(0, &state->frame))) {
        *error = Damaged(name, result);
        return false;
    }
    UINT width = 0, height = 0;
    WICPixelFormatGUID pixelFormat = {};
    if (FAILED(result = state->frame->GetSize(&width, &height)) ||
        FAILED(result = state->frame->GetPixelFormat(&pixelFormat))) {
        *error = Damaged(name, result);
        return false;
    }
    GUID container = {};
    state->decoder->GetContainerFormat(&container);
    ImageInfo info;
    info.format = IsEqualGUID(container, GUID_ContainerFormatJpeg)   ? imageFormatJpeg
                  : IsEqualGUID(container, GUID_ContainerFormatTiff) ? imageFormatTiff
                                                                     : imageFormatPng;
    info.width = width > 0x7FFFFFFF ? 0x7FFFFFFF : int32_t(width);
    info.height = height > 0x7FFFFFFF ? 0x7FFFFFFF : int32_t(height);
    // The layout the host takes, chosen from the stored one: 16-bit stays
    // 16-bit, gray stays gray, alpha stays. Layouts the host takes as they
    // are are copied; the others go through the four-sample layout every
    // converter has.
    struct Layout {
        const GUID* format;
        int32_t channels, depth;
        bool direct;
    };
    static const Layout layouts[] = {
        {&GUID_WICPixelFormat8bppGray, 1, 8, true},
        {&GUID_WICPixelFormat16bppGray, 1, 16, true},
        {&GUID_WICPixelFormat24bppRGB, 3, 8, true},
        {&GUID_WICPixelFormat48bppRGB, 3, 16, true},
        {&GUID_WICPixelFormat32bppRGBA, 4, 8, true},
        {&GUID_WICPixelFormat64bppRGBA, 4, 16, true},
        {&GUID_WICPixelFormatBlackWhite, 1, 8, false},
        {&GUID_WICPixelFormat2bppGray, 1, 8, false},
        {&GUID_WICPixelFormat4bppGray, 1, 8, false},
        {&GUID_WICPixelFormat24bppBGR, 3, 8, false},
        {&GUID_WICPixelFormat32bppBGR, 3, 8, false},
        {&GUID_WICPixelFormat32bppBGRA, 4, 8, false},
        {&GUID_WICPixelFormat48bppBGR, 3, 16, false},
        {&GUID_WICPixelFormat64bppBGRA, 4, 16, false},
    };
    Layout chosen = {nullptr, 3, 8, false};
    for (const Layout& layout : layouts) {
        if (IsEqualGUID(pixelFormat, *layout.format)) chosen = layout;
    }
    // Palette images (GIF, palette PNG, BMP): RGB, or RGBA when the palette
    // has transparency.
    IWICPalette* palette = nullptr;
    BOOL alpha = FALSE;
    if (chosen.format == nullptr && SUCCEEDED(state->factory->CreatePalette(&palette)) &&
        SUCCEEDED(state->frame->CopyPalette(palette)) && SUCCEEDED(palette->HasAlpha(&alpha)) &&
        alpha)
        chosen.channels = 4;
    Release(&palette);
    // Gray with alpha, which WIC hands over as four samples.
    if (PngColourType(state->bytes) == 4 && chosen.channels == 4) chosen.channels = 2;
    info.channels = chosen.channels;
    info.bitDepth = chosen.depth;
    if (!CheckImageHeader(info, name, error)) return false;
    state->viaFour = !chosen.direct || info.channels == 2;
    const GUID& four =
        info.bitDepth == 16 ? GUID_WICPixelFormat64bppRGBA : GUID_WICPixelFormat32bppBGRA;
    // Wine's converter does not take every layout to itself.
    if (!state->viaFour || IsEqualGUID(pixelFormat, four)) {
        state->source = state->frame;
    } else if (FAILED(result = state->factory->CreateFormatConverter(&state->converter)) ||
               FAILED(result =
                          state->converter->Initialize(state->frame, four, WICBitmapDitherTypeNone,
                                                       nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
        *error = Damaged(name, result);
        return false;
    } else {
        state->source = state->converter;
    }
    decoder->info = info;
    return true;
}

bool EncodeImage(FILE* file, const std::string& name, const ImageInfo& info, ImageFormat format,
                 RowSource rowAt, void* rowContext, const EncodeOptions& options,
                 RowProgress progress, std::string* error) {
    const GUID container = format == imageFormatJpeg   ? GUID_ContainerFormatJpeg
                           : format == imageFormatTiff ? GUID_ContainerFormatTiff
                                                       : GUID_ContainerFormatPng;
    // 8-bit colour goes blue first, the order Wine's PNG and JPEG encoders
    // take (rows are swapped on their way); 16-bit colour as it is.
    static const GUID* const layouts[2][5] = {
        {nullptr, &GUID_WICPixelFormat8bppGray, &GUID_WICPixelFormat32bppBGRA,
         &GUID_WICPixelFormat24bppBGR, &GUID_WICPixelFormat32bppBGRA},
        {nullptr, &GUID_WICPixelFormat16bppGray, &GUID_WICPixelFormat64bppRGBA,
         &GUID_WICPixelFormat48bppRGB, &GUID_WICPixelFormat64bppRGBA}};
    // PNG the system's encoder cannot write right: gray with alpha (no such
    // layout in WIC) and 16-bit samples (Wine's encoder stores them in the
    // wrong byte order) go through the writer on zlib.
    if (format == imageFormatPng && (info.channels == 2 || info.bitDepth == 16))
        return EncodeZlibPng(file, name, info, rowAt, rowContext, options, progress, error);
    if (info.channels == 2) {
        *error =
            "cannot write " + name + ": gray with alpha is written as PNG only; name a .png output";
        return false;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
        *error = "cannot write " + name + ": the system's image codecs are not available";
        return false;
    }
    IWICImagingFactory* factory = nullptr;
    IStream* memory = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameDecode* unused = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    IPropertyBag2* properties = nullptr;
    (void)unused;
    bool done = false;
    HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(result)) result = CreateStreamOnHGlobal(nullptr, TRUE, &memory);
    if (SUCCEEDED(result)) result = factory->CreateEncoder(container, nullptr, &encoder);
    if (SUCCEEDED(result)) result = encoder->Initialize(memory, WICBitmapEncoderNoCache);
    if (SUCCEEDED(result)) result = encoder->CreateNewFrame(&frame, &properties);
    if (SUCCEEDED(result) && format == imageFormatJpeg && properties != nullptr) {
        PROPBAG2 option = {};
        option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_R4;
        value.fltVal = float(options.jpegQuality) / 100.0f;
        properties->Write(1, &option, &value);
    }
    if (SUCCEEDED(result)) result = frame->Initialize(properties);
    if (SUCCEEDED(result)) result = frame->SetSize(UINT(info.width), UINT(info.height));
    WICPixelFormatGUID pixelFormat = *layouts[info.bitDepth == 16][info.channels];
    if (SUCCEEDED(result)) result = frame->SetPixelFormat(&pixelFormat);
    const WICPixelFormatGUID wanted = pixelFormat;
    const bool swapped = IsEqualGUID(wanted, GUID_WICPixelFormat24bppBGR) ||
                         IsEqualGUID(wanted, GUID_WICPixelFormat32bppBGRA);
    if (SUCCEEDED(result) && !IsEqualGUID(pixelFormat, wanted)) {
        *error = "cannot write " + name + ": the system's " + FormatName(format) +
                 " encoder does not take this pixel layout ";
    } else if (SUCCEEDED(result)) {
        const size_t rowBytes = InfoRowBytes(info);
        bool stopped = false;
        std::vector<uint8_t> scratch(swapped ? rowBytes : 0);
        for (int32_t y = 0; y < info.height && SUCCEEDED(result) && !stopped; ++y) {
            const uint8_t* row = rowAt(rowContext, y);
            if (swapped) {
                const size_t sample = size_t(info.bitDepth / 8),
                             pixel = sample * size_t(info.channels);
                memcpy(scratch.data(), row, rowBytes);
                for (size_t at = 0; at < rowBytes; at += pixel) {
                    memcpy(scratch.data() + at, row + at + 2 * sample, sample);
                    memcpy(scratch.data() + at + 2 * sample, row + at, sample);
                }
                row = scratch.data();
            }
            result = frame->WritePixels(1, UINT(rowBytes), UINT(rowBytes), const_cast<BYTE*>(row));
            if (SUCCEEDED(result) && !EncodedRow(progress, y, info.height, error)) stopped = true;
        }
        if (!stopped && SUCCEEDED(result)) result = frame->Commit();
        if (!stopped && SUCCEEDED(result)) result = encoder->Commit();
        if (!stopped && SUCCEEDED(result)) {
            HGLOBAL global = nullptr;
            result = GetHGlobalFromStream(memory, &global);
            STATSTG stat = {};
            if (SUCCEEDED(result)) result = memory->Stat(&stat, STATFLAG_NONAME);
            if (SUCCEEDED(result)) {
                const void* bytes = GlobalLock(global);
                const size_t size = size_t(stat.cbSize.QuadPart);
                if (fwrite(bytes, 1, size, file) != size)
                    *error = "cannot write " + name + ": " + strerror(errno);
                else
                    done = true;
                GlobalUnlock(global);
            }
        }
        if (!done && error->empty())
            *error = "cannot write " + name + ": the system's encoder failed (" +
                     ResultCode(result) + ")";
    }
    if (!done && error->empty())
        *error = "cannot write " + name + ": the system's image codecs are not available";
    Release(&properties);
    Release(&frame);
    Release(&encoder);
    Release(&memory);
    Release(&factory);
    CoUninitialize();
    return done;
}
