// Wall growth: from the seeds, walls grow segment by segment along the
// lattice lines until no frontier point can grow any further.
#include "labyrinth/BuildProgress.h"
#include "labyrinth/LabyrinthParts.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Cells between the position and the next lattice point in the direction
// (the position lies on the direction's lattice line).
int32_t DistanceToLatticePoint(char direction, int32_t pitch, int32_t column, int32_t row) {
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
bool IsNextLatticePointClear(const LabyrinthGrid& grid, char direction, int32_t pitch,
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
void DrawSegment(const LabyrinthGrid& grid, char direction, int32_t length, int32_t* column,
                 int32_t* row) {
    ptrdiff_t stride = 1;
    switch (direction) {
        case directionUp:
            stride = grid.width;
            *row += length;
            break;
        case directionDown:
            stride = -static_cast<ptrdiff_t>(grid.width);
            *row -= length;
            break;
        case directionRight:
            stride = 1;
            *column += length;
            break;
        default:
            stride = -1;
            *column -= length;
            break;
    }
    uint8_t* cell = grid.cells + CellIndex(grid.width, *column, *row);
    for (int32_t step = 0; step < length; ++step, cell -= stride) *cell = Wall;
}

// Random numbers drawn ahead of their use, so that the frontier entries
// of the coming picks are known early and their memory can be fetched
// while the current position is still on its way. What rand() gives
// depends only on how many calls came before, so a number drawn early is
// the number a call at its use would have given, provided the numbers are
// used in the order drawn and every one drawn is used. The quantities:

// Numbers one ChooseDirection uses (its shuffle of the four directions).
const uint32_t numbersPerChoice = 4;
// Numbers from one pick to the next when the picked entry grows nothing:
// the choice made there, then the next pick's own number.
const uint32_t numbersPerPick = numbersPerChoice + 1;
// Entries one choice can push: the segment's end, and a second segment's.
const int32_t pushesPerChoice = 2;
// How many picks ahead the list and the grid are fetched.
const int32_t picksAhead = 4;
// The most numbers waiting at once: those of the coming picksAhead picks.
const uint32_t numbersAhead = picksAhead * numbersPerPick;
// Free slots the list needs so that no push can fail while numbers wait:
// the waiting numbers feed at most this many choices, each pushing at most
// pushesPerChoice entries.
const int32_t listSlack =
    pushesPerChoice * int32_t((numbersAhead + numbersPerChoice - 1) / numbersPerChoice);

// A ring of waiting numbers; count of them from head on.
struct RandomAhead {
    static const uint32_t size = 64;
    int32_t values[size];
    uint32_t head;
    uint32_t count;
};
static_assert(numbersAhead <= RandomAhead::size, "the ring holds every waiting number");

// The next number of the generation: the oldest waiting one, else a new one.
inline int32_t NextRandom(RandomAhead* ahead) {
    if (ahead->count == 0) return rand();
    const int32_t value = ahead->values[ahead->head];
    ahead->head = (ahead->head + 1) % RandomAhead::size;
    --ahead->count;
    return value;
}

// The waiting number `offset` places after the next one.
inline int32_t WaitingRandom(const RandomAhead& ahead, uint32_t offset) {
    return ahead.values[(ahead.head + offset) % RandomAhead::size];
}

// Asks the memory system for the cache line at `address` without waiting
// for it. A hint only: where the compiler has none, nothing happens.
inline void PrefetchLine(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

// Asks for the grid lines that the target tests of a lattice point at
// `cell` read: one pitch up, down, left and right and the rows beside
// them. Branch-free (addresses are clamped into the grid), so that a cell
// value still on its way from memory stalls nothing.
inline void PrefetchAround(const uint8_t* grid, int64_t cells, int64_t width, int64_t pitch,
                           int64_t cell) {
    const int64_t rowStep = pitch * width;
    const int64_t offsets[9] = {-rowStep - width, -rowStep, -rowStep + width, -width, 0, width,
                                rowStep - width,  rowStep,  rowStep + width};
    for (int64_t offset : offsets) {
        int64_t at = cell + offset;
        at = at < 0 ? 0 : at;
        at = at >= cells ? cells - 1 : at;
        PrefetchLine(grid + at);
    }
}

// Right after a pick, with lastIndex + 1 entries left: draws the numbers of
// the coming picksAhead picks and fetches their entries (supposing each
// coming position grows nothing, the common case; when one does grow, the
// numbers are still used in order, only the fetches were wasted).
//
// Every number waiting is one the generation is certain to use, in order:
// - the coming picksAhead picks all happen, each after at least one choice,
//   and each draws its number, when lastIndex >= picksAhead now (the list
//   shrinks only by picks, one entry each, and a pick draws a number only
//   while lastIndex > 0), so at least numbersAhead numbers will be used;
// - nothing stops growth before it uses them: growth stops early only when
//   a push fails, and with listSlack free slots none can.
// So afterwards rand() stands exactly where it would without read-ahead.
void PrepareNextPicks(FrontierList* list, RandomAhead* ahead, const uint8_t* grid, int64_t cells,
                      int32_t pitch) {
    const int32_t last = list->lastIndex;
    if (last < picksAhead || list->capacity - 1 - last < listSlack) return;
    while (ahead->count < numbersAhead) {
        ahead->values[(ahead->head + ahead->count) % RandomAhead::size] = rand();
        ++ahead->count;
    }
    // The d-th coming pick (d = 1 ..) uses the last of its numbersPerPick
    // numbers, on a list whose lastIndex is then last - (d - 1).
    for (int32_t d = 1; d <= picksAhead; ++d) {
        const int32_t index = WaitingRandom(*ahead, d * numbersPerPick - 1) % (last - (d - 1));
        if (d == 1) {
            PrefetchAround(grid, cells, list->width, pitch, int64_t(list->items[index]));
        } else {
            PrefetchLine(list->items + index);
        }
    }
}

// Index of the frontier entry to resume from: the next number mod
// lastIndex when lastIndex > 0 (one number used), else 0 (none). The
// divisor is the last index, not the count: the newest entry is picked only
// when it is the only one.
inline int32_t NextPick(RandomAhead* ahead, int32_t lastIndex) {
    return lastIndex > 0 ? NextRandom(ahead) % lastIndex : 0;
}

// ChooseDirection with its four numbers from the generation's numbers.
inline char NextDirection(RandomAhead* ahead, const uint8_t* grid, int32_t pitch, int32_t width,
                          int32_t height, int32_t column, int32_t row) {
    int32_t draws[numbersPerChoice];
    for (int32_t& draw : draws) draw = NextRandom(ahead);
    return ChooseDirectionWith(draws, grid, pitch, width, height, column, row);
}

}  // namespace

bool GrowWalls(uint8_t* grid, int32_t pitch, int32_t width, int32_t height, FrontierList* list) {
    // Without a lattice there is nothing to grow; the seeds stand alone.
    if (pitch < 1) return true;
    const LabyrinthGrid labyrinth = {grid, width, height};
    const int64_t cells = width > 0 && height > 0 ? int64_t(width) * height : 0;
    RandomAhead ahead = {};
    // The top-left corner is always a seed wall (and the list's first entry).
    int32_t column = 0;
    int32_t row = 0;
    // Every push below is a lattice point turned into a wall; the count is
    // published once per pick, a plain store that costs no locked cycle.
    uint32_t walled = 0;
    for (;;) {
        char direction = NextDirection(&ahead, grid, pitch, width, height, column, row);
        while (direction != directionNone) {
            // A segment always ends on a lattice point, which becomes a
            // frontier point; one more segment follows in the same direction
            // when the next lattice point beyond is clear.
            DrawSegment(labyrinth, direction, DistanceToLatticePoint(direction, pitch, column, row),
                        &column, &row);
            if (!PushPoint(list, column, row)) return false;
            ++walled;
            if (IsNextLatticePointClear(labyrinth, direction, pitch, column, row)) {
                DrawSegment(labyrinth, direction, pitch, &column, &row);
                if (!PushPoint(list, column, row)) return false;
                ++walled;
            }
            PrefetchAround(grid, cells, width, pitch, int64_t(CellOf(width, column, row)));
            direction = NextDirection(&ahead, grid, pitch, width, height, column, row);
        }
        labyrinthBuildProgress.walled.store(walled, std::memory_order_relaxed);
        if (list->lastIndex < 0) return true;
        const GridPoint point = TakeAt(list, NextPick(&ahead, list->lastIndex));
        if (cells > 0) PrepareNextPicks(list, &ahead, grid, cells, pitch);
        column = point.column;
        row = point.row;
    }
}
