// What --seed hands the C runtime's generator. glibc's srand treats 0 as 1,
// and msvcrt's generator never lets the top bit of its seed reach a
// number it draws; so the accepted seeds are 0..maxSeed and each is handed
// over as seed + 1 (1..2^31): no two accepted seeds start either runtime
// in the same state.
#pragma once

#include <cstdint>

const uint32_t maxSeed = 2147483647u;

uint32_t RuntimeSeedFor(uint32_t seed);

// Several files with one --seed: the file at index (0 for the first INPUT)
// gets seed + index, counted round after maxSeed; so each file gets its own
// labyrinth, and one file's result can be made again alone with
// --seed seed+index.
uint32_t FileSeed(uint32_t seed, uint32_t index);
