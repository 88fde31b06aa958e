// PNG through libpng: every kind is read (palette and 1/2/4-bit images come
// out as 8-bit, a colour key as alpha), every chunk's CRC is checked, and
// rows stream in and out one at a time.
#include "cli/CodecParts.h"

#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

namespace {

struct PngState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    FILE* file = nullptr;
    char message[200] = {};
    bool truncated = false;
    bool readFailed = false;
    bool writeFailed = false;
    int writeErrno = 0;
    int passes = 1;
    // Where the bytes read so far end in the chunk structure, so that image
    // data that does not inflate can be told apart from a damaged chunk:
    // the rest of that chunk is read and its CRC compared.
    uint8_t chunkHead[8] = {};
    uint64_t chunkAt = 0, chunkLength = 0;
    uint32_t crc = 0;
    uint8_t storedCrc[4] = {};
    bool crcFailed = false;
    char badChunk[5] = {};
    bool rowsDone = false;          // the last row is being read, or done
    uint64_t allowedAfterRows = 0;  // image data the last row may still need, and some
    uint64_t dataAfterRows = 0;     // image data bytes read since
    bool excess = false;
    bool endSeen = false;  // IEND complete
};

// Compressed image data that may follow the last row: the end of the
// deflate stream, and flush blocks of encoders that write in pieces.
// libpng inflates whatever follows the last row (to warn about it), so a
// stream that goes on and on is cut off while it is read.
const uint64_t allowedDataAfterRows = 65536;

uint32_t Big32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

void TrackBytes(PngState* state, const uint8_t* data, size_t size) {
    while (size > 0) {
        const uint64_t at = state->chunkAt;
        if (at < 8) {
            state->chunkHead[at] = *data++;
            --size;
            if (++state->chunkAt == 8) {
                state->chunkLength = Big32(state->chunkHead);
                state->crc = uint32_t(crc32(0, state->chunkHead + 4, 4));
            }
            continue;
        }
        if (at < 8 + state->chunkLength) {
            const uint64_t left = 8 + state->chunkLength - at;
            const size_t step = size_t(left < size ? left : size);
            if (state->rowsDone && memcmp(state->chunkHead + 4, "IDAT", 4) == 0)
                state->dataAfterRows += step;
            state->crc = uint32_t(crc32(state->crc, data, uInt(step)));
            data += step;
            size -= step;
            state->chunkAt += step;
            continue;
        }
        state->storedCrc[at - 8 - state->chunkLength] = *data++;
        --size;
        if (++state->chunkAt == 12 + state->chunkLength) {
            if (Big32(state->storedCrc) != state->crc && !state->crcFailed) {
                state->crcFailed = true;
                memcpy(state->badChunk, state->chunkHead + 4, 4);
            }
            if (memcmp(state->chunkHead + 4, "IEND", 4) == 0) state->endSeen = true;
            state->chunkAt = 0;
        }
    }
}

// Reads the rest of the chunk the decoder stopped in, checking its CRC.
void CheckRestOfChunk(PngState* state) {
    if (state->chunkAt < 8 || state->crcFailed) return;
    uint8_t scrap[4096];
    while (state->chunkAt != 0 && !state->crcFailed) {
        const uint64_t left = 12 + state->chunkLength - state->chunkAt;
        const size_t step = size_t(left < sizeof scrap ? left : sizeof scrap);
        const size_t got = fread(scrap, 1, step, state->file);
        if (got == 0) return;
        TrackBytes(state, scrap, got);
    }
}

void OnPngError(png_structp png, png_const_charp message) {
    PngState* state = static_cast<PngState*>(png_get_error_ptr(png));
    snprintf(state->message, sizeof state->message, "%s", message);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void ReadFromFile(png_structp png, png_bytep data, size_t length) {
    PngState* state = static_cast<PngState*>(png_get_io_ptr(png));
    const size_t got = fread(data, 1, length, state->file);
    TrackBytes(state, data, got);
    if (state->rowsDone && state->dataAfterRows > state->allowedAfterRows) {
        state->excess = true;
        png_error(png, "more image data than the header declares");
    }
    if (got == length) return;
    if (ferror(state->file)) {
        state->readFailed = true;
        png_error(png, strerror(errno));
    }
    state->truncated = true;
    png_error(png, "the file ends early");
}

void WriteToFile(png_structp png, png_bytep data, size_t length) {
    PngState* state = static_cast<PngState*>(png_get_io_ptr(png));
    if (fwrite(data, 1, length, state->file) == length) return;
    state->writeFailed = true;
    state->writeErrno = errno;
    png_error(png, "write failed");
}

void FlushFile(png_structp) {}

bool Contains(const char* text, const char* part) { return strstr(text, part) != nullptr; }

// The one-line reason for a failed read, in the host's words.
std::string ReadReason(const PngState& state, const std::string& name) {
    const char* m = state.message;
    if (state.crcFailed) return name + ": corrupt PNG: CRC mismatch in chunk " + state.badChunk;
    if (state.excess) return name + ": corrupt PNG: more image data than the header declares";
    if (state.readFailed) return "cannot read " + name + ": " + m;
    if (state.truncated) return name + ": truncated PNG: the file ends before IEND";
    if (Contains(m, "CRC error")) {
        const std::string text = m;
        const size_t colon = text.find(':');
        const std::string chunk = colon == std::string::npos ? "?" : text.substr(0, colon);
        return name + ": corrupt PNG: CRC mismatch in chunk " + chunk;
    }
    if (Contains(m, "emory") || Contains(m, "malloc"))
        return name + ": out of memory while decoding the PNG";
    if (Contains(m, "missing IHDR") || Contains(m, "Missing IHDR"))
        return name + ": corrupt PNG: the first chunk is not IHDR";
    if (Contains(m, "IEND: out of place") || Contains(m, "No image"))
        return name + ": corrupt PNG: no image data (IDAT)";
    if (Contains(m, "unknown critical chunk")) return name + ": unsupported PNG: " + m;
    return name + ": corrupt PNG: " + m;
}

void ClosePng(ImageDecoder* decoder) {
    PngState* state = static_cast<PngState*>(decoder->state);
    if (state == nullptr) return;
    png_destroy_read_struct(&state->png, &state->info, nullptr);
    delete state;
    decoder->state = nullptr;
}

// After the last row: the rest of the file is read (not inflated), each
// chunk's CRC checked, up to IEND. Image data far beyond what the rows
// took is refused; inflating it would only burn time.
bool CheckAfterRows(PngState* state, const std::string& name, std::string* error) {
    uint8_t block[65536];
    while (!state->endSeen && !state->crcFailed &&
           state->dataAfterRows <= state->allowedAfterRows) {
        const size_t got = fread(block, 1, sizeof block, state->file);
        if (got == 0) break;
        TrackBytes(state, block, got);
    }
    if (state->crcFailed) {
        *error = name + ": corrupt PNG: CRC mismatch in chunk " + state->badChunk;
    } else if (state->dataAfterRows > state->allowedAfterRows) {
        *error = name + ": corrupt PNG: more image data than the header declares";
    } else if (ferror(state->file)) {
        *error = "cannot read " + name + ": " + strerror(errno);
    } else if (!state->endSeen) {
        *error = name + ": truncated PNG: the file ends before IEND";
    } else {
        return true;
    }
    return false;
}

// The rows through libpng; false when libpng gave up (state->message says
// why). *stopped when the caller's sink or progress asked to stop.
bool ReadRowsGuarded(PngState* state, const RowTarget& target, const ImageInfo& info,
                     uint8_t* buffer, bool whole, bool* stopped, std::string* error) {
    if (setjmp(png_jmpbuf(state->png)) != 0) return false;
    const size_t rowBytes = InfoRowBytes(info);
    for (int pass = 0; pass < state->passes && !*stopped; ++pass) {
        const bool last = pass + 1 == state->passes;
        for (int32_t y = 0; y < info.height; ++y) {
            uint8_t* row = whole ? buffer + rowBytes * size_t(y) : TargetRow(target, y, buffer);
            if (last && y + 1 == info.height) {
                state->rowsDone = true;
                state->allowedAfterRows = 2 * (uint64_t(rowBytes) + 1) + allowedDataAfterRows;
            }
            png_read_row(state->png, row, nullptr);
            if (last && !whole && !FinishRow(target, y, info.height, row, error)) {
                *stopped = true;
                break;
            }
        }
    }
    return true;
}

// Reads every row; with a sink and an interlaced file the rows are kept in
// a buffer of the whole image first, since each pass adds to every row.
bool DecodePng(ImageDecoder* decoder, const RowTarget& target, std::string* error) {
    PngState* state = static_cast<PngState*>(decoder->state);
    const ImageInfo& info = decoder->info;
    const size_t rowBytes = InfoRowBytes(info);
    const bool whole = target.firstRow == nullptr && state->passes > 1;
    const size_t bufferBytes = whole ? rowBytes * size_t(info.height) : rowBytes;
    uint8_t* buffer = nullptr;
    if (target.firstRow == nullptr) {
        buffer = static_cast<uint8_t*>(malloc(bufferBytes));
        if (buffer == nullptr) {
            *error = decoder->name + ": out of memory while decoding the PNG";
            return false;
        }
    }
    bool stopped = false;
    const bool finished = ReadRowsGuarded(state, target, info, buffer, whole, &stopped, error);
    bool ok = finished && !stopped;
    if (!finished) {
        if (!state->truncated && !state->readFailed) CheckRestOfChunk(state);
        *error = ReadReason(*state, decoder->name);
    }
    if (ok) ok = CheckAfterRows(state, decoder->name, error);
    if (ok && whole) {
        for (int32_t y = 0; y < info.height && ok; ++y)
            ok = FinishRow(target, y, info.height, buffer + rowBytes * size_t(y), error);
    }
    free(buffer);
    return ok;
}

}  // namespace

bool OpenPngDecoder(ImageDecoder* decoder, std::string* error) {
    PngState* state = AttachDecoderState<PngState>(decoder, DecodePng, ClosePng, error);
    if (state == nullptr) return false;
    state->file = decoder->file;
    state->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, state, OnPngError, OnPngWarning);
    if (state->png != nullptr) state->info = png_create_info_struct(state->png);
    if (state->info == nullptr) {
        *error = decoder->name + ": out of memory";
        return false;
    }
    ImageInfo* info = &decoder->info;
    volatile bool read = false;
    if (setjmp(png_jmpbuf(state->png)) == 0) {
        png_set_read_fn(state->png, state, ReadFromFile);
        png_set_sig_bytes(state->png, 8);
        png_set_crc_action(state->png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
        // The host's limits are checked below; libpng's own stay as they are.
        png_read_info(state->png, state->info);
        const int colourType = png_get_color_type(state->png, state->info);
        const int depth = png_get_bit_depth(state->png, state->info);
        if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(state->png);
        if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8)
            png_set_expand_gray_1_2_4_to_8(state->png);
        if (png_get_valid(state->png, state->info, PNG_INFO_tRNS))
            png_set_tRNS_to_alpha(state->png);
        if (depth == 16) {
            const uint16_t probe = 1;
            if (*reinterpret_cast<const uint8_t*>(&probe) == 1) png_set_swap(state->png);
        }
        state->passes = png_set_interlace_handling(state->png);
        png_read_update_info(state->png, state->info);
        info->width = int32_t(png_get_image_width(state->png, state->info) > 0x7FFFFFFF
                                  ? 0x7FFFFFFF
                                  : png_get_image_width(state->png, state->info));
        info->height = int32_t(png_get_image_height(state->png, state->info) > 0x7FFFFFFF
                                   ? 0x7FFFFFFF
                                   : png_get_image_height(state->png, state->info));
        info->channels = png_get_channels(state->png, state->info);
        info->bitDepth = png_get_bit_depth(state->png, state->info);
        read = true;
    }
    if (!read) {
        *error = ReadReason(*state, decoder->name);
        return false;
    }
    return true;
}

bool EncodePng(FILE* file, const std::string& name, const ImageInfo& info, RowSource rowAt,
               void* rowContext, const EncodeOptions& options, RowProgress progress,
               std::string* error) {
    PngState state;
    state.file = file;
    state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, OnPngWarning);
    if (state.png != nullptr) state.info = png_create_info_struct(state.png);
    if (state.info == nullptr) {
        png_destroy_write_struct(&state.png, nullptr);
        *error = "cannot write " + name + ": out of memory";
        return false;
    }
    static const int colourTypes[5] = {0, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA,
                                       PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA};
    const int level = options.pngCompression >= 0 ? options.pngCompression : defaultPngCompression;
    volatile bool stopped = false;
    volatile bool written = false;
    if (setjmp(png_jmpbuf(state.png)) == 0) {
        png_set_write_fn(state.png, &state, WriteToFile, FlushFile);
        png_set_IHDR(state.png, state.info, png_uint_32(info.width), png_uint_32(info.height),
                     info.bitDepth, colourTypes[info.channels], PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_compression_level(state.png, level);
        // Fast levels pair with UP, which costs no more than no filter and
        // halves a labyrinth's file (corridors repeat row after row); from
        // level 6 on libpng chooses per row.
        png_set_filter(state.png, PNG_FILTER_TYPE_BASE,
                       level == 0   ? PNG_FILTER_NONE
                       : level <= 5 ? PNG_FILTER_UP
                                    : PNG_ALL_FILTERS);
        png_write_info(state.png, state.info);
        if (info.bitDepth == 16) {
            const uint16_t probe = 1;
            if (*reinterpret_cast<const uint8_t*>(&probe) == 1) png_set_swap(state.png);
        }
        for (int32_t y = 0; y < info.height; ++y) {
            png_write_row(state.png, rowAt(rowContext, y));
            if (!EncodedRow(progress, y, info.height, error)) {
                stopped = true;
                break;
            }
        }
        if (!stopped) png_write_end(state.png, state.info);
        written = true;
    }
    if (!written) {
        if (state.writeFailed) {
            *error = "cannot write " + name + ": " + strerror(state.writeErrno);
        } else {
            *error = "cannot write " + name + ": " + state.message;
        }
    }
    png_destroy_write_struct(&state.png, &state.info);
    return written && !stopped;
}
