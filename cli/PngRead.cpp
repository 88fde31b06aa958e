#include "cli/PngRead.h"

#include "cli/FileIo.h"
#include "cli/StbConfig.h"

#include "stb_image.h"

#include <climits>
#include <cstring>

namespace {

std::string DecoderReason() {
    const char* reason = stbi_failure_reason();
    if (reason == nullptr) return "corrupt PNG";
    if (strcmp(reason, "outofmem") == 0) return "out of memory while decoding the PNG";
    if (strcmp(reason, "too large") == 0) return "the PNG image is too large";
    return std::string("corrupt PNG: ") + reason;
}

}  // namespace

bool DecodePng(const uint8_t* bytes, size_t size, PngImage* image, std::string* error) {
    PngHeader header;
    if (!CheckPngStructure(bytes, size, &header, error)) return false;
    if (size > size_t(INT_MAX)) {
        *error = "the PNG file is too large";
        return false;
    }
    int width = 0, height = 0, channels = 0;
    const bool deep = header.bitDepth == 16;
    void* pixels = deep ? static_cast<void*>(stbi_load_16_from_memory(
                              bytes, int(size), &width, &height, &channels, 0))
                        : static_cast<void*>(
                              stbi_load_from_memory(bytes, int(size), &width, &height, &channels, 0));
    if (pixels == nullptr) {
        *error = DecoderReason();
        return false;
    }
    const size_t count = size_t(width) * size_t(height) * size_t(channels);
    image->samples.resize(count);
    if (deep) {
        memcpy(image->samples.data(), pixels, count * 2);
    } else {
        const uint8_t* narrow = static_cast<const uint8_t*>(pixels);
        for (size_t i = 0; i < count; ++i) image->samples[i] = narrow[i];
    }
    image->width = width;
    image->height = height;
    image->channels = channels;
    image->bitDepth = deep ? 16 : 8;
    stbi_image_free(pixels);
    return true;
}

bool ReadPngFile(const std::string& path, PngImage* image, std::string* error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, &bytes, error)) return false;
    if (!DecodePng(bytes.data(), bytes.size(), image, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}
