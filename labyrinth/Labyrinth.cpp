// One labyrinth: seed the grid, then grow walls from the seeds.
#include "labyrinth/Labyrinth.h"

#include "labyrinth/LabyrinthParts.h"

bool BuildLabyrinth(uint8_t* grid, int32_t pitch, int32_t width, int32_t height,
                    const uint8_t* mask) {
    FrontierList* list = CreateFrontierList(32);
    if (list == nullptr) return false;
    const bool built = SeedGrid(grid, width, height, mask, list) &&
                       GrowWalls(grid, pitch, width, height, list);
    DestroyFrontierList(list);
    return built;
}
