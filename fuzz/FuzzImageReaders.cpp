// libFuzzer entry for the command line's image and mask readers: the input
// is a file of any format (PNG, JPEG, TIFF or none). It is read as the
// image and as a mask the way vorn reads them; what decodes must have the
// kind the header declared, and a PNG or TIFF written from it must read
// back sample for sample. Reading must never crash, hang or allocate
// beyond what the header declares.
#include "cli/ImageTransfer.h"
#include "cli/SelectionMask.h"
#include "cli/image/ImageCodec.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Images larger than this are refused here before decoding; the host's
// own limit (side, memory) is checked by OpenImageDecoder and the tests.
const uint64_t maxFuzzSamples = uint64_t(1) << 22;

[[noreturn]] void Fail(const char* what) {
    fprintf(stderr, "image reader check failed: %s\n", what);
    abort();
}

FILE* FileOf(const uint8_t* data, size_t size) {
    FILE* file = tmpfile();
    if (file == nullptr) abort();
    if (size > 0 && fwrite(data, 1, size, file) != size) abort();
    rewind(file);
    return file;
}

struct Rows {
    const HostImage* image;
    std::vector<uint8_t> row;
};

const uint8_t* RowOf(void* context, int32_t y) {
    Rows* rows = static_cast<Rows*>(context);
    return rows->image->samples.data() + size_t(y) * HostRowBytes(*rows->image);
}

// Writes the decoded 8-bit image (16-bit ones are on the host's scale, so
// only 8-bit ones are compared) and reads it back.
void CheckRoundTrip(const HostImage& image, const ImageInfo& info, ImageFormat format) {
    FILE* file = tmpfile();
    if (file == nullptr) abort();
    Rows rows{&image, {}};
    ImageInfo out = info;
    out.format = format;
    std::string error;
    if (!EncodeImage(file, "fuzz", out, format, RowOf, &rows, EncodeOptions(), RowProgress(),
                     &error))
        Fail("a decoded image could not be written");
    rewind(file);
    ImageDecoder* decoder = nullptr;
    ImageInfo back;
    if (!OpenImageDecoder(file, "fuzz", &decoder, &back, &error))
        Fail("a written image could not be opened");
    if (back.width != info.width || back.height != info.height || back.channels != info.channels ||
        back.bitDepth != info.bitDepth)
        Fail("a written image came back of another kind");
    HostImage again;
    HostTransfer transfer;
    if (!DecodeIntoHost(decoder, back, &again, &transfer, RowProgress(), &error))
        Fail("a written image could not be decoded");
    CloseImageDecoder(decoder);
    fclose(file);
    const size_t rowBytes = InfoRowBytes(info);
    for (int32_t y = 0; y < info.height; ++y) {
        if (memcmp(image.samples.data() + size_t(y) * HostRowBytes(image),
                   again.samples.data() + size_t(y) * HostRowBytes(again), rowBytes) != 0)
            Fail("a written image came back with other samples");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* file = FileOf(data, size);
    ImageDecoder* decoder = nullptr;
    ImageInfo info;
    std::string error;
    if (!OpenImageDecoder(file, "fuzz", &decoder, &info, &error)) {
        if (error.empty() || error.find('\n') != std::string::npos)
            Fail("a refusal without one line");
        fclose(file);
        return 0;
    }
    if (info.width <= 0 || info.height <= 0 || info.width > 32767 || info.height > 32767 ||
        info.channels < 1 || info.channels > 4 || (info.bitDepth != 8 && info.bitDepth != 16))
        Fail("a header the host cannot take was accepted");
    const uint64_t samples = uint64_t(info.width) * uint64_t(info.height) * uint64_t(info.channels);
    if (samples > maxFuzzSamples) {
        CloseImageDecoder(decoder);
        fclose(file);
        return 0;
    }
    HostImage image;
    HostTransfer transfer;
    const bool decoded = DecodeIntoHost(decoder, info, &image, &transfer, RowProgress(), &error);
    CloseImageDecoder(decoder);
    fclose(file);
    if (!decoded) {
        if (error.empty() || error.find('\n') != std::string::npos)
            Fail("a failure without one line");
        return 0;
    }
    if (HostRowBytes(image) % 4 != 0) Fail("host rows not padded to 4 bytes");
    if (info.bitDepth == 8) {
        CheckRoundTrip(image, info, imageFormatPng);
        CheckRoundTrip(image, info, imageFormatTiff);
    }

    // The same file as the selection of an image of its size.
    FILE* maskFile = FileOf(data, size);
    HostImage target;
    target.width = info.width;
    target.height = info.height;
    target.channels = 1;
    if (ReadSelectionMask(maskFile, "mask", &target, 1, RowProgress(), &error)) {
        if (target.mask.size() < HostMaskRowBytes(target) * size_t(info.height))
            Fail("a short mask");
        Rect bounds;
        (void)MaskBounds(target.mask.data(), HostMaskRowBytes(target), info.width, info.height,
                         &bounds);
    } else if (error.empty() || error.find('\n') != std::string::npos) {
        Fail("a mask refusal without one line");
    }
    fclose(maskFile);
    return 0;
}
