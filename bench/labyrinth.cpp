// Speed and working memory of labyrinth generation on large rectangles, with
// and without a selection: milliseconds per megapixel for seeding and for
// wall growth, and the room the frontier list is given after seeding.
#include "labyrinth/Labyrinth.h"
#include "labyrinth/LabyrinthParts.h"
#include "tests/support/LabyrinthCalls.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Selected inside an ellipse touching 96% of the rectangle's width and height.
std::vector<uint8_t> EllipseMask(int32_t width, int32_t height) {
    std::vector<uint8_t> mask(static_cast<size_t>(width) * height);
    const double cx = (width - 1) / 2.0, cy = (height - 1) / 2.0;
    const double rx = width * 0.48, ry = height * 0.48;
    for (int32_t r = 0; r < height; ++r) {
        const double y = (r - cy) / ry;
        uint8_t* row = mask.data() + static_cast<size_t>(r) * width;
        for (int32_t c = 0; c < width; ++c) {
            const double x = (c - cx) / rx;
            row[c] = x * x + y * y < 1.0 ? 255 : 0;
        }
    }
    return mask;
}

// One generation, done step by step (exactly what BuildLabyrinth does) so
// that seeding and growth are timed apart and the list can be inspected.
void Measure(std::vector<uint8_t>& grid, int32_t width, int32_t height, int32_t pitch,
             const uint8_t* mask) {
    ResetDirectionOrder();
    srand(1);
    const Clock::time_point start = Clock::now();
    FrontierList* list = CreateFrontierList(32, width);
    if (list == nullptr) {
        printf("out of memory creating the list\n");
        return;
    }
    const bool seeded = SeedGrid(grid.data(), width, height, mask, width, pitch, list);
    const double seedMs = MillisecondsSince(start);
    const int32_t seeds = list->lastIndex + 1;
    const Clock::time_point growStart = Clock::now();
    const bool grown = seeded && GrowWalls(grid.data(), pitch, width, height, list);
    const double growMs = MillisecondsSince(growStart);
    const double totalMs = MillisecondsSince(start);
    const double megapixels = static_cast<double>(width) * height / 1e6;
    size_t walls = 0;
    for (uint8_t cell : grid) walls += cell == Wall;
    printf(
        "%6dx%-6d pitch %3d %-7s | seed %8.1f ms grow %9.1f ms | %7.2f ms/MP | "
        "seeds %9d room %9d entries, %8.1f MB allocated | walls %5.1f%%%s\n",
        width, height, pitch, mask ? "ellipse" : "none", seedMs, growMs, totalMs / megapixels,
        seeds, list->capacity,
        list->capacity * static_cast<double>(sizeof(uint32_t)) / (1024.0 * 1024.0),
        100.0 * walls / grid.size(), grown ? "" : "  OUT OF MEMORY");
    fflush(stdout);
    DestroyFrontierList(list);
}

}  // namespace

int main(int argc, char** argv) {
    // An optional argument limits the run to rectangles of at most that many
    // megapixels (the 100-megapixel cases take a while).
    const double limit = argc > 1 ? atof(argv[1]) : 1e9;
    const int32_t sizes[][2] = {{4000, 3000}, {10000, 10000}};
    for (const auto& size : sizes) {
        const int32_t width = size[0], height = size[1];
        if (static_cast<double>(width) * height / 1e6 > limit) continue;
        std::vector<uint8_t> grid(static_cast<size_t>(width) * height);
        const std::vector<uint8_t> mask = EllipseMask(width, height);
        for (int32_t pitch : {2, 11, 100}) {
            Measure(grid, width, height, pitch, nullptr);
            Measure(grid, width, height, pitch, mask.data());
        }
    }
    return 0;
}
