// One labyrinth: seed the grid, then grow walls from the seeds.
#include "labyrinth/Labyrinth.h"

#include "labyrinth/BuildProgress.h"
#include "labyrinth/LabyrinthParts.h"

bool BuildLabyrinth(uint8_t* grid, int32_t pitch, int32_t width, int32_t height,
                    const uint8_t* mask, ptrdiff_t maskRowBytes) {
    // Frontier entries are 32-bit cell indices.
    if (width > 0 && height > 0 &&
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > (uint64_t(1) << 32))
        return false;
    ResetBuildProgress();
    FrontierList* list = CreateFrontierList(32, width);
    if (list == nullptr) return false;
    const bool built = SeedGrid(grid, width, height, mask, maskRowBytes, pitch, list) &&
                       GrowWalls(grid, pitch, width, height, list);
    DestroyFrontierList(list);
    return built;
}
