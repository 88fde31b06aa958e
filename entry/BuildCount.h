// How far the labyrinth being built has come, for a host that links the
// plug-in's code in and shows progress from another thread while the
// entry point runs (building calls nothing back, and can take seconds on
// a large image at a small Amount).
#pragma once

#include <cstdint>

// Lattice points turned into walls so far, out of those growth can reach
// (0 of 0 before the grid is seeded); a value that was true a moment ago.
void ReadBuildCount(int64_t* done, int64_t* total);
