// Seeding: clears the grid and lays the walls that growth starts from.
#include "labyrinth/LabyrinthParts.h"

#include <cstring>

// The border of the rectangle, pushed row by row: the whole first row, the
// first and last cell of each middle row, the whole last row.
static bool SeedBorder(uint8_t* grid, int32_t width, int32_t height, FrontierList* list) {
    for (int32_t row = 0; row < height; ++row) {
        uint8_t* cells = grid + CellIndex(width, 0, row);
        if (row == 0 || row == height - 1) {
            for (int32_t column = 0; column < width; ++column) {
                cells[column] = Wall;
                if (!PushPoint(list, column, row)) return false;
            }
        } else {
            cells[0] = Wall;
            if (!PushPoint(list, 0, row)) return false;
            if (width > 1) {
                cells[width - 1] = Wall;
                if (!PushPoint(list, width - 1, row)) return false;
            }
        }
    }
    return true;
}

// Unselected cells become Wall; selected cells on the grid's edge or next to
// an unselected cell (left, right, above, below) become Outline. Both depend
// on the mask alone, so one pass does them. Edge tests come first so that no
// mask byte outside the grid is read. Mask rows lie maskRowBytes apart.
static void MarkUnselectedAndOutline(uint8_t* grid, int32_t width, int32_t height,
                                     const uint8_t* mask, ptrdiff_t maskRowBytes) {
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* here = mask + row * maskRowBytes;
        const uint8_t* above = row > 0 ? here - maskRowBytes : nullptr;
        const uint8_t* below = row < height - 1 ? here + maskRowBytes : nullptr;
        uint8_t* cells = grid + CellIndex(width, 0, row);
        for (int32_t column = 0; column < width; ++column) {
            if (here[column] == 0) {
                cells[column] = Wall;
            } else if (above == nullptr || below == nullptr || column == 0 ||
                       column == width - 1 || here[column - 1] == 0 || here[column + 1] == 0 ||
                       above[column] == 0 || below[column] == 0) {
                cells[column] = Outline;
            } else {
                cells[column] = Open;
            }
        }
    }
}

// Where the outline runs diagonally, an open cell between two outline cells
// that meet only at a corner becomes Wall, so that the outline is connected
// through edge-sharing cells. Filled cells are Wall, not Outline, so the fill
// does not feed itself and the visiting order does not matter. Every cell on
// the grid's edge is Wall or Outline by now, so each open cell examined has
// all eight neighbours inside the grid.
static void FillOutlineCorners(uint8_t* grid, int32_t width, int32_t height) {
    for (int32_t row = 1; row < height - 1; ++row) {
        uint8_t* cells = grid + CellIndex(width, 0, row);
        const uint8_t* above = cells - width;
        const uint8_t* below = cells + width;
        for (int32_t column = 1; column < width - 1; ++column) {
            if (cells[column] != Open) continue;
            const bool left = cells[column - 1] == Outline;
            const bool right = cells[column + 1] == Outline;
            const bool up = above[column] == Outline;
            const bool down = below[column] == Outline;
            if ((left && up && above[column - 1] != Outline) ||
                (right && up && above[column + 1] != Outline) ||
                (right && down && below[column + 1] != Outline) ||
                (left && down && below[column - 1] != Outline))
                cells[column] = Wall;
        }
    }
}

// Outline cells become Wall, and every wall is pushed, row by row.
static bool PromoteAndPush(uint8_t* grid, int32_t width, int32_t height, FrontierList* list) {
    for (int32_t row = 0; row < height; ++row) {
        uint8_t* cells = grid + CellIndex(width, 0, row);
        for (int32_t column = 0; column < width; ++column) {
            if (cells[column] == Open) continue;
            cells[column] = Wall;
            if (!PushPoint(list, column, row)) return false;
        }
    }
    return true;
}

bool SeedGrid(uint8_t* grid, int32_t width, int32_t height, const uint8_t* mask,
              FrontierList* list) {
    return SeedGrid(grid, width, height, mask, width, list);
}

bool SeedGrid(uint8_t* grid, int32_t width, int32_t height, const uint8_t* mask,
              ptrdiff_t maskRowBytes, FrontierList* list) {
    if (width <= 0 || height <= 0) return true;
    if (mask == nullptr) {
        memset(grid, Open, CellIndex(width, 0, height));
        return SeedBorder(grid, width, height, list);
    }
    MarkUnselectedAndOutline(grid, width, height, mask, maskRowBytes);
    FillOutlineCorners(grid, width, height);
    return PromoteAndPush(grid, width, height, list);
}
