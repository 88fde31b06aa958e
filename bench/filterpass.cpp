// Speed and working memory of the whole filter pass (read, generate,
// paint, write) on large 8-bit and 16-bit RGB images, with the time of
// each step measured on its own as well.
#include "entry/FilterInstance.h"
#include "entry/Parameters.h"
#include "filter/FilterPass.h"
#include "filter/PaintLabyrinth.h"
#include "filter/PixelPlanes.h"
#include "host/HeapMemory.h"
#include "labyrinth/Labyrinth.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

Boolean PI_CDECL NeverAbort() { return 0; }

struct BenchImage {
    FilterRecord record;
    FilterInstance instance;
    int16 result;
    FilterParameters parameters;
    char* parameterBlock;
    std::vector<uint8_t> in;
    std::vector<uint8_t> out;
};

void SetUp(BenchImage* image, int16 mode, int32_t width, int32_t height) {
    const int32_t bytesPerSample = BytesPerSample(mode);
    const int32_t rowBytes = width * 3 * bytesPerSample;
    image->in.resize(size_t(rowBytes) * size_t(height));
    for (size_t i = 0; i < image->in.size(); ++i) image->in[i] = uint8_t(i * 31 + (i >> 12));
    if (bytesPerSample == 2) {
        for (size_t i = 1; i < image->in.size(); i += 2) image->in[i] &= 0x7F;  // 0..32767
    }
    image->out.assign(image->in.size(), 0);
    image->record = FilterRecord{};
    image->instance = FilterInstance{};
    image->parameters.Amount = 10;
    image->parameterBlock = reinterpret_cast<char*>(&image->parameters);
    FilterRecord& record = image->record;
    record.parameters = &image->parameterBlock;
    record.abortProc = NeverAbort;
    record.imageMode = mode;
    record.planes = 3;
    record.foreground = RGBColor{0, 0, 0};
    record.background = RGBColor{65535, 65535, 65535};
    record.inData = image->in.data();
    record.inRowBytes = rowBytes;
    record.outData = image->out.data();
    record.outRowBytes = rowBytes;
    image->instance.result = &image->result;
    image->instance.filter = &record;
    image->instance.workRect = Rect{0, 0, int16(height), int16(width)};
    record.inRect = image->instance.workRect;  // the request the buffers answer
    record.outRect = record.inRect;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Times each step of a pass by hand, over the same buffers.
void TimeSteps(BenchImage* image, int32_t width, int32_t height) {
    const size_t pixels = size_t(width) * size_t(height);
    const int32_t bytesPerSample = BytesPerSample(image->record.imageMode);
    PlaneSet planes = {};
    std::vector<uint8_t> grid(pixels);
    if (!AllocPlaneSet(&planes, 3, pixels)) return;
    auto start = std::chrono::steady_clock::now();
    ReadPlanes(&image->instance, bytesPerSample, 3, &planes, nullptr);
    const double read = SecondsSince(start);
    start = std::chrono::steady_clock::now();
    const bool built = BuildLabyrinth(grid.data(), image->parameters.Amount + 1, width, height, nullptr);
    const double build = SecondsSince(start);
    start = std::chrono::steady_clock::now();
    const PlaneColour black = PlaneColourOf(image->record.foreground, 0);
    const PlaneColour white = PlaneColourOf(image->record.background, 0);
    PaintLabyrinth(&planes, 3, grid.data(), pixels, black, white, NeverAbort);
    const double paint = SecondsSince(start);
    start = std::chrono::steady_clock::now();
    WritePlanes(&image->instance, bytesPerSample, 3, &planes);
    const double write = SecondsSince(start);
    FreePlaneSet(&planes);
    printf("    steps: read %.1f ms, labyrinth %.1f ms%s, paint %.1f ms, write %.1f ms\n", read * 1e3,
           build * 1e3, built ? "" : " (failed)", paint * 1e3, write * 1e3);
}

void Measure(const char* name, int16 mode, int32_t width, int32_t height, int32_t rounds) {
    BenchImage image;
    SetUp(&image, mode, width, height);
    const double megapixels = double(width) * height / 1e6;
    double best = 1e30;
    double total = 0;
    size_t peak = 0;
    for (int32_t round = 0; round < rounds; ++round) {
        heapPeakBytes = heapBytesInUse;
        const size_t base = heapBytesInUse;
        const auto start = std::chrono::steady_clock::now();
        RunFilterPass(&image.instance);
        const double seconds = SecondsSince(start);
        if (image.result != 0) {
            printf("%s: pass failed with %d\n", name, image.result);
            return;
        }
        best = seconds < best ? seconds : best;
        total += seconds;
        if (heapPeakBytes - base > peak) peak = heapPeakBytes - base;
    }
    printf("%s %dx%d, Amount %d: best %.3f s (%.1f MP/s), mean %.3f s (%.1f MP/s) over %d passes\n",
           name, width, height, image.parameters.Amount, best, megapixels / best, total / rounds,
           megapixels * rounds / total, rounds);
    printf("    peak working memory %.1f MB = %.2f bytes per pixel\n", peak / 1e6,
           double(peak) / (double(width) * height));
    TimeSteps(&image, width, height);
}

}  // namespace

int main(int argc, char** argv) {
    const int32_t rounds = argc > 1 ? atoi(argv[1]) : 5;
    srand(1);
    Measure("8-bit RGB", plugInModeRGBColor, 4000, 3000, rounds);
    Measure("16-bit RGB", plugInModeRGB48, 4000, 3000, rounds);
    return 0;
}
