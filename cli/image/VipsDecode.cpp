// Reading: libvips finds the format from the file's first bytes and reads
// the header alone; the pixels follow top to bottom (sequential access), a
// band of rows at a time, straight into the caller's rows. Any decoder
// warning (lost or made-up data, a truncated file) is a refusal.
#include "cli/image/CodecParts.h"
#include "cli/image/VipsLibrary.h"

#include <sys/stat.h>
#include <vips/vips.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Where a file ends, checked on every byte as it passes: the last bytes
// (the end marker of JPEG, GIF and PNG must be the file's last bytes), and
// for PNG the chunks, whose image data may not exceed what the header's
// rows can need at the worst compression (a decompression bomb is refused
// without being inflated).
struct EndCheck {
    uint8_t tail[12] = {};
    size_t tailSize = 0;
    uint64_t offset = 0;  // bytes seen
    // PNG chunks: the next chunk header starts at chunkAt.
    uint64_t chunkAt = 8;
    uint8_t header[8] = {};
    uint64_t imageData = 0;
    bool endSeen = false, afterEnd = false;
    uint64_t endAt = 0;  // just after the IEND chunk
    // JPEG segments: the first end-of-image marker outside every segment
    // and every embedded thumbnail must be the last two bytes.
    int jpegState = 0;  // 0 expect FF, 1 marker, 2/3 length, 4 skip, 5 entropy data, 6 FF in data
    uint8_t jpegMarker = 0;
    uint32_t jpegSkip = 0;
    bool jpegEnd = false, afterJpegEnd = false;
};

void JpegByte(EndCheck* check, uint8_t byte) {
    if (check->jpegEnd) {
        check->afterJpegEnd = true;
        return;
    }
    switch (check->jpegState) {
        case 0: check->jpegState = byte == 0xFF ? 1 : 0; break;
        case 1:
        case 6:
            if (byte == 0xFF) break;
            if (check->jpegState == 6 && (byte == 0x00 || (byte >= 0xD0 && byte <= 0xD7))) {
                check->jpegState = 5;
                break;
            }
            if (byte == 0xD9) {
                check->jpegEnd = true;
            } else if (byte == 0xD8 || byte == 0x01 || (byte >= 0xD0 && byte <= 0xD7)) {
                check->jpegState = 0;
            } else {
                check->jpegMarker = byte;
                check->jpegState = 2;
            }
            break;
        case 2:
            check->jpegSkip = uint32_t(byte) << 8;
            check->jpegState = 3;
            break;
        case 3:
            check->jpegSkip |= byte;
            check->jpegSkip = check->jpegSkip >= 2 ? check->jpegSkip - 2 : 0;
            check->jpegState = check->jpegSkip > 0 ? 4 : (check->jpegMarker == 0xDA ? 5 : 0);
            break;
        case 4:
            if (--check->jpegSkip == 0) check->jpegState = check->jpegMarker == 0xDA ? 5 : 0;
            break;
        default:
            if (byte == 0xFF) check->jpegState = 6;
            break;
    }
}

void CheckBytes(EndCheck* check, const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        JpegByte(check, bytes[i]);
        const uint64_t at = check->offset + i;
        if (at >= check->chunkAt && at < check->chunkAt + 8) {
            check->header[at - check->chunkAt] = bytes[i];
            if (at == check->chunkAt + 7) {
                if (check->endSeen) check->afterEnd = true;
                const uint64_t length = (uint64_t(check->header[0]) << 24) |
                                        (uint64_t(check->header[1]) << 16) |
                                        (uint64_t(check->header[2]) << 8) | check->header[3];
                if (memcmp(check->header + 4, "IDAT", 4) == 0) check->imageData += length;
                check->chunkAt += 8 + length + 4;
                if (memcmp(check->header + 4, "IEND", 4) == 0 && !check->endSeen) {
                    check->endSeen = true;
                    check->endAt = check->chunkAt;
                }
            }
        }
    }
    check->offset += count;
    const size_t keep = sizeof check->tail;
    if (count >= keep) {
        memcpy(check->tail, bytes + count - keep, keep);
        check->tailSize = keep;
    } else {
        const size_t old = std::min(check->tailSize, keep - count);
        memmove(check->tail, check->tail + check->tailSize - old, old);
        memcpy(check->tail + old, bytes, count);
        check->tailSize = old + count;
    }
}

bool TailIs(const EndCheck& check, const uint8_t* end, size_t size) {
    return check.tailSize >= size && memcmp(check.tail + check.tailSize - size, end, size) == 0;
}

// The input as libvips reads it. A regular file is read from the start
// again and can be read out of order. A stream gives the first bytes,
// already read for the format check, then as much more as libvips needs
// to find its format; then it is kept in a temporary file and read as a
// regular file.
struct FileFeed {
    FILE* file = nullptr;
    const uint8_t* prefix = nullptr;
    size_t prefixSize = 0;
    size_t prefixAt = 0;
    bool seekable = false;
    uint64_t streamRead = 0;  // bytes read from a stream
    // While the format is being found, a stream is read no further than
    // this (a device like /dev/zero never ends).
    uint64_t readLimit = UINT64_MAX;
    // While a stream's format is found: every byte handed to libvips.
    std::vector<uint8_t>* tee = nullptr;
};

gint64 ReadFeed(VipsSourceCustom*, void* buffer, gint64 length, void* context) {
    FileFeed* feed = static_cast<FileFeed*>(context);
    if (length <= 0) return 0;
    if (feed->prefixAt < feed->prefixSize) {
        const size_t count = std::min(size_t(length), feed->prefixSize - feed->prefixAt);
        memcpy(buffer, feed->prefix + feed->prefixAt, count);
        feed->prefixAt += count;
        feed->streamRead += count;
        return gint64(count);
    }
    if (!feed->seekable && feed->streamRead >= feed->readLimit) return -1;
    const size_t got = fread(buffer, 1, size_t(length), feed->file);
    if (got == 0 && ferror(feed->file)) return -1;
    if (!feed->seekable) feed->streamRead += got;
    if (feed->tee != nullptr) {
        const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
        feed->tee->insert(feed->tee->end(), bytes, bytes + got);
    }
    return gint64(got);
}

gint64 SeekFeed(VipsSourceCustom*, gint64 offset, int whence, void* context) {
    FileFeed* feed = static_cast<FileFeed*>(context);
    if (!feed->seekable || fseeko(feed->file, off_t(offset), whence) != 0) return -1;
    return gint64(ftello(feed->file));
}

struct VipsState {
    FileFeed feed;
    FILE* spool = nullptr;  // a stream's bytes, kept in an unnamed temporary file
    EndCheck scan;          // a regular file's whole bytes, checked before libvips reads them
    VipsSourceCustom* source = nullptr;
    VipsImage* image = nullptr;
};

void CloseVips(ImageDecoder* decoder) {
    VipsState* state = static_cast<VipsState*>(decoder->state);
    if (state == nullptr) return;
    if (state->image != nullptr) g_object_unref(state->image);
    if (state->source != nullptr) g_object_unref(state->source);
    if (state->spool != nullptr) fclose(state->spool);
    delete state;
    decoder->state = nullptr;
}

ImageMetadata* TakeVipsMetadata(ImageDecoder* decoder) {
    VipsState* state = static_cast<VipsState*>(decoder->state);
    return state != nullptr && state->image != nullptr ? MetadataOfImage(state->image) : nullptr;
}

// The most PNG image data the header's rows can take, stored without
// compression and interlaced.
uint64_t WorstImageData(const ImageInfo& info) {
    const uint64_t raw = uint64_t(info.height) * (1 + InfoRowBytes(info));
    return raw + 8 * (uint64_t(info.height) + 8) + 5 * (raw / 16000 + 1) + 1024;
}

// The least PNG image data that can inflate to the header's rows: deflate
// turns at most 1032 bytes out of each byte it stores. A file with less
// is refused before an image-sized buffer is made for it.
uint64_t LeastImageData(const ImageInfo& info) {
    const uint64_t raw = uint64_t(info.height) * (1 + InfoRowBytes(info));
    return raw / 1032 > 64 ? raw / 1032 - 64 : 0;
}

// A regular file read from the start through the end check, leaving the
// file where it was.
void ScanWholeFile(FILE* file, EndCheck* check) {
    std::vector<uint8_t> buffer(65536);
    const off_t at = ftello(file);
    if (fseeko(file, 0, SEEK_SET) != 0) return;
    size_t got;
    while ((got = fread(buffer.data(), 1, buffer.size(), file)) > 0)
        CheckBytes(check, buffer.data(), got);
    fseeko(file, at, SEEK_SET);
}

// Why the checked bytes do not end where their format ends (empty when
// they do). withRows: the header's size is known, and a PNG's image data
// must fit its rows.
std::string EndFault(const EndCheck& check, const ImageInfo& info, bool withRows) {
    if (info.format == imageFormatPng) {
        static const uint8_t end[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
        const std::string size = std::to_string(info.width) + "x" + std::to_string(info.height);
        if (withRows && check.imageData > WorstImageData(info))
            return "more image data than its " + size + " pixels can hold";
        if (!check.endSeen || check.offset < check.endAt) return "it ends before its IEND chunk";
        if (check.afterEnd || check.offset > check.endAt) return "bytes after its IEND chunk";
        if (!TailIs(check, end, 12)) return "its IEND chunk is damaged";
        if (withRows && check.imageData < LeastImageData(info))
            return "too little image data for its " + size + " pixels";
    } else if (info.format == imageFormatJpeg) {
        if (check.afterJpegEnd) return "bytes after its end-of-image marker";
        if (!check.jpegEnd) return "it ends before its end-of-image marker";
    } else if (info.format == imageFormatGif) {
        static const uint8_t end[1] = {0x3B};
        if (!TailIs(check, end, 1)) return "it does not end with the GIF trailer";
    }
    return std::string();
}

std::string DamagedText(const ImageDecoder* decoder) {
    return decoder->name + ": damaged or truncated " + FormatName(decoder->info.format) +
           " file (" + TakeLibraryError() + ")";
}

bool DecodeVips(ImageDecoder* decoder, const RowTarget& target, std::string* error) {
    VipsState* state = static_cast<VipsState*>(decoder->state);
    VipsImage* image = state->image;
    const int32_t width = decoder->info.width, height = decoder->info.height;
    const size_t rowBytes = InfoRowBytes(decoder->info);
    // The file's structure was checked when it was opened: a
    // decompression bomb is never inflated.
    VipsRegion* region = vips_region_new(image);
    if (region == nullptr) {
        *error = DamagedText(decoder);
        return false;
    }
    const int32_t band = 16;
    bool ok = true;
    for (int32_t top = 0; ok && top < height; top += band) {
        VipsRect rect = {0, top, width, std::min(band, height - top)};
        if (vips_region_prepare(region, &rect) != 0) {
            *error = DamagedText(decoder);
            ok = false;
            break;
        }
        for (int32_t y = top; ok && y < top + rect.height; ++y) {
            const uint8_t* samples =
                reinterpret_cast<const uint8_t*>(VIPS_REGION_ADDR(region, 0, y));
            if (target.firstRow != nullptr) {
                uint8_t* to = target.firstRow + size_t(y) * target.rowStride;
                memcpy(to, samples, rowBytes);
                samples = to;
            }
            ok = FinishRow(target, y, height, samples, error);
        }
    }
    g_object_unref(region);
    return ok;
}

// The loader's type name (VipsForeignLoadPngSource, ...) names the format.
ImageFormat FormatOfLoader(const char* loader, VipsImage* image) {
    std::string name = loader;
    for (char& c : name) c = char(tolower(static_cast<unsigned char>(c)));
    const auto has = [&name](const char* part) { return name.find(part) != std::string::npos; };
    if (has("png")) return imageFormatPng;
    if (has("jpeg")) return imageFormatJpeg;
    if (has("tiff")) return imageFormatTiff;
    if (has("webp")) return imageFormatWebp;
    if (has("gif")) return imageFormatGif;
    if (has("jxl")) return imageFormatJxl;
    if (has("heif")) {
        const char* compression = nullptr;
        if (image != nullptr && vips_image_get_typeof(image, "heif-compression") != 0 &&
            vips_image_get_string(image, "heif-compression", &compression) == 0 &&
            compression != nullptr && strcmp(compression, "av1") == 0)
            return imageFormatAvif;
        return imageFormatHeic;
    }
    return imageFormatOther;
}

// Depth and kind of the loaded image, or why the host cannot take it.
bool DescribeLoaded(ImageDecoder* decoder, VipsImage* image, std::string* error) {
    ImageInfo& info = decoder->info;
    info.width = image->Xsize;
    info.height = image->Ysize;
    info.channels = image->Bands;
    if (image->Type == VIPS_INTERPRETATION_CMYK) {
        *error = decoder->name +
                 " is a CMYK image (print colours); vorn filters gray and RGB images, "
                 "so convert it to RGB first";
        return false;
    }
    if (image->Coding != VIPS_CODING_NONE ||
        (image->BandFmt != VIPS_FORMAT_UCHAR && image->BandFmt != VIPS_FORMAT_USHORT)) {
        *error = decoder->name +
                 " holds samples of another kind than whole numbers of 8 or 16 bits; "
                 "vorn filters 8- and 16-bit images";
        return false;
    }
    info.bitDepth = image->BandFmt == VIPS_FORMAT_USHORT ? 16 : 8;
    return true;
}

}  // namespace

bool FormatAvailable(ImageFormat format) {
    return format != imageFormatJxl && format != imageFormatOther;
}

namespace {

// A new custom source on the state's feed, in place of any earlier one.
void ConnectSource(VipsState* state) {
    if (state->source != nullptr) g_object_unref(state->source);
    state->source = vips_source_custom_new();
    g_signal_connect(state->source, "read", G_CALLBACK(ReadFeed), &state->feed);
    g_signal_connect(state->source, "seek", G_CALLBACK(SeekFeed), &state->feed);
}

// The loader for the feed's bytes, reading no more than 1 MiB of a
// stream to find it; null, with the one line, when there is none.
const char* FindLoader(ImageDecoder* decoder, VipsState* state, std::string* error) {
    state->feed.readLimit = 1 << 20;
    const char* loader = vips_foreign_find_load_source(VIPS_SOURCE(state->source));
    state->feed.readLimit = UINT64_MAX;
    if (loader != nullptr) return loader;
    const std::string why = TakeLibraryError();
    ImageFormat known;
    if (FormatFromSignature(decoder->signature, decoder->signatureSize, &known)) {
        *error =
            decoder->name + ": damaged or truncated " + FormatName(known) + " file (" + why + ")";
    } else {
        *error = decoder->name + " is not an image vorn can read";
    }
    return nullptr;
}

// A stream (standard input, a pipe, a device) that holds an image is
// kept whole in an unnamed temporary file and read from there as a
// regular file is: its structure is checked before any decoder sees it,
// so what reading costs is bounded by what the stream held, never by
// what its headers claim. sniffed: the bytes libvips read after the
// first ones while it found the format.
bool SpoolStream(ImageDecoder* decoder, VipsState* state, const std::vector<uint8_t>& sniffed,
                 std::string* error) {
    FILE* spool = tmpfile();
    if (spool == nullptr) {
        *error = "cannot keep " + decoder->name + " in a temporary file: " + strerror(errno);
        return false;
    }
    state->spool = spool;
    bool written =
        fwrite(decoder->signature, 1, decoder->signatureSize, spool) == decoder->signatureSize &&
        (sniffed.empty() || fwrite(sniffed.data(), 1, sniffed.size(), spool) == sniffed.size());
    std::vector<uint8_t> buffer(1 << 16);
    size_t got;
    while (written && (got = fread(buffer.data(), 1, buffer.size(), decoder->file)) > 0)
        written = fwrite(buffer.data(), 1, got, spool) == got;
    if (!written || fflush(spool) != 0) {
        *error = "cannot keep " + decoder->name + " in a temporary file: " + strerror(errno);
        return false;
    }
    if (ferror(decoder->file)) {
        *error = "cannot read " + decoder->name + ": " + strerror(errno);
        return false;
    }
    state->feed = FileFeed();
    state->feed.file = spool;
    state->feed.seekable = fseeko(spool, 0, SEEK_SET) == 0;
    return state->feed.seekable;
}

}  // namespace

bool OpenFormatDecoder(ImageDecoder* decoder, std::string* error) {
    if (!StartImageLibrary(error)) return false;
    TakeLibraryError();  // nothing left from an earlier file
    VipsState* state = AttachDecoderState<VipsState>(decoder, DecodeVips, CloseVips, error);
    if (state == nullptr) return false;
    decoder->takeMetadata = TakeVipsMetadata;
    FileFeed& feed = state->feed;
    feed.file = decoder->file;
    struct stat status;
    feed.seekable = fstat(fileno(decoder->file), &status) == 0 && S_ISREG(status.st_mode) &&
                    fseeko(decoder->file, 0, SEEK_SET) == 0;
    if (!feed.seekable) {
        feed.prefix = decoder->signature;
        feed.prefixSize = decoder->signatureSize;
        std::vector<uint8_t> sniffed;
        feed.tee = &sniffed;
        ConnectSource(state);
        const bool found = FindLoader(decoder, state, error) != nullptr;
        feed.tee = nullptr;
        if (!found || !SpoolStream(decoder, state, sniffed, error)) return false;
    }
    // The file's chunks are walked before any decoder sees them, so that
    // none is ever handed a length the file does not hold.
    ScanWholeFile(feed.file, &state->scan);
    ImageInfo claimed;
    if (FormatFromSignature(decoder->signature, decoder->signatureSize, &claimed.format) &&
        claimed.format == imageFormatPng) {
        const std::string why = EndFault(state->scan, claimed, false);
        if (!why.empty()) {
            *error = decoder->name + ": damaged or truncated PNG file (" + why + ")";
            return false;
        }
    }
    ConnectSource(state);
    const char* loader = FindLoader(decoder, state, error);
    if (loader == nullptr) return false;
    decoder->info.format = FormatOfLoader(loader, nullptr);
    state->image =
        vips_image_new_from_source(VIPS_SOURCE(state->source), "", "access", VIPS_ACCESS_SEQUENTIAL,
                                   "fail_on", VIPS_FAIL_ON_WARNING, nullptr);
    if (state->image == nullptr) {
        const std::string why = TakeLibraryError();
        if (why.find("blocked") != std::string::npos) {
            *error = decoder->name + " is a " + FormatName(decoder->info.format) +
                     " file; vorn does not read this format, since the image library marks its "
                     "reader as not safe for untrusted files";
        } else {
            *error = decoder->name + ": damaged or truncated " + FormatName(decoder->info.format) +
                     " file (" + why + ")";
        }
        return false;
    }
    decoder->info.format = FormatOfLoader(loader, state->image);
    if (!DescribeLoaded(decoder, state->image, error)) return false;
    // Sizes the host cannot take are refused as such by the header check.
    if (decoder->info.width > maxImageSide || decoder->info.height > maxImageSide) return true;
    const std::string why = EndFault(state->scan, decoder->info, true);
    if (why.empty()) return true;
    *error = decoder->name + ": damaged or truncated " + FormatName(decoder->info.format) +
             " file (" + why + ")";
    return false;
}
