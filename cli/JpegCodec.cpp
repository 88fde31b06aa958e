// JPEG through libjpeg-turbo: 8-bit gray and colour images (YCbCr or RGB
// in the file) are read, row by row; any damage, including a file that
// ends early, is an error rather than a gray band.
#include "cli/CodecParts.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace {

const size_t inputChunk = 65536;

struct JpegError {
    jpeg_error_mgr manager;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
    bool truncated = false;
    bool readFailed = false;
    int code = 0;
    int savedErrno = 0;
};

struct JpegSource {
    jpeg_source_mgr manager;
    ImageDecoder* decoder = nullptr;
    bool prefixGiven = false;
    JOCTET buffer[inputChunk];
};

struct JpegState {
    jpeg_decompress_struct cinfo;
    JpegError error;
    JpegSource source;
    bool created = false;
};

void OnJpegError(j_common_ptr cinfo) {
    JpegError* error = reinterpret_cast<JpegError*>(cinfo->err);
    error->savedErrno = errno;
    error->code = error->manager.msg_code;
    (*cinfo->err->format_message)(cinfo, error->message);
    longjmp(error->jump, 1);
}

// Warnings are damage in the data (a bad Huffman code, a missing marker):
// refused like errors. Trace messages are ignored.
void OnJpegMessage(j_common_ptr cinfo, int level) {
    if (level < 0) OnJpegError(cinfo);
}

void InitSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo) {
    JpegSource* source = reinterpret_cast<JpegSource*>(cinfo->src);
    ImageDecoder* decoder = source->decoder;
    size_t got = 0;
    if (!source->prefixGiven) {
        memcpy(source->buffer, decoder->signature, decoder->signatureSize);
        got = decoder->signatureSize;
        source->prefixGiven = true;
    }
    got += fread(source->buffer + got, 1, inputChunk - got, decoder->file);
    if (got == 0) {
        JpegError* error = reinterpret_cast<JpegError*>(cinfo->err);
        if (ferror(decoder->file)) {
            error->readFailed = true;
            snprintf(error->message, sizeof error->message, "%s", strerror(errno));
        } else {
            error->truncated = true;
        }
        longjmp(error->jump, 1);
    }
    source->manager.next_input_byte = source->buffer;
    source->manager.bytes_in_buffer = got;
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
    JpegSource* source = reinterpret_cast<JpegSource*>(cinfo->src);
    while (count > 0) {
        if (source->manager.bytes_in_buffer == 0) FillInput(cinfo);
        const size_t step = size_t(count) < source->manager.bytes_in_buffer
                                ? size_t(count)
                                : source->manager.bytes_in_buffer;
        source->manager.next_input_byte += step;
        source->manager.bytes_in_buffer -= step;
        count -= long(step);
    }
}

void TermSource(j_decompress_ptr) {}

std::string ReadReason(const JpegError& error, const std::string& name) {
    if (error.readFailed) return "cannot read " + name + ": " + error.message;
    if (error.truncated) return name + ": truncated JPEG: the file ends before the image does";
    if (error.code == JERR_OUT_OF_MEMORY) return name + ": out of memory while decoding the JPEG";
    return name + ": corrupt JPEG: " + error.message;
}

void CloseJpeg(ImageDecoder* decoder) {
    JpegState* state = static_cast<JpegState*>(decoder->state);
    if (state == nullptr) return;
    if (state->created) jpeg_destroy_decompress(&state->cinfo);
    delete state;
    decoder->state = nullptr;
}

// The scanlines through libjpeg; false when it gave up (state->error says
// why). *stopped when the caller's sink or progress asked to stop.
bool ReadRowsGuarded(JpegState* state, const RowTarget& target, const ImageInfo& info,
                     uint8_t* scratch, bool* stopped, std::string* error) {
    if (setjmp(state->error.jump) != 0) return false;
    jpeg_start_decompress(&state->cinfo);
    while (state->cinfo.output_scanline < state->cinfo.output_height) {
        const int32_t y = int32_t(state->cinfo.output_scanline);
        JSAMPROW row = TargetRow(target, y, scratch);
        jpeg_read_scanlines(&state->cinfo, &row, 1);
        if (!FinishRow(target, y, info.height, row, error)) {
            *stopped = true;
            return true;
        }
    }
    jpeg_finish_decompress(&state->cinfo);
    return true;
}

bool DecodeJpeg(ImageDecoder* decoder, const RowTarget& target, std::string* error) {
    JpegState* state = static_cast<JpegState*>(decoder->state);
    const ImageInfo& info = decoder->info;
    uint8_t* scratch = nullptr;
    if (target.firstRow == nullptr) {
        scratch = static_cast<uint8_t*>(malloc(InfoRowBytes(info)));
        if (scratch == nullptr) {
            *error = decoder->name + ": out of memory while decoding the JPEG";
            return false;
        }
    }
    bool stopped = false;
    const bool finished = ReadRowsGuarded(state, target, info, scratch, &stopped, error);
    if (!finished) *error = ReadReason(state->error, decoder->name);
    free(scratch);
    return finished && !stopped;
}

}  // namespace

bool OpenJpegDecoder(ImageDecoder* decoder, std::string* error) {
    JpegState* state = AttachDecoderState<JpegState>(decoder, DecodeJpeg, CloseJpeg, error);
    if (state == nullptr) return false;
    jpeg_decompress_struct* cinfo = &state->cinfo;
    cinfo->err = jpeg_std_error(&state->error.manager);
    state->error.manager.error_exit = OnJpegError;
    state->error.manager.emit_message = OnJpegMessage;
    if (setjmp(state->error.jump) != 0) {
        *error = ReadReason(state->error, decoder->name);
        return false;
    }
    jpeg_create_decompress(cinfo);
    state->created = true;
    state->source.decoder = decoder;
    state->source.manager.init_source = InitSource;
    state->source.manager.fill_input_buffer = FillInput;
    state->source.manager.skip_input_data = SkipInput;
    state->source.manager.resync_to_restart = jpeg_resync_to_restart;
    state->source.manager.term_source = TermSource;
    state->source.manager.bytes_in_buffer = 0;
    state->source.manager.next_input_byte = nullptr;
    cinfo->src = &state->source.manager;
    jpeg_read_header(cinfo, TRUE);
    if (cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK) {
        *error = decoder->name + ": unsupported JPEG: CMYK images are not read";
        return false;
    }
    const bool gray = cinfo->num_components == 1;
    cinfo->out_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
    decoder->info.width = int32_t(cinfo->image_width);
    decoder->info.height = int32_t(cinfo->image_height);
    decoder->info.channels = gray ? 1 : 3;
    decoder->info.bitDepth = 8;
    return true;
}

bool EncodeJpeg(FILE* file, const std::string& name, const ImageInfo& info, RowSource rowAt,
                void* rowContext, const EncodeOptions& options, RowProgress progress,
                std::string* error) {
    if (info.bitDepth != 8 || InfoHasAlpha(info)) {
        *error = "cannot write " + name + ": JPEG holds 8-bit gray or RGB without alpha";
        return false;
    }
    jpeg_compress_struct cinfo;
    JpegError failure;
    cinfo.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = OnJpegError;
    failure.manager.emit_message = OnJpegMessage;
    volatile bool created = false;
    volatile bool stopped = false;
    volatile bool written = false;
    if (setjmp(failure.jump) == 0) {
        jpeg_create_compress(&cinfo);
        created = true;
        jpeg_stdio_dest(&cinfo, file);
        cinfo.image_width = JDIMENSION(info.width);
        cinfo.image_height = JDIMENSION(info.height);
        cinfo.input_components = info.channels;
        cinfo.in_color_space = info.channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, options.jpegQuality, TRUE);
        if (options.jpegQuality >= 90 && info.channels == 3) {
            // Full-resolution colour: one-pixel walls in colour stay sharp.
            cinfo.comp_info[0].h_samp_factor = 1;
            cinfo.comp_info[0].v_samp_factor = 1;
        }
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            const int32_t y = int32_t(cinfo.next_scanline);
            JSAMPROW row = const_cast<JSAMPROW>(rowAt(rowContext, y));
            jpeg_write_scanlines(&cinfo, &row, 1);
            if (!EncodedRow(progress, y, info.height, error)) {
                stopped = true;
                break;
            }
        }
        if (!stopped) jpeg_finish_compress(&cinfo);
        written = true;
    }
    if (!written) {
        if (failure.code == JERR_FILE_WRITE) {
            *error = "cannot write " + name + ": " + strerror(failure.savedErrno);
        } else {
            *error = "cannot write " + name + ": " + failure.message;
        }
    }
    if (created) jpeg_destroy_compress(&cinfo);
    return written && !stopped;
}
