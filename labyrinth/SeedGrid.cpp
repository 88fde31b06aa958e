// Seeding: clears the grid and lays the walls that growth starts from.
#include "labyrinth/BuildProgress.h"
#include "labyrinth/LabyrinthParts.h"

#include <cstring>

// Cells on the border of a width x height rectangle (both at least 1).
static int64_t BorderCells(int32_t width, int32_t height) {
    if (width == 1 || height == 1) return int64_t(width) * height;
    return 2 * int64_t(width) + 2 * int64_t(height) - 4;
}

// The border of the rectangle becomes Wall.
static void LayBorder(uint8_t* grid, int32_t width, int32_t height) {
    memset(grid, Wall, size_t(width));
    memset(grid + CellIndex(width, 0, height - 1), Wall, size_t(width));
    for (int32_t row = 1; row < height - 1; ++row) {
        uint8_t* cells = grid + CellIndex(width, 0, row);
        cells[0] = Wall;
        cells[width - 1] = Wall;
    }
}

// The border pushed row by row: the whole first row, the first and last
// cell of each middle row, the whole last row.
static bool PushBorder(int32_t width, int32_t height, FrontierList* list) {
    for (int32_t row = 0; row < height; ++row) {
        if (row == 0 || row == height - 1) {
            for (int32_t column = 0; column < width; ++column)
                if (!PushPoint(list, column, row)) return false;
        } else {
            if (!PushPoint(list, 0, row)) return false;
            if (width > 1 && !PushPoint(list, width - 1, row)) return false;
        }
    }
    return true;
}

// Unselected cells become Wall; selected cells on the grid's edge or next to
// an unselected cell (left, right, above, below) become Outline. Both depend
// on the mask alone, so one pass does them. Edge tests come first so that no
// mask byte outside the grid is read. Mask rows lie maskRowBytes apart.
// Answers the number of cells marked (Wall or Outline).
static int64_t MarkUnselectedAndOutline(uint8_t* grid, int32_t width, int32_t height,
                                        const uint8_t* mask, ptrdiff_t maskRowBytes) {
    int64_t marked = 0;
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* here = mask + row * maskRowBytes;
        const uint8_t* above = row > 0 ? here - maskRowBytes : nullptr;
        const uint8_t* below = row < height - 1 ? here + maskRowBytes : nullptr;
        uint8_t* cells = grid + CellIndex(width, 0, row);
        for (int32_t column = 0; column < width; ++column) {
            if (here[column] == 0) {
                cells[column] = Wall;
            } else if (above == nullptr || below == nullptr || column == 0 || column == width - 1 ||
                       here[column - 1] == 0 || here[column + 1] == 0 || above[column] == 0 ||
                       below[column] == 0) {
                cells[column] = Outline;
            } else {
                cells[column] = Open;
                continue;
            }
            ++marked;
        }
    }
    return marked;
}

// Where the outline runs diagonally, an open cell between two outline cells
// that meet only at a corner becomes Wall, so that the outline is connected
// through edge-sharing cells. Filled cells are Wall, not Outline, so the fill
// does not feed itself and the visiting order does not matter. Every cell on
// the grid's edge is Wall or Outline by now, so each open cell examined has
// all eight neighbours inside the grid. Answers the number of cells filled.
static int64_t FillOutlineCorners(uint8_t* grid, int32_t width, int32_t height) {
    int64_t filled = 0;
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
                (left && down && below[column - 1] != Outline)) {
                cells[column] = Wall;
                ++filled;
            }
        }
    }
    return filled;
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

// Lattice points of the pitch (every pitch-th column of every pitch-th
// row, from cell (0, 0)) whose cell is Open, that is the points growth can
// still reach. None without a lattice, and none at pitch 1: there every
// target lies next to the wall it would grow from, so none passes its test.
static int64_t OpenLatticePoints(const uint8_t* grid, int32_t width, int32_t height,
                                 int32_t pitch) {
    if (pitch < 2) return 0;
    int64_t open = 0;
    for (int64_t row = 0; row < height; row += pitch) {
        const uint8_t* cells = grid + CellIndex(width, 0, int32_t(row));
        for (int64_t column = 0; column < width; column += pitch) open += cells[column] == Open;
    }
    return open;
}

// The list is sized once, after the seeds are laid and before the first is
// pushed, for every entry it can ever hold: the seeds, and one for each
// lattice point growth can still reach. Growth pushes nothing but the ends of its
// segments; each end is a lattice point that its test found free of wall,
// and the segment turns it into Wall, so each Open lattice point is pushed
// at most once and no other cell ever is. The bound is reached, but for the
// few entries picked before, when one run of growth passes through every
// open lattice point; ordinary runs stay below it (about a third of it at
// pitch 2 without a selection), and the pages they never reach are never
// touched. The list of one labyrinth thus never grows again: no array is
// copied, and a big selection needs its entries' room once, where a
// doubling held the old array and one of twice its size at the same time.
static bool SizeForEveryEntry(const uint8_t* grid, int32_t width, int32_t height, int32_t pitch,
                              int64_t seeds, FrontierList* list) {
    const int64_t open = OpenLatticePoints(grid, width, height, pitch);
    labyrinthBuildProgress.reachable.store(open > int64_t(UINT32_MAX) ? UINT32_MAX : uint32_t(open),
                                           std::memory_order_relaxed);
    return ReserveFrontierList(list, seeds + open);
}

bool SeedGrid(uint8_t* grid, int32_t width, int32_t height, const uint8_t* mask,
              ptrdiff_t maskRowBytes, int32_t pitch, FrontierList* list) {
    if (width <= 0 || height <= 0) return true;
    if (mask == nullptr) {
        memset(grid, Open, CellIndex(width, 0, height));
        LayBorder(grid, width, height);
        return SizeForEveryEntry(grid, width, height, pitch, BorderCells(width, height), list) &&
               PushBorder(width, height, list);
    }
    const int64_t seeds = MarkUnselectedAndOutline(grid, width, height, mask, maskRowBytes) +
                          FillOutlineCorners(grid, width, height);
    return SizeForEveryEntry(grid, width, height, pitch, seeds, list) &&
           PromoteAndPush(grid, width, height, list);
}
