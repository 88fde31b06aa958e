#include "cli/image/VipsLibrary.h"

#include "cli/image/CodecParts.h"

#include <vips/vips.h>
#include <cstring>
#include <new>

namespace {

bool started = false;
// The last warning libvips or a decoder gave: often the only place that
// says what is wrong with a file ("IDAT: CRC error").
std::string lastWarning;
GMutex warningLock;

void KeepWarning(const gchar*, GLogLevelFlags, const gchar* message, gpointer) {
    // "error in tile 0 x 0" only follows the decoder's own message.
    if (message == nullptr || strncmp(message, "error in tile", 13) == 0) return;
    g_mutex_lock(&warningLock);
    lastWarning = message;
    g_mutex_unlock(&warningLock);
}

// Fields of every image that describe its pixels, not its metadata.
bool IsPixelField(const char* name) {
    static const char* const names[] = {"width",          "height",  "bands",   "format", "coding",
                                        "interpretation", "xoffset", "yoffset", "xres",   "yres",
                                        "filename",       "mode",    "scale",   "offset"};
    for (const char* pixel : names) {
        if (strcmp(name, pixel) == 0) return true;
    }
    // libvips' own notes about how the image was loaded.
    return strncmp(name, "vips-", 5) == 0 || strncmp(name, "heif-", 5) == 0 ||
           strcmp(name, "bits-per-sample") == 0 || strcmp(name, "palette-bit-depth") == 0 ||
           strcmp(name, "palette") == 0 || strncmp(name, "gif-", 4) == 0 ||
           strcmp(name, "n-pages") == 0 || strcmp(name, "page-height") == 0 ||
           strcmp(name, "loop") == 0 || strcmp(name, "delay") == 0;
}

struct HeldFields {
    VipsImage* fields = nullptr;  // a 1x1 image carrying the fields
};

void FreeHeldFields(void* state) {
    HeldFields* held = static_cast<HeldFields*>(state);
    if (held->fields != nullptr) g_object_unref(held->fields);
    delete held;
}

void* CopyField(VipsImage* image, const char* name, GValue* value, void* to) {
    (void)image;
    if (!IsPixelField(name)) vips_image_set(static_cast<VipsImage*>(to), name, value);
    return nullptr;
}

}  // namespace

bool StartImageLibrary(std::string* error) {
    if (started) return true;
    // Warnings are kept for the one-line error, never printed.
    g_log_set_handler("VIPS", GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
                      KeepWarning, nullptr);
    if (VIPS_INIT("vorn") != 0) {
        *error = "cannot start the image library: " + TakeLibraryError();
        return false;
    }
    // Loaders that libvips does not consider safe for hostile files (JPEG
    // XL, FITS, ImageMagick, PDF, SVG, ...) are refused.
    vips_block_untrusted_set(TRUE);
    // The whole file is never cached: it is read once, top to bottom.
    vips_cache_set_max(0);
    started = true;
    return true;
}

std::string TakeLibraryError(bool decoderWords) {
    std::string text = vips_error_buffer();
    vips_error_clear();
    g_mutex_lock(&warningLock);
    const std::string warning = lastWarning;
    lastWarning.clear();
    g_mutex_unlock(&warningLock);
    // A decoder's own words say more than libvips' summary of them.
    const bool fromWarning = decoderWords && !warning.empty();
    if (fromWarning) text = warning;
    // The system's reason (a full disk) says most, wherever it stands.
    const size_t system = text.find("unix error: ");
    if (!fromWarning && system != std::string::npos) {
        text = text.substr(system);
        text = text.substr(0, text.find('\n'));
    }
    // Each message is "domain: text\n"; keep the last non-empty one's text.
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    const size_t lineStart = text.rfind('\n');
    std::string line = lineStart == std::string::npos ? text : text.substr(lineStart + 1);
    const size_t colon = line.find(": ");
    // libvips' own messages begin with the operation's name ("pngload: ").
    if (!fromWarning && colon != std::string::npos && line.find(' ') > colon)
        line = line.substr(colon + 2);
    if (line.compare(0, 12, "unix error: ") == 0) line = line.substr(12);
    if (line.empty()) line = "no reason given";
    KeepOnOneLine(&line);
    return line;
}

ImageMetadata* MetadataOfImage(VipsImage* image) {
    ImageMetadata* metadata = new (std::nothrow) ImageMetadata();
    HeldFields* held = new (std::nothrow) HeldFields();
    if (metadata == nullptr || held == nullptr) {
        delete metadata;
        delete held;
        return nullptr;
    }
    held->fields = vips_image_new_memory();
    vips_image_init_fields(held->fields, 1, 1, 1, VIPS_FORMAT_UCHAR, VIPS_CODING_NONE,
                           VIPS_INTERPRETATION_B_W, image->Xres, image->Yres);
    vips_image_map(image, CopyField, held->fields);
    metadata->state = held;
    metadata->free = FreeHeldFields;
    int orientation = 1;
    if (vips_image_get_typeof(image, VIPS_META_ORIENTATION) != 0 &&
        vips_image_get_int(image, VIPS_META_ORIENTATION, &orientation) == 0 && orientation >= 1 &&
        orientation <= 8)
        metadata->orientation = orientation;
    vips_error_clear();
    return metadata;
}

void ApplyMetadata(const ImageMetadata* metadata, VipsImage* image) {
    if (metadata == nullptr || metadata->state == nullptr) return;
    const HeldFields* held = static_cast<const HeldFields*>(metadata->state);
    image->Xres = held->fields->Xres;
    image->Yres = held->fields->Yres;
    vips_image_map(held->fields, CopyField, image);
}
