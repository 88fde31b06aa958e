// Wall growth: from the seeds, walls grow segment by segment along the
// lattice lines until no frontier point can grow any further.
#include "labyrinth/LabyrinthParts.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

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

// Random numbers drawn ahead of their use. They are used strictly in the
// order drawn, so every use sees the number a rand() call at that moment
// would have given, and no more are drawn than the generation is certain
// to use (see PrepareNextPicks): afterwards rand() stands where it would
// have stood.
struct RandomAhead {
    static const uint32_t size = 64;
    int32_t values[size];
    uint32_t head;
    uint32_t count;
};

inline int32_t NextRandom(RandomAhead* ahead) {
    if (ahead->count == 0) return rand();
    const int32_t value = ahead->values[ahead->head];
    ahead->head = (ahead->head + 1) % RandomAhead::size;
    --ahead->count;
    return value;
}

inline int32_t QueuedRandom(const RandomAhead& ahead, uint32_t offset) {
    return ahead.values[(ahead.head + offset) % RandomAhead::size];
}

// How many frontier picks ahead the list and the grid are fetched.
const int32_t picksAhead = 4;

// Asks the memory system for the grid lines that the target tests of a
// lattice point at `cell` read: one pitch up, down, left and right and the
// rows beside them. Branch-free (addresses are clamped into the grid), so
// that a cell value still on its way from memory stalls nothing.
inline void PrefetchAround(const uint8_t* grid, int64_t cells, int64_t width, int64_t pitch,
                           int64_t cell) {
    const int64_t rowStep = pitch * width;
    const int64_t offsets[9] = {-rowStep - width, -rowStep, -rowStep + width,
                                -width,           0,        width,
                                rowStep - width,  rowStep,  rowStep + width};
    for (int64_t offset : offsets) {
        int64_t at = cell + offset;
        at = at < 0 ? 0 : at;
        at = at >= cells ? cells - 1 : at;
        __builtin_prefetch(grid + at);
    }
}

// Right after a pick: when the list is long enough that the next picks
// are certain to come (each later pick follows a ChooseDirection, which
// draws four numbers, and the list cannot run dry within them) and roomy
// enough that no push can fail while numbers wait, draws the numbers of
// the coming ChooseDirection calls and picks at once. Supposing each coming
// position grows nothing (the common case), the next picks' entries are
// known now: their list slots, and the grid around the next one, are
// fetched while the current position is still on its way from memory.
void PrepareNextPicks(FrontierList* list, RandomAhead* ahead, const uint8_t* grid,
                      int64_t cells, int32_t pitch) {
    const int32_t last = list->lastIndex;
    if (last < 2 * picksAhead || list->capacity - 1 - last < 8 * picksAhead) return;
    const uint32_t wanted = 5 * picksAhead;
    while (ahead->count < wanted) {
        ahead->values[(ahead->head + ahead->count) % RandomAhead::size] = rand();
        ++ahead->count;
    }
    for (int32_t d = 1; d <= picksAhead; ++d) {
        const int32_t index = QueuedRandom(*ahead, uint32_t(5 * d - 1)) % (last - (d - 1));
        if (d == 1) {
            PrefetchAround(grid, cells, list->width, pitch, int64_t(list->items[index]));
        } else {
            __builtin_prefetch(list->items + index);
        }
    }
}

// ChooseDirection with its four numbers from the numbers drawn ahead.
inline char NextDirection(RandomAhead* ahead, const uint8_t* grid, int32_t pitch,
                          int32_t width, int32_t height, int32_t column, int32_t row) {
    int32_t draws[4];
    for (int32_t& draw : draws) draw = NextRandom(ahead);
    return ChooseDirectionWith(draws, grid, pitch, width, height, column, row);
}

bool GrowWalls(uint8_t* grid, int32_t pitch, int32_t width, int32_t height,
               FrontierList* list) {
    // Without a lattice there is nothing to grow; the seeds stand alone.
    if (pitch < 1) return true;
    const LabyrinthGrid labyrinth = {grid, width, height};
    const int64_t cells = width > 0 && height > 0 ? int64_t(width) * height : 0;
    RandomAhead ahead = {};
    // The top-left corner is always a seed wall (and the list's first entry).
    int32_t column = 0;
    int32_t row = 0;
    for (;;) {
        char direction = NextDirection(&ahead, grid, pitch, width, height, column, row);
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
            PrefetchAround(grid, cells, width, pitch, int64_t(CellOf(width, column, row)));
            direction = NextDirection(&ahead, grid, pitch, width, height, column, row);
        }
        if (list->lastIndex < 0) return true;
        const int32_t last = list->lastIndex;
        const int32_t index = last > 0 ? NextRandom(&ahead) % last : 0;
        const GridPoint point = TakeAt(list, index);
        if (cells > 0) PrepareNextPicks(list, &ahead, grid, cells, pitch);
        column = point.column;
        row = point.row;
    }
}
