// The labyrinth's pieces called the short way, for tests and benchmarks:
// masks packed to the grid's width, seeding without a lattice and a
// direction choice that draws its own numbers. The plug-in needs none of
// these; they are built only into the native test programs
// (tests/support/LabyrinthCalls.cpp).
#pragma once

#include "labyrinth/Labyrinth.h"
#include "labyrinth/LabyrinthParts.h"

#include <cstdint>

// BuildLabyrinth with the mask's rows width apart.
bool BuildLabyrinth(uint8_t* grid, int32_t pitch, int32_t width, int32_t height,
                    const uint8_t* mask);

// SeedGrid with the mask's rows width apart and no lattice: the list gets
// room for the seeds alone.
bool SeedGrid(uint8_t* grid, int32_t width, int32_t height, const uint8_t* mask,
              FrontierList* list);

// ChooseDirectionWith four fresh rand() calls, as wall growth draws them.
char ChooseDirection(const uint8_t* grid, int32_t pitch, int32_t width, int32_t height,
                     int32_t column, int32_t row);
