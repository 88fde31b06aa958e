// Formats of the native host: PNG, JPEG and TIFF, told apart by their first
// bytes when reading and by the output's name when writing.
#include "cli/CodecParts.h"

bool FormatAvailable(ImageFormat) { return true; }

bool OpenFormatDecoder(ImageDecoder* decoder, std::string* error) {
    if (!FormatFromSignature(decoder->signature, decoder->signatureSize, &decoder->info.format)) {
        *error = decoder->name + ": not a PNG file, nor a JPEG or TIFF file";
        return false;
    }
    switch (decoder->info.format) {
        case imageFormatJpeg: return OpenJpegDecoder(decoder, error);
        case imageFormatTiff: return OpenTiffDecoder(decoder, error);
        default: return OpenPngDecoder(decoder, error);
    }
}

bool EncodeImage(FILE* file, const std::string& name, const ImageInfo& info, ImageFormat format,
                 RowSource rowAt, void* rowContext, const EncodeOptions& options,
                 RowProgress progress, std::string* error) {
    bool ok = false;
    switch (format) {
        case imageFormatJpeg:
            ok = EncodeJpeg(file, name, info, rowAt, rowContext, options, progress, error);
            break;
        case imageFormatTiff:
            ok = EncodeTiff(file, name, info, rowAt, rowContext, options, progress, error);
            break;
        default:
            ok = EncodePng(file, name, info, rowAt, rowContext, options, progress, error);
            break;
    }
    if (!ok) KeepOnOneLine(error);
    return ok;
}
