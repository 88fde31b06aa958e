// The two target tests and the random choice of the direction in which a
// wall grows next.
#include "labyrinth/LabyrinthParts.h"

char directionOrder[4] = {directionUp, directionDown, directionLeft, directionRight};

void ResetDirectionOrder() {
    directionOrder[0] = directionUp;
    directionOrder[1] = directionDown;
    directionOrder[2] = directionLeft;
    directionOrder[3] = directionRight;
}

namespace {

bool IsInside(int32_t width, int32_t height, int32_t column, int32_t row) {
    return column >= 0 && column < width && row >= 0 && row < height;
}

// IsClearTarget for a cell known to be inside the grid.
bool IsClearInside(const uint8_t* grid, int32_t width, int32_t height, int32_t column,
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
bool IsReachableInside(const uint8_t* grid, int32_t width, int32_t height, int32_t column,
                       int32_t row) {
    const uint8_t* cells = grid + CellIndex(width, 0, row);
    if (cells[column] == Wall) return false;
    // Walls among the edge-sharing neighbours, and the side they lie on.
    int32_t count = 0;
    int32_t h = 0;
    int32_t v = 0;
    if (column > 0 && cells[column - 1] == Wall) {
        ++count;
        h = -1;
    }
    if (column < width - 1 && cells[column + 1] == Wall) {
        ++count;
        h = 1;
    }
    if (row > 0 && cells[column - static_cast<ptrdiff_t>(width)] == Wall) {
        ++count;
        v = -1;
    }
    if (row < height - 1 && cells[column + static_cast<ptrdiff_t>(width)] == Wall) {
        ++count;
        v = 1;
    }
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

}  // namespace

bool IsClearTarget(const uint8_t* grid, int32_t width, int32_t height, int32_t column,
                   int32_t row) {
    return IsInside(width, height, column, row) && IsClearInside(grid, width, height, column, row);
}

bool IsReachableTarget(const uint8_t* grid, int32_t width, int32_t height, int32_t column,
                       int32_t row) {
    return IsInside(width, height, column, row) &&
           IsReachableInside(grid, width, height, column, row);
}

namespace {

// Four swaps, each with a position taken from one of four numbers drawn
// by rand(), in the order drawn.
void ShuffleDirectionOrder(const int32_t draws[4]) {
    for (int32_t i = 0; i < 4; ++i) {
        const int32_t k = draws[i] % 4;
        const char letter = directionOrder[i];
        directionOrder[i] = directionOrder[k];
        directionOrder[k] = letter;
    }
}

// Along one axis: the next lattice line after `position` (whose remainder
// by the pitch is `rest`) towards higher coordinates when `forward`, else
// towards lower ones; false when it lies outside 0..extent-1.
inline bool LatticeStep(int32_t position, int32_t rest, int32_t pitch, int32_t extent, bool forward,
                        int32_t* target) {
    const int32_t distance = forward ? pitch - rest : (rest != 0 ? rest : pitch);
    if (distance > (forward ? extent - 1 - position : position)) return false;
    *target = forward ? position + distance : position - distance;
    return true;
}

}  // namespace

// The target of each direction is the nearest lattice point strictly beyond
// the position on its lattice line. Distances are compared with the room left
// in the grid before any coordinate is formed, so nothing can overflow and a
// target outside the grid is never looked at.
char ChooseDirectionWith(const int32_t draws[4], const uint8_t* grid, int32_t pitch, int32_t width,
                         int32_t height, int32_t column, int32_t row) {
    ShuffleDirectionOrder(draws);
    if (pitch < 1 || !IsInside(width, height, column, row)) return directionNone;
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
            if (!LatticeStep(row, rowRest, pitch, height, direction == directionUp, &targetRow))
                continue;
        } else {
            if (rowRest != 0) continue;
            fromLatticePoint = columnRest == 0;
            if (!LatticeStep(column, columnRest, pitch, width, direction == directionRight,
                             &targetColumn))
                continue;
        }
        const bool passes = fromLatticePoint
                                ? IsClearInside(grid, width, height, targetColumn, targetRow)
                                : IsReachableInside(grid, width, height, targetColumn, targetRow);
        if (passes) return direction;
    }
    return directionNone;
}
