#include "tests/support/LabyrinthCalls.h"

#include <cstdlib>

bool BuildLabyrinth(uint8_t* grid, int32_t pitch, int32_t width, int32_t height,
                    const uint8_t* mask) {
    return BuildLabyrinth(grid, pitch, width, height, mask, width);
}

bool SeedGrid(uint8_t* grid, int32_t width, int32_t height, const uint8_t* mask,
              FrontierList* list) {
    return SeedGrid(grid, width, height, mask, width, 0, list);
}

char ChooseDirection(const uint8_t* grid, int32_t pitch, int32_t width, int32_t height,
                     int32_t column, int32_t row) {
    // Braced initialisers run in order: the four calls come one after the other.
    const int32_t draws[4] = {rand(), rand(), rand(), rand()};
    return ChooseDirectionWith(draws, grid, pitch, width, height, column, row);
}
