// The pieces of labyrinth generation: the growable frontier list, grid
// seeding, the two target tests and the choice of direction. BuildLabyrinth
// (Labyrinth.h) is the only entry the filter pass uses; the pieces are
// declared here so that they can be exercised one by one.
#pragma once

#include "labyrinth/Labyrinth.h"

#include <cstddef>
#include <cstdint>

// A labyrinth grid is width x height cells of one byte, row by row: the cell
// in column c and row r is cells[r * width + c]. Row 0 is the top row of the
// work rectangle, column 0 its left edge. The filter pass owns the memory.
struct LabyrinthGrid {
    uint8_t* cells;
    int32_t width;
    int32_t height;
};

// Offset of a cell, computed in size_t so that big grids do not overflow.
inline size_t CellIndex(int32_t width, int32_t column, int32_t row) {
    return static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(column);
}

struct GridPoint {
    int32_t column;
    int32_t row;
};

// Points from which wall growth resumes, each kept as its cell index
// row x width + column in 32 bits (half the room of a column-row pair; the
// labyrinth refuses grids of more than 2^32 cells). The entry count is
// lastIndex + 1; lastIndex is -1 when the list is empty.
struct FrontierList {
    int32_t capacity;
    int32_t lastIndex;
    uint32_t* items;
    int32_t width;
};

// Cell index of a point of a grid `width` cells wide.
inline uint32_t CellOf(int32_t width, int32_t column, int32_t row) {
    return static_cast<uint32_t>(row) * static_cast<uint32_t>(width) +
           static_cast<uint32_t>(column);
}

// New empty list able to hold `capacity` points (a capacity below 1 makes a
// list without an array, which gets one on the first push) of a grid
// `width` cells wide (below 1 counts as 1). Null when out of memory.
FrontierList* CreateFrontierList(int32_t capacity, int32_t width);

// Appends a point (inside the grid), doubling the capacity first when the
// array is full. Answers false, leaving the list exactly as it was, when
// the array cannot grow (out of memory, or a capacity that would not fit in
// int32).
bool PushPoint(FrontierList* list, int32_t column, int32_t row);

// Makes room, in one resize of the array, for `more` points beyond those
// the list holds (capped at the int32 count), so that as many pushes need
// no growth. Answers false, leaving the list as it was, when out of memory.
bool ReserveFrontierList(FrontierList* list, int64_t more);

// Removes the last entry; the list must not be empty.
void DropLast(FrontierList* list);

// The entry at index (0 <= index <= lastIndex), left in place.
GridPoint PointAt(const FrontierList* list, int32_t index);

// Removes and answers the entry at index (0 <= index <= lastIndex); the last
// entry takes its place, so the order of the others is not kept.
GridPoint TakeAt(FrontierList* list, int32_t index);

// Releases the array and the list; null is allowed.
void DestroyFrontierList(FrontierList* list);

// Clears the grid and lays the seed walls, pushing each onto the list in
// row-by-row order. Without a mask: the rectangle's border. With a mask
// (0 = unselected; rows maskRowBytes apart, the first form taking them
// width apart): the unselected cells, the selection's outline and the
// cells that close its diagonal steps. Afterwards every cell is Open or
// Wall. Before the first push the list is given room, once, for the seeds
// and for every entry that growth on the lattice of this pitch can push
// (pitch below 2: the seeds alone), so that GrowWalls never grows it.
// Answers false when the list could not be sized; nothing is pushed then,
// and the grid is incomplete.
bool SeedGrid(uint8_t* grid, int32_t width, int32_t height, const uint8_t* mask,
              ptrdiff_t maskRowBytes, int32_t pitch, FrontierList* list);

// Direction letters. "U" steps to row + 1 (down the image), "D" to row - 1,
// "L" to column - 1, "R" to column + 1; "E" means no direction is possible.
const char directionUp = 'U';
const char directionDown = 'D';
const char directionLeft = 'L';
const char directionRight = 'R';
const char directionNone = 'E';

// The order in which ChooseDirection tries the four directions. It starts as
// "UDLR", is reshuffled at every ChooseDirection and otherwise kept for as
// long as the library stays loaded.
extern char directionOrder[4];

// Puts directionOrder back to its initial "UDLR", as a freshly loaded
// library has it.
void ResetDirectionOrder();

// The strict test: the cell is inside the grid and neither it nor any of its
// eight neighbours inside the grid is a wall.
bool IsClearTarget(const uint8_t* grid, int32_t width, int32_t height, int32_t column, int32_t row);

// The lenient test for a target reached from between two lattice points: the
// cell is inside the grid and free, has at most one wall among its four
// edge-sharing neighbours, and the two cells flanking it on the far side
// from that wall are free.
bool IsReachableTarget(const uint8_t* grid, int32_t width, int32_t height, int32_t column,
                       int32_t row);

// Reshuffles directionOrder with the four numbers the caller drew from
// rand(), in the order drawn, and answers the first direction in that order
// whose next lattice point passes its test, or "E". A position outside the
// grid answers "E" after the shuffle.
char ChooseDirectionWith(const int32_t draws[4], const uint8_t* grid, int32_t pitch, int32_t width,
                         int32_t height, int32_t column, int32_t row);

// Grows walls from the seeded grid and its frontier list until the list is
// empty, starting at cell (0, 0) (on an empty grid that is one fruitless
// choice). A pitch below 1 grows nothing and draws no numbers. A list that
// SeedGrid sized for the same pitch never grows; another may, and when it
// cannot, the answer is false. The caller destroys the list either way.
bool GrowWalls(uint8_t* grid, int32_t pitch, int32_t width, int32_t height, FrontierList* list);
