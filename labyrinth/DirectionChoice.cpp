// The two target tests and the random choice of the direction in which a
// wall grows next.
#include "labyrinth/LabyrinthParts.h"

#include <cstdlib>

char directionOrder[4] = {directionUp, directionDown, directionLeft, directionRight};

void ResetDirectionOrder() {
    directionOrder[0] = directionUp;
    directionOrder[1] = directionDown;
    directionOrder[2] = directionLeft;
    directionOrder[3] = directionRight;
}

static bool IsInside(int32_t width, int32_t height, int32_t column, int32_t row) {
    return column >= 0 && column < width && row >= 0 && row < height;
}

// IsClearTarget for a cell known to be inside the grid.
static bool IsClearInside(const uint8_t* grid, int32_t width, int32_t height, int32_t column,
                          int32_t row) {
    const int32_t left = column > 0 ? column - 1 : column;
    const int32_t right = column < width - 1 ? column + 1 : column;
    const int32_t top = row > 0 ? row - 1 : row;
    const int32_t bottom = row < height - 1 ? row + 1 : row;
    for (int32_t r = top; r <= bottom; ++r) {
        const uint8_t* cells = grid + CellIndex(width, 0, r);
        for (int32_t c = left; c <= right; ++c)
            if (cells[c] == Wall) return false;
    }
    return true;
}

// IsReachableTarget for a cell known to be inside the grid.
static bool IsReachableInside(const uint8_t* grid, int32_t width, int32_t height,
                              int32_t column, int32_t row) {
    const uint8_t* cells = grid + CellIndex(width, 0, row);
    if (cells[column] == Wall) return false;
    // Walls among the edge-sharing neighbours, and the side they lie on.
    int32_t count = 0;
    int32_t h = 0;
    int32_t v = 0;
    if (column > 0 && cells[column - 1] == Wall) { ++count; h = -1; }
    if (column < width - 1 && cells[column + 1] == Wall) { ++count; h = 1; }
    if (row > 0 && cells[column - static_cast<ptrdiff_t>(width)] == Wall) { ++count; v = -1; }
    if (row < height - 1 && cells[column + static_cast<ptrdiff_t>(width)] == Wall) { ++count; v = 1; }
    if (count > 1) return false;
    if (h != 0) {
        // A wall at the side: the cells above and below the far-side column
        // must be free.
        const int32_t farColumn = column - h;
        if (farColumn < 0 || farColumn >= width || row < 1 || row >= height - 1) return true;
        return grid[CellIndex(width, farColumn, row - 1)] != Wall &&
               grid[CellIndex(width, farColumn, row + 1)] != Wall;
    }
    // A wall above or below, or none: the cells left and right of the
    // far-side row must be free.
    const int32_t farRow = row - v;
    if (farRow < 0 || farRow >= height || column < 1 || column >= width - 1) return true;
    const uint8_t* far = grid + CellIndex(width, 0, farRow);
    return far[column - 1] != Wall && far[column + 1] != Wall;
}

bool IsClearTarget(const uint8_t* grid, int32_t width, int32_t height, int32_t column,
                   int32_t row) {
    return IsInside(width, height, column, row) &&
           IsClearInside(grid, width, height, column, row);
}

bool IsReachableTarget(const uint8_t* grid, int32_t width, int32_t height, int32_t column,
                       int32_t row) {
    return IsInside(width, height, column, row) &&
           IsReachableInside(grid, width, height, column, row);
}

// Four swaps, each with a position drawn by rand(): always four calls.
static void ShuffleDirectionOrder() {
    for (int32_t i = 0; i < 4; ++i) {
        const int32_t k = rand() % 4;
        const char letter = directionOrder[i];
        directionOrder[i] = directionOrder[k];
        directionOrder[k] = letter;
    }
}

// Asks the memory system early for the grid lines around the targets that
// ChooseDirection may test from this position, so that their cache misses
// overlap the shuffle's rand() calls. Nothing is read; only cells inside
// the grid are named.
static void PrefetchTargets(const uint8_t* grid, int32_t pitch, int32_t width, int32_t height,
                            int32_t column, int32_t row) {
    const int32_t columnRest = column % pitch;
    const int32_t rowRest = row % pitch;
    const uint8_t* here = grid + CellIndex(width, column, row);
    const ptrdiff_t stride = width;
    if (columnRest == 0) {
        const int32_t down = pitch - rowRest;
        if (down <= height - 1 - row) {
            const uint8_t* target = here + down * stride;
            __builtin_prefetch(target - stride);
            __builtin_prefetch(target);
            if (down < height - 1 - row) __builtin_prefetch(target + stride);
        }
        const int32_t up = rowRest != 0 ? rowRest : pitch;
        if (up <= row) {
            const uint8_t* target = here - up * stride;
            __builtin_prefetch(target + stride);
            __builtin_prefetch(target);
            if (up < row) __builtin_prefetch(target - stride);
        }
    }
    if (rowRest == 0) {
        const int32_t right = pitch - columnRest;
        const int32_t left = columnRest != 0 ? columnRest : pitch;
        const uint8_t* targets[2] = {right <= width - 1 - column ? here + right : nullptr,
                                     left <= column ? here - left : nullptr};
        for (const uint8_t* target : targets) {
            if (target == nullptr) continue;
            __builtin_prefetch(target);
            if (row > 0) __builtin_prefetch(target - stride);
            if (row < height - 1) __builtin_prefetch(target + stride);
        }
    }
}

// The target of each direction is the nearest lattice point strictly beyond
// the position on its lattice line. Distances are compared with the room left
// in the grid before any coordinate is formed, so nothing can overflow and a
// target outside the grid is never looked at.
char ChooseDirection(const uint8_t* grid, int32_t pitch, int32_t width, int32_t height,
                     int32_t column, int32_t row) {
    const bool inside = pitch >= 1 && IsInside(width, height, column, row);
    if (inside) PrefetchTargets(grid, pitch, width, height, column, row);
    ShuffleDirectionOrder();
    if (!inside) return directionNone;
    const int32_t columnRest = column % pitch;
    const int32_t rowRest = row % pitch;
    for (int32_t i = 0; i < 4; ++i) {
        const char direction = directionOrder[i];
        int32_t targetColumn = column;
        int32_t targetRow = row;
        bool fromLatticePoint = false;
        if (direction == directionUp || direction == directionDown) {
            if (columnRest != 0) continue;
            fromLatticePoint = rowRest == 0;
            if (direction == directionUp) {
                const int32_t distance = pitch - rowRest;
                if (distance > height - 1 - row) continue;
                targetRow = row + distance;
            } else {
                const int32_t distance = rowRest != 0 ? rowRest : pitch;
                if (distance > row) continue;
                targetRow = row - distance;
            }
        } else {
            if (rowRest != 0) continue;
            fromLatticePoint = columnRest == 0;
            if (direction == directionRight) {
                const int32_t distance = pitch - columnRest;
                if (distance > width - 1 - column) continue;
                targetColumn = column + distance;
            } else {
                const int32_t distance = columnRest != 0 ? columnRest : pitch;
                if (distance > column) continue;
                targetColumn = column - distance;
            }
        }
        const bool passes = fromLatticePoint
                                ? IsClearInside(grid, width, height, targetColumn, targetRow)
                                : IsReachableInside(grid, width, height, targetColumn, targetRow);
        if (passes) return direction;
    }
    return directionNone;
}
