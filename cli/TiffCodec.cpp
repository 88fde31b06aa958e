// TIFF through libtiff: gray, RGB and palette images of 8 or 16 bits, with
// an alpha sample or without, in strips or tiles, planes interleaved or
// separate. Written with Deflate and the horizontal predictor.
#include "cli/CodecParts.h"

#include <tiffio.h>

#include <sys/stat.h>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct TiffFile {
    FILE* file = nullptr;
    int failedErrno = 0;
    char message[256] = {};
};

tmsize_t ReadProc(thandle_t handle, void* data, tmsize_t size) {
    TiffFile* tf = static_cast<TiffFile*>(handle);
    const size_t got = fread(data, 1, size_t(size), tf->file);
    if (got < size_t(size) && ferror(tf->file)) tf->failedErrno = errno;
    return tmsize_t(got);
}

tmsize_t WriteProc(thandle_t handle, void* data, tmsize_t size) {
    TiffFile* tf = static_cast<TiffFile*>(handle);
    const size_t put = fwrite(data, 1, size_t(size), tf->file);
    if (put < size_t(size) && tf->failedErrno == 0) tf->failedErrno = errno;
    return tmsize_t(put);
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    TiffFile* tf = static_cast<TiffFile*>(handle);
    if (offset > toff_t(INT64_MAX) || fseeko(tf->file, off_t(offset), whence) != 0)
        return toff_t(-1);
    return toff_t(ftello(tf->file));
}

int CloseProc(thandle_t) { return 0; }

toff_t SizeProc(thandle_t handle) {
    TiffFile* tf = static_cast<TiffFile*>(handle);
    struct stat info = {};
    if (fstat(fileno(tf->file), &info) != 0) return 0;
    return toff_t(info.st_size);
}

int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

int OnTiffError(TIFF*, void* context, const char* module, const char* format, va_list args) {
    TiffFile* tf = static_cast<TiffFile*>(context);
    if (tf->message[0] == 0) {
        char text[200];
        vsnprintf(text, sizeof text, format, args);
        snprintf(tf->message, sizeof tf->message, "%s%s%s", module ? module : "",
                 module ? ": " : "", text);
    }
    return 1;
}

int OnTiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFF* OpenTiff(const std::string& name, const char* mode, TiffFile* tf) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, OnTiffError, tf);
    TIFFOpenOptionsSetWarningHandlerExtR(options, OnTiffWarning, tf);
    // No single allocation beyond what an image of the largest size needs.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(1) << 31);
    TIFF* tif = TIFFClientOpenExt(name.c_str(), mode, tf, ReadProc, WriteProc, SeekProc, CloseProc,
                                  SizeProc, MapProc, UnmapProc, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

struct TiffState {
    TiffFile tf;
    TIFF* tif = nullptr;
    uint16_t samplesPerPixel = 1, bitsPerSample = 8, photometric = 0, planar = PLANARCONFIG_CONTIG;
    int32_t colours = 1;  // colour samples in the file (1 or 3)
    bool alpha = false;   // the first extra sample is alpha
    bool palette = false;
    uint16_t* map[3] = {nullptr, nullptr, nullptr};
};

std::string ReadReason(const TiffState& state, const std::string& name) {
    if (state.tf.failedErrno != 0)
        return "cannot read " + name + ": " + strerror(state.tf.failedErrno);
    if (strstr(state.tf.message, "emory") != nullptr)
        return name + ": out of memory while decoding the TIFF";
    const char* detail = state.tf.message[0] ? state.tf.message : "unreadable data";
    if (strstr(detail, "end of file") != nullptr || strstr(detail, "Read error") != nullptr ||
        strstr(detail, "read error") != nullptr)
        return name + ": truncated TIFF: " + detail;
    return name + ": corrupt TIFF: " + detail;
}

void CloseTiffDecoder(ImageDecoder* decoder) {
    TiffState* state = static_cast<TiffState*>(decoder->state);
    if (state == nullptr) return;
    if (state->tif != nullptr) TIFFClose(state->tif);
    delete state;
    decoder->state = nullptr;
}

// Converts one row of file samples (samplesPerPixel interleaved) to the
// decoded layout of info.
void ConvertRow(const TiffState& state, const ImageInfo& info, const uint8_t* from, uint8_t* to) {
    const int32_t spp = state.samplesPerPixel;
    if (state.palette) {
        for (int32_t x = 0; x < info.width; ++x) {
            const uint32_t index =
                state.bitsPerSample == 16 ? reinterpret_cast<const uint16_t*>(from)[x] : from[x];
            for (int c = 0; c < 3; ++c) to[x * 3 + c] = uint8_t(state.map[c][index] >> 8);
        }
        return;
    }
    const bool invert = state.photometric == PHOTOMETRIC_MINISWHITE;
    if (state.bitsPerSample == 8) {
        for (int32_t x = 0; x < info.width; ++x) {
            const uint8_t* pixel = from + size_t(x) * spp;
            uint8_t* out = to + size_t(x) * info.channels;
            for (int32_t c = 0; c < state.colours; ++c)
                out[c] = invert ? uint8_t(255 - pixel[c]) : pixel[c];
            if (state.alpha) out[state.colours] = pixel[state.colours];
        }
    } else {
        const uint16_t* samples = reinterpret_cast<const uint16_t*>(from);
        uint16_t* out16 = reinterpret_cast<uint16_t*>(to);
        for (int32_t x = 0; x < info.width; ++x) {
            const uint16_t* pixel = samples + size_t(x) * spp;
            uint16_t* out = out16 + size_t(x) * info.channels;
            for (int32_t c = 0; c < state.colours; ++c)
                out[c] = invert ? uint16_t(65535 - pixel[c]) : pixel[c];
            if (state.alpha) out[state.colours] = pixel[state.colours];
        }
    }
}

// Reads the band of rows [top, top + rows) in the file's interleaved layout
// into band (rows x width x samplesPerPixel samples).
bool ReadBand(TiffState* state, const ImageInfo& info, uint32_t top, uint32_t rows,
              uint32_t bandRows, uint8_t* band, uint8_t* piece, tmsize_t pieceSize) {
    TIFF* tif = state->tif;
    const size_t sampleBytes = state->bitsPerSample / 8;
    const size_t spp = state->samplesPerPixel;
    const size_t pixelBytes = sampleBytes * spp;
    const size_t bandStride = size_t(info.width) * pixelBytes;
    const bool separate = state->planar == PLANARCONFIG_SEPARATE;
    const uint16_t planes = separate ? uint16_t(spp) : 1;
    if (!TIFFIsTiled(tif)) {
        for (uint16_t s = 0; s < planes; ++s) {
            const uint32_t strip = TIFFComputeStrip(tif, top, s);
            const size_t pieceStride = separate ? size_t(info.width) * sampleBytes : bandStride;
            if (TIFFReadEncodedStrip(tif, strip, piece, tmsize_t(pieceStride * rows)) < 0)
                return false;
            if (!separate) {
                memcpy(band, piece, bandStride * rows);
                continue;
            }
            for (uint32_t r = 0; r < rows; ++r)
                for (int32_t x = 0; x < info.width; ++x)
                    memcpy(band + r * bandStride + size_t(x) * pixelBytes + s * sampleBytes,
                           piece + r * pieceStride + size_t(x) * sampleBytes, sampleBytes);
        }
        return true;
    }
    uint32_t tileWidth = 0, tileLength = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileLength);
    (void)bandRows;
    for (uint32_t left = 0; left < uint32_t(info.width); left += tileWidth) {
        const uint32_t columns =
            left + tileWidth > uint32_t(info.width) ? info.width - left : tileWidth;
        for (uint16_t s = 0; s < planes; ++s) {
            if (TIFFReadTile(tif, piece, left, top, 0, s) < 0) return false;
            const size_t tilePixel = separate ? sampleBytes : pixelBytes;
            const size_t tileStride = size_t(tileWidth) * tilePixel;
            if (tileStride * rows > size_t(pieceSize)) return false;
            for (uint32_t r = 0; r < rows; ++r) {
                const uint8_t* from = piece + r * tileStride;
                uint8_t* to = band + r * bandStride + size_t(left) * pixelBytes;
                if (!separate) {
                    memcpy(to, from, size_t(columns) * pixelBytes);
                } else {
                    for (uint32_t x = 0; x < columns; ++x)
                        memcpy(to + x * pixelBytes + s * sampleBytes, from + x * sampleBytes,
                               sampleBytes);
                }
            }
        }
    }
    return true;
}

bool DecodeTiff(ImageDecoder* decoder, const RowTarget& target, std::string* error) {
    TiffState* state = static_cast<TiffState*>(decoder->state);
    const ImageInfo& info = decoder->info;
    TIFF* tif = state->tif;
    uint32_t bandRows = 0;
    if (TIFFIsTiled(tif)) {
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &bandRows);
    } else if (!TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &bandRows)) {
        bandRows = uint32_t(info.height);
    }
    if (bandRows == 0 || bandRows > uint32_t(info.height)) bandRows = uint32_t(info.height);
    const tmsize_t pieceSize = TIFFIsTiled(tif) ? TIFFTileSize(tif) : TIFFStripSize(tif);
    const size_t fileRowBytes =
        size_t(info.width) * state->samplesPerPixel * (state->bitsPerSample / 8);
    uint8_t* piece = pieceSize > 0 ? static_cast<uint8_t*>(malloc(size_t(pieceSize))) : nullptr;
    uint8_t* band = static_cast<uint8_t*>(malloc(fileRowBytes * bandRows));
    uint8_t* scratch = static_cast<uint8_t*>(malloc(InfoRowBytes(info)));
    bool ok = piece != nullptr && band != nullptr && scratch != nullptr;
    if (!ok) *error = decoder->name + ": out of memory while decoding the TIFF";
    for (uint32_t top = 0; ok && top < uint32_t(info.height); top += bandRows) {
        const uint32_t rows = top + bandRows > uint32_t(info.height) ? info.height - top : bandRows;
        if (!ReadBand(state, info, top, rows, bandRows, band, piece, pieceSize)) {
            *error = ReadReason(*state, decoder->name);
            ok = false;
            break;
        }
        for (uint32_t r = 0; ok && r < rows; ++r) {
            const int32_t y = int32_t(top + r);
            uint8_t* row = TargetRow(target, y, scratch);
            ConvertRow(*state, info, band + r * fileRowBytes, row);
            ok = FinishRow(target, y, info.height, row, error);
        }
    }
    free(piece);
    free(band);
    free(scratch);
    return ok;
}

bool Unsupported(ImageDecoder* decoder, const std::string& what, std::string* error) {
    *error = decoder->name + ": unsupported TIFF: " + what;
    return false;
}

}  // namespace

bool OpenTiffDecoder(ImageDecoder* decoder, std::string* error) {
    TiffState* state = AttachDecoderState<TiffState>(decoder, DecodeTiff, CloseTiffDecoder, error);
    if (state == nullptr) return false;
    state->tf.file = decoder->file;
    // libtiff reads the directory wherever it lies; the file is read again
    // from its start.
    if (fseeko(decoder->file, 0, SEEK_SET) != 0) {
        *error = decoder->name + ": a TIFF file is read from a file, not from a pipe";
        return false;
    }
    state->tif = OpenTiff(decoder->name, "rm", &state->tf);
    if (state->tif == nullptr) {
        *error = ReadReason(*state, decoder->name);
        return false;
    }
    TIFF* tif = state->tif;
    uint32_t width = 0, height = 0;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT, compression = COMPRESSION_NONE;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &state->samplesPerPixel);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &state->bitsPerSample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &state->planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &state->photometric))
        state->photometric = state->samplesPerPixel >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    uint16_t extraCount = 0;
    uint16_t* extraKinds = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds);

    decoder->info.width = width > 0x7FFFFFFF ? 0x7FFFFFFF : int32_t(width);
    decoder->info.height = height > 0x7FFFFFFF ? 0x7FFFFFFF : int32_t(height);
    if (!TIFFIsCODECConfigured(compression))
        return Unsupported(decoder, "compression " + std::to_string(compression), error);
    if (sampleFormat != SAMPLEFORMAT_UINT)
        return Unsupported(decoder, "samples that are not whole numbers", error);
    if (state->bitsPerSample != 8 && state->bitsPerSample != 16)
        return Unsupported(decoder, std::to_string(state->bitsPerSample) + " bits a sample", error);
    switch (state->photometric) {
        case PHOTOMETRIC_MINISBLACK:
        case PHOTOMETRIC_MINISWHITE: state->colours = 1; break;
        case PHOTOMETRIC_RGB: state->colours = 3; break;
        case PHOTOMETRIC_PALETTE:
            state->colours = 1;
            state->palette = true;
            if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &state->map[0], &state->map[1],
                              &state->map[2]))
                return Unsupported(decoder, "a palette image without its colour map", error);
            break;
        case PHOTOMETRIC_YCBCR:
            if (compression != COMPRESSION_JPEG)
                return Unsupported(decoder, "YCbCr samples", error);
            TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
            state->photometric = PHOTOMETRIC_RGB;
            state->colours = 3;
            break;
        default:
            return Unsupported(
                decoder, "photometric interpretation " + std::to_string(state->photometric), error);
    }
    if (state->samplesPerPixel < state->colours || state->samplesPerPixel > 8)
        return Unsupported(decoder, std::to_string(state->samplesPerPixel) + " samples a pixel",
                           error);
    state->alpha =
        !state->palette && state->samplesPerPixel > state->colours && extraCount > 0 &&
        (extraKinds[0] == EXTRASAMPLE_UNASSALPHA || extraKinds[0] == EXTRASAMPLE_ASSOCALPHA);
    if (state->palette && state->samplesPerPixel != 1)
        return Unsupported(decoder, "a palette image with extra samples", error);
    decoder->info.channels = state->palette ? 3 : state->colours + (state->alpha ? 1 : 0);
    decoder->info.bitDepth = state->palette ? 8 : state->bitsPerSample;
    return true;
}

bool EncodeTiff(FILE* file, const std::string& name, const ImageInfo& info, RowSource rowAt,
                void* rowContext, const EncodeOptions& options, RowProgress progress,
                std::string* error) {
    TiffFile tf;
    tf.file = file;
    if (fseeko(file, 0, SEEK_CUR) != 0) {
        *error = "cannot write " + name + ": TIFF is written to a file, not to a pipe or device";
        return false;
    }
    TIFF* tif = OpenTiff(name, "w", &tf);
    if (tif == nullptr) {
        *error = "cannot write " + name + ": " +
                 (tf.failedErrno ? strerror(tf.failedErrno) : tf.message);
        return false;
    }
    const bool alpha = InfoHasAlpha(info);
    const int level = options.pngCompression >= 0 ? options.pngCompression : 6;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(info.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(info.height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(info.channels));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(info.bitDepth));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 info.channels >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    if (alpha) {
        const uint16_t kinds[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), kinds);
    }
    if (level > 0) {
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        TIFFSetField(tif, TIFFTAG_ZIPQUALITY, level);
    }
    const size_t rowBytes = InfoRowBytes(info);
    const uint32_t stripRows = uint32_t(rowBytes >= 262144 ? 1 : 262144 / rowBytes);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, stripRows);
    uint8_t* row = static_cast<uint8_t*>(malloc(rowBytes));
    bool ok = row != nullptr;
    if (!ok) {
        TIFFClose(tif);
        *error = "cannot write " + name + ": out of memory";
        return false;
    }
    for (int32_t y = 0; ok && y < info.height; ++y) {
        // libtiff may change the row it is given (the predictor works in place).
        memcpy(row, rowAt(rowContext, y), rowBytes);
        if (TIFFWriteScanline(tif, row, uint32_t(y), 0) < 0) {
            ok = false;
            break;
        }
        if (!EncodedRow(progress, y, info.height, error)) {
            free(row);
            TIFFClose(tif);
            return false;
        }
    }
    free(row);
    if (ok && !TIFFWriteDirectory(tif)) ok = false;
    if (!ok) {
        *error = "cannot write " + name + ": " +
                 (tf.failedErrno ? strerror(tf.failedErrno)
                                 : (tf.message[0] ? tf.message : "write failed"));
    }
    TIFFClose(tif);
    if (ok && tf.failedErrno != 0) {
        *error = "cannot write " + name + ": " + strerror(tf.failedErrno);
        ok = false;
    }
    return ok;
}
