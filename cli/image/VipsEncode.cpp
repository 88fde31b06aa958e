// Writing: the caller's rows become a libvips image computed on demand
// (no copy of the image is made), which carries the input's metadata and
// the tool's own record, and the saver of the output's format writes it
// to the output's descriptor.
#include "VornVersion.h"
#include "cli/image/CodecParts.h"
#include "cli/image/VipsLibrary.h"

#include <vips/vips.h>
#include <cstring>

namespace {

// Where the saver's threads take rows from, one at a time.
struct RowFeed {
    RowSource rowAt = nullptr;
    void* context = nullptr;
    size_t pixelBytes = 0;
    GMutex lock;
};

int GenerateRows(VipsRegion* out, void*, void* a, void*, gboolean*) {
    RowFeed* feed = static_cast<RowFeed*>(a);
    const VipsRect& rect = out->valid;
    g_mutex_lock(&feed->lock);
    for (int y = rect.top; y < VIPS_RECT_BOTTOM(&rect); ++y) {
        const uint8_t* row = feed->rowAt(feed->context, y);
        memcpy(VIPS_REGION_ADDR(out, rect.left, y), row + size_t(rect.left) * feed->pixelBytes,
               size_t(rect.width) * feed->pixelBytes);
    }
    g_mutex_unlock(&feed->lock);
    return 0;
}

struct EvalWatch {
    RowProgress progress;
    int32_t width = 1, height = 0;
    bool stopped = false;
};

void OnEval(VipsImage* image, VipsProgress* state, void* context) {
    EvalWatch* watch = static_cast<EvalWatch*>(context);
    if (watch->stopped || watch->progress.onRows == nullptr) return;
    const int32_t rows = int32_t(state->npels / watch->width);
    if (!watch->progress.onRows(watch->progress.context, rows, watch->height)) {
        watch->stopped = true;
        vips_image_set_kill(image, TRUE);
    }
}

VipsInterpretation InterpretationOf(const ImageInfo& info) {
    if (info.channels < 3)
        return info.bitDepth == 16 ? VIPS_INTERPRETATION_GREY16 : VIPS_INTERPRETATION_B_W;
    return info.bitDepth == 16 ? VIPS_INTERPRETATION_RGB16 : VIPS_INTERPRETATION_sRGB;
}

const char* const softwareName = "Vorn " VORN_VERSION_TEXT;

// The tool's record: Software, and the run's settings as a description.
void AddRecord(VipsImage* image, ImageFormat format, const EncodeOptions& options) {
    vips_image_set_string(image, "exif-ifd0-Software", softwareName);
    if (!options.description.empty())
        vips_image_set_string(image, "exif-ifd0-ImageDescription", options.description.c_str());
    if (format == imageFormatTiff && !options.description.empty())
        vips_image_set_string(image, "image-description", options.description.c_str());
    if (format != imageFormatPng) return;
    // PNG text chunks, after any the input had.
    vips_image_set_string(image, "png-comment-90-Software", softwareName);
    if (!options.description.empty())
        vips_image_set_string(image, "png-comment-91-Description", options.description.c_str());
}

int Save(VipsImage* image, VipsTarget* target, ImageFormat format, const EncodeOptions& options) {
    const int quality = options.jpegQuality;
    switch (format) {
        case imageFormatJpeg:
            return vips_jpegsave_target(image, target, "Q", quality, "subsample_mode",
                                        VIPS_FOREIGN_SUBSAMPLE_AUTO, nullptr);
        case imageFormatTiff:
            return vips_tiffsave_target(
                image, target, "compression", VIPS_FOREIGN_TIFF_COMPRESSION_DEFLATE, "predictor",
                VIPS_FOREIGN_TIFF_PREDICTOR_HORIZONTAL, "level",
                options.pngCompression < 0 ? defaultTiffCompression : options.pngCompression,
                nullptr);
        case imageFormatWebp: return vips_webpsave_target(image, target, "Q", quality, nullptr);
        case imageFormatHeic:
        case imageFormatAvif:
            return vips_heifsave_target(image, target, "Q", quality, "compression",
                                        format == imageFormatAvif
                                            ? VIPS_FOREIGN_HEIF_COMPRESSION_AV1
                                            : VIPS_FOREIGN_HEIF_COMPRESSION_HEVC,
                                        nullptr);
        case imageFormatGif: return vips_gifsave_target(image, target, nullptr);
        default: {
            const int level =
                options.pngCompression < 0 ? defaultPngCompression : options.pngCompression;
            return vips_pngsave_target(
                image, target, "compression", level, "filter",
                level <= 5 ? VIPS_FOREIGN_PNG_FILTER_UP : VIPS_FOREIGN_PNG_FILTER_ALL, nullptr);
        }
    }
}

}  // namespace

bool EncodeImage(FILE* file, const std::string& name, const ImageInfo& info, ImageFormat format,
                 RowSource rowAt, void* rowContext, const EncodeOptions& options,
                 RowProgress progress, std::string* error) {
    if (!StartImageLibrary(error)) return false;
    if (!FormatAvailable(format)) {
        *error = name + ": " + FormatName(format) + " is not written";
        return false;
    }
    if (format == imageFormatJpeg && (InfoHasAlpha(info) || info.bitDepth != 8)) {
        *error = name + ": JPEG holds 8-bit gray or RGB without alpha";
        return false;
    }
    TakeLibraryError();  // nothing left from reading
    RowFeed feed;
    feed.rowAt = rowAt;
    feed.context = rowContext;
    feed.pixelBytes = size_t(info.channels) * size_t(info.bitDepth / 8);
    g_mutex_init(&feed.lock);
    VipsImage* image = vips_image_new();
    vips_image_pipelinev(image, VIPS_DEMAND_STYLE_THINSTRIP, nullptr);
    // 72 dots an inch unless the input says otherwise.
    const double dotsPerMm = 72.0 / 25.4;
    vips_image_init_fields(image, info.width, info.height, info.channels,
                           info.bitDepth == 16 ? VIPS_FORMAT_USHORT : VIPS_FORMAT_UCHAR,
                           VIPS_CODING_NONE, InterpretationOf(info), dotsPerMm, dotsPerMm);
    ApplyMetadata(options.metadata, image);
    AddRecord(image, format, options);
    bool ok = vips_image_generate(image, nullptr, GenerateRows, nullptr, &feed, nullptr) == 0;
    EvalWatch watch;
    watch.progress = progress;
    watch.width = info.width > 0 ? info.width : 1;
    watch.height = info.height;
    vips_image_set_progress(image, TRUE);
    g_signal_connect(image, "eval", G_CALLBACK(OnEval), &watch);
    VipsTarget* target = ok ? vips_target_new_to_descriptor(fileno(file)) : nullptr;
    ok = target != nullptr && Save(image, target, format, options) == 0;
    if (watch.stopped) {
        *error = "interrupted";
    } else if (!ok) {
        // A worker thread or buffer that could not be had is memory
        // running out, whatever the saver then says.
        const std::string all = vips_error_buffer();
        *error = "cannot write " + name + ": " + TakeLibraryError(false);
        if (all.find("creating thread") != std::string::npos ||
            all.find("out of memory") != std::string::npos)
            *error = "out of memory while writing " + name;
    }
    vips_error_clear();
    if (target != nullptr) g_object_unref(target);
    g_object_unref(image);
    g_mutex_clear(&feed.lock);
    return ok && !watch.stopped;
}
