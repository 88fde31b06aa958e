// Wall growth: from the seeds, walls grow segment by segment along the
// lattice lines until no frontier point can grow any further.
#include "labyrinth/LabyrinthParts.h"

#include <cstddef>
#include <cstdlib>

int32_t PickIndex(int32_t lastIndex) { return lastIndex > 0 ? rand() % lastIndex : 0; }

// Cells between the position and the next lattice point in the direction
// (the position lies on the direction's lattice line).
static int32_t DistanceToLatticePoint(char direction, int32_t pitch, int32_t column,
                                      int32_t row) {
    switch (direction) {
    case directionUp: return pitch - row % pitch;
    case directionDown: return row % pitch != 0 ? row % pitch : pitch;
    case directionRight: return pitch - column % pitch;
    default: return column % pitch != 0 ? column % pitch : pitch;
    }
}

// Whether the lattice point one pitch further in the direction lies inside
// the grid and is clear; the room left is compared first, so no coordinate
// outside the grid is ever formed.
static bool IsNextLatticePointClear(const LabyrinthGrid& grid, char direction, int32_t pitch,
                                    int32_t column, int32_t row) {
    const int32_t width = grid.width;
    const int32_t height = grid.height;
    switch (direction) {
    case directionUp:
        return pitch <= height - 1 - row &&
               IsClearTarget(grid.cells, width, height, column, row + pitch);
    case directionDown:
        return pitch <= row && IsClearTarget(grid.cells, width, height, column, row - pitch);
    case directionRight:
        return pitch <= width - 1 - column &&
               IsClearTarget(grid.cells, width, height, column + pitch, row);
    default:
        return pitch <= column && IsClearTarget(grid.cells, width, height, column - pitch, row);
    }
}

// Walls `length` cells beyond the position in the direction (not the
// starting cell) and moves the position to the last one.
static void DrawSegment(const LabyrinthGrid& grid, char direction, int32_t length,
                        int32_t* column, int32_t* row) {
    ptrdiff_t stride = 1;
    switch (direction) {
    case directionUp: stride = grid.width; *row += length; break;
    case directionDown: stride = -static_cast<ptrdiff_t>(grid.width); *row -= length; break;
    case directionRight: stride = 1; *column += length; break;
    default: stride = -1; *column -= length; break;
    }
    uint8_t* cell = grid.cells + CellIndex(grid.width, *column, *row);
    for (int32_t step = 0; step < length; ++step, cell -= stride) *cell = Wall;
}

bool GrowWalls(uint8_t* grid, int32_t pitch, int32_t width, int32_t height,
               FrontierList* list) {
    // Without a lattice there is nothing to grow; the seeds stand alone.
    if (pitch < 1) return true;
    const LabyrinthGrid labyrinth = {grid, width, height};
    // The top-left corner is always a seed wall (and the list's first entry).
    int32_t column = 0;
    int32_t row = 0;
    for (;;) {
        char direction = ChooseDirection(grid, pitch, width, height, column, row);
        while (direction != directionNone) {
            // A segment always ends on a lattice point, which becomes a
            // frontier point; one more segment follows in the same direction
            // when the next lattice point beyond is clear.
            DrawSegment(labyrinth, direction,
                        DistanceToLatticePoint(direction, pitch, column, row), &column, &row);
            if (!PushPoint(list, column, row)) return false;
            if (IsNextLatticePointClear(labyrinth, direction, pitch, column, row)) {
                DrawSegment(labyrinth, direction, pitch, &column, &row);
                if (!PushPoint(list, column, row)) return false;
            }
            direction = ChooseDirection(grid, pitch, width, height, column, row);
        }
        if (list->lastIndex < 0) return true;
        const GridPoint point = TakeAt(list, PickIndex(list->lastIndex));
        column = point.column;
        row = point.row;
    }
}
